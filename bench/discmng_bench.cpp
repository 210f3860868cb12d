// The disc manager's list with 5000 registered discs whose data files lie on disk: how
// long opening the dialog takes until the list is drawn, how long paging through the
// whole list takes (which reads every file), a sort by title and a filter on a list
// whose files were not read yet (each reads every file once), and the peak memory.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "core/common/Clock.h"
#include "core/common/Commands.h"
#include "core/common/TextCodec.h"
#include "core/discdata/DiscList.h"
#include "core/discdata/Words.h"
#include "core/playback/PlaybackController.h"
#include "core/playback/StillDrive.h"
#include "core/settings/IniFile.h"
#include "ui/app/Application.h"
#include "ui/dialogs/DiscMng.h"
#include "ui/main/Main.h"

namespace {

constexpr int kDiscs = 5000;

// A registered disc's data file as the program writes it: 12 titled tracks, 3 with lyrics.
QByteArray DataFile(int n)
{
    QString text = QStringLiteral("[Mirelune]\r\nVersion=151A\r\n\r\n[Info]\r\nTitle=アルバム %1\r\n"
                                  "Artist=歌い手 %2\r\nPlayTime=%3\r\nPlayType=0\r\nProgram=1,2,3\r\n\r\n[Title]\r\n")
                       .arg(n)
                       .arg(n % 97)
                       .arg(n * 37);
    for (int t = 1; t <= 12; ++t) text += QStringLiteral("%1=曲の名前 %2\r\n").arg(t, 2, 10, QLatin1Char('0')).arg(t);
    for (int t = 1; t <= 3; ++t) {
        text += QStringLiteral("\r\n[Words%1]\r\nAdjust=0\r\n").arg(t, 2, 10, QLatin1Char('0'));
        for (int l = 1; l <= 30; ++l)
            text += QStringLiteral("%1=%2,%3,歌詞の行 %4 ラララ\r\n")
                        .arg(l, 3, 10, QLatin1Char('0'))
                        .arg(l * 400)
                        .arg(l * 400 + 350)
                        .arg(l);
    }
    return Cp932::Encode(text);
}

double PeakRssMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    Settings settings;
    settings.IniPath = dir.filePath(QStringLiteral("Mirelune.ini"));
    settings.DefaultDataFolder = dir.path() + QLatin1Char('/');
    {
        QByteArray registry = "[WordsFile]\r\n";
        for (int i = 0; i < kDiscs; ++i) {
            const QByteArray name = "disc" + QByteArray::number(i);
            registry += QByteArray::number(0x10000000 + i, 16).toUpper() + '=' + name + "\r\n";
            QFile f(settings.DefaultDataFolder + QString::fromLatin1(name) + QStringLiteral(".dat"));
            if (!f.open(QIODevice::WriteOnly) || f.write(DataFile(i)) < 0) {
                std::fprintf(stderr, "discmng_bench: cannot write the data files\n");
                return 1;
            }
        }
        QFile ini(settings.IniPath);
        if (!ini.open(QIODevice::WriteOnly) || ini.write(registry) < 0) return 1;
    }

    StillDrive device; // an empty drive
    SystemClock clock;
    Application program(device, clock, settings);
    CommandSet& commands = program.commands;
    TWords& words = program.words;
    TMainForm& form = program.Form();
    PlaybackController& player = program.controller;
    auto* dialog = new TDiscMngForm(form.Windows, form, player, words, settings, commands);

    // Opening: the registry read, the list filled, the first screen drawn.
    auto open = [&] {
        QElapsedTimer t;
        t.start();
        dialog->show();
        QCoreApplication::processEvents();
        const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
        dialog->hide();
        QCoreApplication::processEvents();
        return ms;
    };
    const double first = open();
    std::vector<double> runs;
    for (int i = 0; i < 9; ++i) runs.push_back(open());
    std::sort(runs.begin(), runs.end());
    const int readOnOpen = dialog->Model()->FilesRead();

    // Paging through the whole list reads every data file once.
    dialog->show();
    QCoreApplication::processEvents();
    QScrollBar* bar = dialog->DiscList->verticalScrollBar();
    QElapsedTimer t;
    t.start();
    while (bar->value() < bar->maximum()) {
        bar->setValue(bar->value() + bar->pageStep());
        QCoreApplication::processEvents();
    }
    const double pageAll = static_cast<double>(t.nsecsElapsed()) / 1e6;
    const int readAll = dialog->Model()->FilesRead();

    // A sort by title and a filter, each on a list just read from the registry.
    auto timed = [&](const std::function<void()>& step) {
        dialog->FillDiscList();
        QCoreApplication::processEvents();
        QElapsedTimer s;
        s.start();
        step();
        QCoreApplication::processEvents();
        return static_cast<double>(s.nsecsElapsed()) / 1e6;
    };
    const double sortByTitle = timed(
        [&] { dialog->DiscList->horizontalHeader()->setSortIndicator(1, Qt::AscendingOrder); });
    const bool sorted = dialog->Model()->Name(0) == QStringLiteral("disc0") &&
                        dialog->Model()->Name(1) == QStringLiteral("disc1");
    dialog->DiscList->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    const double filter = timed([&] { dialog->FilterEdit->setText(QStringLiteral("歌い手 96")); });
    const int matching = dialog->Model()->ShownCount();
    dialog->FilterEdit->clear();

    if (dialog->DiscCountText->text() != QString::number(kDiscs) || readOnOpen <= 0 || readAll < kDiscs ||
        dialog->Model()->index(kDiscs - 1, 1).data().toString() != QStringLiteral("アルバム %1").arg(kDiscs - 1) ||
        !sorted || matching != kDiscs / 97) {
        std::fprintf(stderr, "discmng_bench: the list is not what was registered (%d read on opening, %d in all)\n",
                     readOnOpen, readAll);
        return 1;
    }
    std::printf("files_read_on_open: %d\n", readOnOpen);
    std::printf("first_fill_5000_ms: %.1f\n", first);
    std::printf("page_through_5000_ms: %.1f\n", pageAll);
    std::printf("sort_by_title_5000_ms: %.1f\n", sortByTitle);
    std::printf("filter_5000_ms: %.1f\n", filter);
    std::printf("fill_5000_ms: %.1f\n", runs[runs.size() / 2]);
    std::printf("rss_mb: %.1f\n", PeakRssMb());
    return 0;
}
