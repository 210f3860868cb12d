// The help pages, the topics of every context number, and the help window.
#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSet>
#include <QTextBlock>
#include <QTextBrowser>

#include "core/common/HelpTopics.h"
#include "ui/main/Help.h"

namespace {
const QString kPages = QStringLiteral(MIRELUNE_SOURCE_DIR "/data/help/");

QString ReadText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The anchor names of each help page.
QHash<QString, QSet<QString>> Anchors()
{
    QHash<QString, QSet<QString>> out;
    static const QRegularExpression name(QStringLiteral("<a name=\"([^\"]+)\""));
    for (const QString& page : QDir(kPages).entryList({QStringLiteral("*.html")})) {
        QSet<QString>& set = out[page];
        for (const auto& m : name.globalMatch(ReadText(kPages + page))) set.insert(m.captured(1));
    }
    return out;
}

bool DocumentHasAnchor(const QTextDocument* doc, const QString& anchor)
{
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().anchorNames().contains(anchor)) return true;
    return false;
}
} // namespace

TEST(HelpPages, EveryContextOpensAnAnchorAndEveryLinkLeadsSomewhere)
{
    const auto anchors = Anchors();
    ASSERT_TRUE(anchors.contains(HelpContentsPage()));
    QSet<QString> expected;
    for (int context : HelpContexts()) {
        const QString target = HelpTarget(context);
        const QString page = target.section(QLatin1Char('#'), 0, 0), anchor = target.section(QLatin1Char('#'), 1);
        EXPECT_EQ(anchor, QStringLiteral("ctx%1").arg(context));
        EXPECT_TRUE(anchors.value(page).contains(anchor)) << target.toStdString();
        expected.insert(page + QLatin1Char('#') + anchor);
    }
    EXPECT_EQ(HelpTarget(0), HelpContentsPage());
    EXPECT_TRUE(HelpTarget(4242).isEmpty());
    // No page carries a context anchor that the table does not know (a number typed twice
    // differently would otherwise open the wrong place).
    for (auto it = anchors.begin(); it != anchors.end(); ++it)
        for (const QString& a : it.value())
            if (a.startsWith(QLatin1String("ctx"))) {
                EXPECT_TRUE(expected.contains(it.key() + QLatin1Char('#') + a)) << (it.key() + a).toStdString();
            }

    static const QRegularExpression href(QStringLiteral("href=\"([^\"]*)\""));
    for (auto it = anchors.begin(); it != anchors.end(); ++it) {
        for (const auto& m : href.globalMatch(ReadText(kPages + it.key()))) {
            const QString link = m.captured(1);
            QString page = link.section(QLatin1Char('#'), 0, 0);
            const QString anchor = link.section(QLatin1Char('#'), 1);
            if (page.isEmpty()) page = it.key();
            ASSERT_TRUE(anchors.contains(page)) << link.toStdString();
            if (!anchor.isEmpty()) {
                EXPECT_TRUE(anchors[page].contains(anchor)) << link.toStdString();
            }
        }
    }
}

TEST(HelpPages, TheTimingPageTellsItsKeys)
{
    // The keys of the timing page that no button shows: Ctrl+Z takes a stamp back, + and
    // − move the correction while testing, by 50 with Ctrl.
    const QString page = ReadText(kPages + QStringLiteral("inputdata.html"));
    const qsizetype from = page.indexOf(QLatin1String("name=\"ctx15300\""));
    ASSERT_GE(from, 0);
    const qsizetype to = page.indexOf(QLatin1String("<h2"), from);
    const QString timing = page.mid(from, to < 0 ? -1 : to - from);
    for (const char* said : {"Ctrl+Z", "+ キー", "− キー", "50"})
        EXPECT_TRUE(timing.contains(QString::fromUtf8(said))) << said;
}

TEST(HelpPages, EveryContextNumberInTheSourcesHasATopic)
{
    // Help::SetContext(widget, N) and Help::Show(N, ...) with a number written out.
    static const QRegularExpression use(QStringLiteral("Help::(?:SetContext\\s*\\([^,;]*,|Show\\s*\\()\\s*(\\d+)"));
    const QList<int> known = HelpContexts();
    int uses = 0;
    QDirIterator files(QStringLiteral(MIRELUNE_SOURCE_DIR "/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                       QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString file = files.next();
        for (const auto& m : use.globalMatch(ReadText(file))) {
            const int context = m.captured(1).toInt();
            ++uses;
            if (context != 0) {
                EXPECT_TRUE(known.contains(context)) << file.toStdString() << ": " << context;
            }
        }
    }
    EXPECT_GT(uses, 0);
}

TEST(HelpWindow, OpensAtTheTopicOrTheContents)
{
    Help::SetFile(kPages + HelpContentsPage());
    Help::Show(14210);
    QTextBrowser* browser = Help::Browser();
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(Help::Window()->isVisible());
    EXPECT_EQ(browser->source().fileName(), QStringLiteral("config.html"));
    EXPECT_EQ(browser->source().fragment(), QStringLiteral("ctx14210"));
    EXPECT_TRUE(DocumentHasAnchor(browser->document(), QStringLiteral("ctx14210")));
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("リピート色")));
    // A topic far down the page is scrolled to.
    EXPECT_GT(browser->verticalScrollBar()->value(), 0);

    // The contents: the page given, whatever its name.
    Help::Show(0);
    EXPECT_EQ(Help::Browser()->source(), QUrl::fromLocalFile(kPages + HelpContentsPage()));
    Help::Window()->close();

    // Asked from a dialog, it opens beside the dialog, not over it, and on the screen.
    QDialog dialog;
    dialog.setGeometry(40, 30, 200, 100);
    dialog.show();
    Help::Show(14210, &dialog);
    const QRect help = Help::Window()->frameGeometry();
    EXPECT_FALSE(help.intersects(dialog.frameGeometry())) << help.x() << "," << help.y();
    EXPECT_TRUE(dialog.screen()->availableGeometry().contains(help)) << help.x() << "," << help.y();
    Help::Window()->close();
}
