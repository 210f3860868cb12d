#include "HelpTopics.h"

#include <algorithm>
#include <initializer_list>

namespace {

struct Page {
    const char* file;
    std::initializer_list<int> contexts;
};

// Which page explains which numbers. The OK, Cancel and Help buttons (10001..10003)
// are the same in every dialog and explained once, on the contents page.
const Page kPages[] = {
    {"Mirelune.html", {10001, 10002, 10003}},
    {"discmng.html", {1001, 1002}},
    {"config.html", {2001,  2002,  2003,  14100, 14101, 14102, 14103, 14104, 14105, 14106, 14107, 14108, 14109,
                     14110, 14111, 14112, 14200, 14201, 14202, 14203, 14204, 14205, 14206, 14207, 14208, 14209,
                     14210, 14211, 14300, 14301, 14302, 14303, 14304, 14305, 14306, 14307, 14308, 14113, 14114}},
    {"inputdata.html",
     {3001,  3002,  3003,  15001, 15100, 15101, 15102, 15103, 15104, 15200, 15201, 15202, 15203, 15204, 15205,
      15300, 15301, 15302, 15303, 15304, 15305, 15306, 15307, 15308, 15309, 15310, 15311, 15312, 15313, 15314}},
    {"progset.html", {120, 13001, 13002, 13003, 13004, 13005, 13006, 13007, 13008, 13009, 13010}},
    {"cdinfo.html", {110, 111, 11001, 11002, 11003, 11004, 11005, 11006, 11007, 11008, 11009}},
};

} // namespace

QString HelpContentsPage() { return QStringLiteral("Mirelune.html"); }

QString HelpTarget(int context)
{
    if (context == 0) return HelpContentsPage();
    for (const Page& page : kPages)
        if (std::find(page.contexts.begin(), page.contexts.end(), context) != page.contexts.end())
            return QLatin1String(page.file) + QStringLiteral("#ctx") + QString::number(context);
    return QString();
}

QList<int> HelpContexts()
{
    QList<int> all;
    for (const Page& page : kPages) all.append(QList<int>(page.contexts.begin(), page.contexts.end()));
    std::sort(all.begin(), all.end());
    return all;
}
