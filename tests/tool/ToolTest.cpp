// mirelune-tool run as a user runs it, on a data folder of its own: what each command
// prints, what it writes, and its exit status.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <csignal>
#include <memory>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kWorkedExample =
    "[Mirelune]\r\nVersion=151A\r\n\r\n"
    "[Info]\r\nTitle=Sample Disc\r\nArtist=Sample Artist\r\nPlayTime=754\r\nPlayType=17\r\nProgram=3,1\r\n\r\n"
    "[Title]\r\n01=First Song\r\n02=\r\n03=First Song (Reprise)\r\n\r\n"
    "[Words01]\r\nAdjust=-12\r\n001=1530,1985,First line of the song\r\n002=2010,2470,Second line, with a comma\r\n"
    "003=2500,2960,\r\n\r\n"
    "[Words03]\r\nAdjust=25\r\nCopyTrack=1\r\n\r\n";

struct Result {
    int status;
    QString out, err;
};

class Tool : public ::testing::Test {
protected:
    Tool()
    {
        data = dir.filePath(QStringLiteral("data/"));
        QDir().mkpath(data);
        ini = dir.filePath(QStringLiteral("Mirelune.ini"));
        write(ini, "[Settings]\r\nWordsPath=" + data.toUtf8() + "\r\n[WordsFile]\r\n87C8548A=Sample Disc\r\n");
        disc = data + QStringLiteral("Sample Disc.dat");
        write(disc, kWorkedExample);
    }

    static void write(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    static QByteArray read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The tool with the test's settings file (unless settings is empty) and folders of
    // its own for everything else it might look at.
    // fileSizeLimit: the largest file the tool may write, in bytes (0: no limit); a longer
    // write fails partway, as on a full disk.
    // output: a file standard output goes to instead of the test.
    Result tool(QStringList args, const QString& settings = QStringLiteral("this"), rlim_t fileSizeLimit = 0,
                const QString& output = QString())
    {
        if (!settings.isEmpty())
            args.prepend(QStringLiteral("-i:") + (settings == QLatin1String("this") ? ini : settings));
        QProcess p;
        if (fileSizeLimit > 0)
            p.setChildProcessModifier([fileSizeLimit] {
                // The signal as a shell leaves it: the tool must not die of it.
                std::signal(SIGXFSZ, SIG_DFL);
                rlimit limit{};
                getrlimit(RLIMIT_FSIZE, &limit);
                limit.rlim_cur = fileSizeLimit;
                setrlimit(RLIMIT_FSIZE, &limit);
            });
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* var : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "TMPDIR"})
            env.insert(QLatin1String(var), dir.path());
        p.setProcessEnvironment(env);
        if (!output.isEmpty()) p.setStandardOutputFile(output);
        p.start(QStringLiteral(MIRELUNE_TOOL), args);
        EXPECT_TRUE(p.waitForFinished(30000));
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }

    QTemporaryDir dir;
    QString data, ini, disc;
};

TEST_F(Tool, HelpAndWrongUsage)
{
    const Result help = tool({QStringLiteral("--help")}, QString());
    EXPECT_EQ(help.status, 0);
    for (const char* command : {"id DRIVE", "show DATAFILE", "export-lrc DATAFILE", "import-lrc DATAFILE", "-i:FILE"})
        EXPECT_TRUE(help.out.contains(QLatin1String(command))) << command;
    // A running program holding the disc is no reason to wait: it follows the file.
    EXPECT_TRUE(help.out.contains(QLatin1String("picks such a change up"))) << help.out.toStdString();
    for (const char* option : {"--version", "-V"}) {
        const Result version = tool({QLatin1String(option)}, QString());
        EXPECT_EQ(version.status, 0);
        EXPECT_TRUE(
            QRegularExpression(QStringLiteral("^mirelune-tool \\d+\\.\\d+\\.\\d+\n$")).match(version.out).hasMatch())
            << version.out.toStdString();
    }
    const QStringList wrong[] = {{},
                                 {"play"},
                                 {"show"},
                                 {"show", "a", "b"},
                                 {"--quiet", "show", "x"},
                                 {"export-lrc", "Sample Disc", "first", "out"},
                                 {"import-lrc", "Sample Disc", "100", "x.lrc"}};
    for (const QStringList& args : wrong) {
        const Result r = tool(args);
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String("--help"))) << r.err.toStdString();
    }
}

TEST_F(Tool, ShowsADataFileByPathNameOrDiscId)
{
    for (const QString& which : {disc, QStringLiteral("Sample Disc"), QStringLiteral("87c8548a")}) {
        const Result r = tool({QStringLiteral("show"), which});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, QStringLiteral("Data file: ") + disc +
                             "\nTitle: Sample Disc\nArtist: Sample Artist\nPlay time: 0:12:34\n"
                             "Play type: random, repeat\nProgram: 3, 1\n\n"
                             "01: First Song\n  adjust -12\n"
                             "  001  00:15.30  00:19.85  First line of the song\n"
                             "  002  00:20.10  00:24.70  Second line, with a comma\n"
                             "  003  00:25.00  00:29.60  \n\n"
                             "02: \n\n"
                             "03: First Song (Reprise)\n  lyrics of track 01\n  adjust 25\n");
    }
    const Result missing = tool({QStringLiteral("show"), QStringLiteral("Other Disc")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains(data + QStringLiteral("Other Disc.dat"))) << missing.err.toStdString();
}

TEST_F(Tool, ASettingsFileNamedWithoutAFolderIsTheOneInTheConfigFolder)
{
    // The tool runs with XDG_CONFIG_HOME at the test's folder, and no Mirelune.ini stands
    // beside it: the program's own settings would be Mirelune/Mirelune.ini there.
    QDir().mkpath(dir.filePath(QStringLiteral("Mirelune")));
    ASSERT_TRUE(QFile::copy(ini, dir.filePath(QStringLiteral("Mirelune/named.ini"))));
    const Result r = tool({QStringLiteral("show"), QStringLiteral("Sample Disc")}, QStringLiteral("named"));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Data file: ") + disc)) << r.out.toStdString();
}

TEST_F(Tool, ExportsAndImportsLrcFiles)
{
    const QString out = dir.filePath(QStringLiteral("out"));
    const Result all = tool({QStringLiteral("export-lrc"), QStringLiteral("Sample Disc"), QStringLiteral("all"), out});
    ASSERT_EQ(all.status, 0) << all.err.toStdString();
    const QString first = out + QStringLiteral("/01 First Song.lrc");
    const QString reprise = out + QStringLiteral("/03 First Song (Reprise).lrc");
    EXPECT_EQ(all.out, first + '\n' + reprise + '\n');
    // The times the lyrics window shows: the correction added; the borrowing track adds
    // both. The line of empty text is left out; every end before the next start, and the
    // last line's end, is an empty line.
    EXPECT_EQ(read(first),
              QByteArray("\xEF\xBB\xBF[ti:First Song]\r\n[ar:Sample Artist]\r\n[al:Sample Disc]\r\n"
                         "[00:15.18]First line of the song\r\n[00:19.73]\r\n[00:19.98]Second line, with a comma\r\n"
                         "[00:24.58]\r\n"));
    EXPECT_TRUE(read(reprise).contains("[00:15.43]First line of the song\r\n"));
    EXPECT_EQ(tool({QStringLiteral("export-lrc"), disc, QStringLiteral("2"), out}).status, 1); // no lyrics

    // Into the track without lyrics: only its section and title change, the rest of the
    // file stays as it was.
    const QString lrc = dir.filePath(QStringLiteral("song.lrc"));
    write(lrc, "[ti:Interlude]\r\n[offset:+120]\r\n[00:30.00]later\r\n[00:10.00]<00:10.00>first <00:11.00>words\r\n");
    const Result imported = tool(
        {QStringLiteral("import-lrc"), QStringLiteral("Sample Disc"), QStringLiteral("2"), lrc});
    EXPECT_EQ(imported.status, 0) << imported.err.toStdString();
    EXPECT_EQ(imported.out, QStringLiteral("Track 02: 2 lines, adjust -12\n"));
    QByteArray expected = kWorkedExample;
    expected.replace("02=\r\n", "02=Interlude\r\n");
    expected += "[Words02]\r\nAdjust=-12\r\n001=1000,3000,first words\r\n002=3000,599999,later\r\n\r\n"
                "[WordTimes02]\r\n001=1000+6,1100+5\r\n\r\n";
    EXPECT_EQ(read(disc), expected);
    // The word times show under their line.
    EXPECT_TRUE(tool({QStringLiteral("show"), disc})
                    .out.contains(QStringLiteral("  001  00:10.00  00:30.00  first words\n"
                                                 "       words  <00:10.00>first <00:11.00>words\n")));
    // Exported, it shows the times the offset gave; what the tool wrote comes back from
    // an import and an export as it was.
    ASSERT_EQ(tool({QStringLiteral("export-lrc"), disc, QStringLiteral("2"), out}).status, 0);
    const QString second = out + QStringLiteral("/02 Interlude.lrc");
    const QByteArray once = read(second);
    EXPECT_EQ(once, QByteArray("\xEF\xBB\xBF[ti:Interlude]\r\n[ar:Sample Artist]\r\n[al:Sample Disc]\r\n"
                               "[00:09.88]<00:09.88>first <00:10.88>words\r\n[00:29.88]later\r\n"));
    ASSERT_EQ(tool({QStringLiteral("import-lrc"), disc, QStringLiteral("2"), second}).status, 0);
    ASSERT_EQ(tool({QStringLiteral("export-lrc"), disc, QStringLiteral("2"), out}).status, 0);
    EXPECT_EQ(read(second), once);

    // More than 127 lines: the first 127 are kept, and the user is told.
    QByteArray many;
    for (int k = 1; k <= 130; ++k)
        many += QStringLiteral("[%1:00.00]line %1\n").arg(k, 2, 10, QLatin1Char('0')).toUtf8();
    write(lrc, many);
    const Result cut = tool({QStringLiteral("import-lrc"), disc, QStringLiteral("2"), lrc});
    EXPECT_EQ(cut.status, 0);
    EXPECT_TRUE(cut.err.contains(QLatin1String("127"))) << cut.err.toStdString();
    EXPECT_TRUE(read(disc).contains("127=762000,768000,line 127\r\n"));
    EXPECT_FALSE(read(disc).contains("128="));

    // Lines it cannot use are told by number and reason; a line at 00:00.00 is put where
    // a data file holds a time, and bytes that are no text (in code page 932, nor in
    // Windows-1252, which leaves 0x81 unassigned) are told too.
    write(lrc, "[00:00.00]zero\n[1:00:05.50]an hour in\nno time here\n[chorus]\n[00:0x.00]bad\n[00:09.00]\x81\n");
    const Result told = tool({QStringLiteral("import-lrc"), disc, QStringLiteral("2"), lrc});
    EXPECT_EQ(told.status, 0) << told.err.toStdString();
    EXPECT_TRUE(read(disc).contains("001=1,900,zero\r\n")) << read(disc).toStdString();
    EXPECT_TRUE(read(disc).contains("=360550,599999,an hour in\r\n"));
    for (const char* note :
         {"1 line(s) at 00:00.00 were put at 00:00.01", "1 line(s) without a time were skipped (line 3)",
          "2 line(s) with a tag that is no time and no [name:value] were skipped (line 4, 5)",
          "1 byte(s) are not valid text"})
        EXPECT_TRUE(told.err.contains(lrc + QStringLiteral(": ") + QLatin1String(note))) << told.err.toStdString();

    // A file from an older Western editor: Windows-1252, as the program reads it.
    write(lrc, "[00:01.00]Caf\xE9 Noir\n");
    const Result western = tool({QStringLiteral("import-lrc"), disc, QStringLiteral("2"), lrc});
    EXPECT_EQ(western.status, 0) << western.err.toStdString();
    EXPECT_TRUE(read(disc).contains(QStringLiteral("001=100,599999,Café Noir").toUtf8())) << read(disc).toStdString();
    EXPECT_TRUE(western.err.contains(QStringLiteral("read as Windows-1252"))) << western.err.toStdString();
}

TEST_F(Tool, ExportThenImportGivesBackEveryStartAndEnd)
{
    // Ends shortly before the next start, a line at the first time a data file holds, a
    // line that runs into the next, and a last line that ends.
    write(data + QStringLiteral("Gaps.dat"), "[Info]\r\nTitle=Gaps\r\n\r\n[Title]\r\n01=Song\r\n\r\n"
                                             "[Words01]\r\nAdjust=0\r\n001=1,450,at once\r\n002=500,950,short gap\r\n"
                                             "003=1000,1500,no gap\r\n004=1500,2990,last\r\n\r\n");
    const QString file = data + QStringLiteral("Gaps.dat");
    const Result before = tool({QStringLiteral("show"), file});
    ASSERT_EQ(before.status, 0) << before.err.toStdString();
    const QString out = dir.filePath(QStringLiteral("out"));
    ASSERT_EQ(tool({QStringLiteral("export-lrc"), file, QStringLiteral("1"), out}).status, 0);
    const Result imported = tool(
        {QStringLiteral("import-lrc"), file, QStringLiteral("1"), out + QStringLiteral("/01 Song.lrc")});
    ASSERT_EQ(imported.status, 0) << imported.err.toStdString();
    EXPECT_EQ(imported.err, QString()) << "nothing to tell";
    EXPECT_EQ(tool({QStringLiteral("show"), file}).out, before.out);

    // A correction that would move lines to 00:00 or before keeps them apart as they are.
    const QString early = data + QStringLiteral("Early.dat");
    write(early, "[Info]\r\nTitle=Early\r\n\r\n[Title]\r\n01=Song\r\n\r\n"
                 "[Words01]\r\nAdjust=-50\r\n001=30,35,one\r\n002=40,45,two\r\n003=500,950,three\r\n\r\n");
    const Result shown = tool({QStringLiteral("show"), early});
    ASSERT_EQ(tool({QStringLiteral("export-lrc"), early, QStringLiteral("1"), out}).status, 0);
    ASSERT_EQ(
        tool({QStringLiteral("import-lrc"), early, QStringLiteral("1"), out + QStringLiteral("/01 Song.lrc")}).status,
        0);
    EXPECT_EQ(tool({QStringLiteral("show"), early}).out, shown.out);
}

TEST_F(Tool, TwoImportLoopsIntoOneDataFileKeepEveryImport)
{
    QByteArray titles = "[Info]\r\nTitle=Many\r\n\r\n[Title]\r\n";
    for (int t = 1; t <= 40; ++t) titles += QStringLiteral("%1=Song %1\r\n").arg(t, 2, 10, QLatin1Char('0')).toUtf8();
    const QString file = data + QStringLiteral("Many.dat");
    write(file, titles);
    // Each loop imports into tracks of its own, one run of the tool after the other.
    const auto loop = [&](int from) {
        QString script;
        for (int t = from; t <= 40; t += 2) {
            const QString lrc = dir.filePath(QStringLiteral("%1.lrc").arg(t));
            write(lrc, QStringLiteral("[00:0%1.00]line of track %2\n").arg(t % 10).arg(t).toUtf8());
            script += QStringLiteral("'%1' -i:'%2' import-lrc '%3' %4 '%5' || exit 1\n")
                          .arg(QStringLiteral(MIRELUNE_TOOL), ini, file)
                          .arg(t)
                          .arg(lrc);
        }
        auto* p = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* var : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "TMPDIR"})
            env.insert(QLatin1String(var), dir.path());
        p->setProcessEnvironment(env);
        p->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
        return p;
    };
    std::unique_ptr<QProcess> odd(loop(1)), even(loop(2));
    for (QProcess* p : {odd.get(), even.get()}) {
        ASSERT_TRUE(p->waitForFinished(120000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
    const Result shown = tool({QStringLiteral("show"), file});
    for (int t = 1; t <= 40; ++t)
        EXPECT_TRUE(shown.out.contains(QStringLiteral("line of track %1\n").arg(t))) << "track " << t;
}

TEST_F(Tool, Utf16DataFilesStaySoAndAFileTurnedIntoUtf8IsTold)
{
    const QString lrc = dir.filePath(QStringLiteral("song.lrc"));
    write(lrc, QStringLiteral("[00:01.00]노래\n").toUtf8());
    const QString wide = data + QStringLiteral("Wide.dat");
    QStringEncoder utf16(QStringEncoder::Utf16BE, QStringEncoder::Flag::WriteBom);
    write(wide, utf16.encode(QStringLiteral("[Info]\r\nTitle=幅\r\n\r\n[Title]\r\n01=一\r\n\r\n")));
    const Result intoWide = tool({QStringLiteral("import-lrc"), wide, QStringLiteral("1"), lrc});
    EXPECT_EQ(intoWide.status, 0) << intoWide.err.toStdString();
    EXPECT_FALSE(intoWide.err.contains(QLatin1String("UTF-8"))) << intoWide.err.toStdString();
    EXPECT_TRUE(read(wide).startsWith("\xFE\xFF"));
    EXPECT_TRUE(tool({QStringLiteral("show"), wide}).out.contains(QStringLiteral("노래")));

    const Result intoOld = tool({QStringLiteral("import-lrc"), disc, QStringLiteral("2"), lrc});
    EXPECT_EQ(intoOld.status, 0) << intoOld.err.toStdString();
    EXPECT_TRUE(intoOld.err.contains(QLatin1String("now saved as UTF-8"))) << intoOld.err.toStdString();
    EXPECT_TRUE(read(disc).startsWith("\xEF\xBB\xBF"));
}

TEST_F(Tool, AMissingSettingsFileAndOutputThatCannotBeWrittenAreFailures)
{
    QDir().mkpath(dir.filePath(QStringLiteral("conf.d")));
    for (const QString& settings :
         {dir.filePath(QStringLiteral("missing.ini")), dir.filePath(QStringLiteral("conf.d"))}) {
        const Result r = tool({QStringLiteral("show"), disc}, settings);
        EXPECT_EQ(r.status, 1) << settings.toStdString();
        EXPECT_TRUE(r.err.contains(settings)) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    // Without -i the program's own settings file may not be there yet.
    EXPECT_EQ(tool({QStringLiteral("show"), disc}, QString()).status, 0);

    if (!QFileInfo::exists(QStringLiteral("/dev/full"))) GTEST_SKIP() << "no /dev/full";
    for (const QStringList& args :
         {QStringList{QStringLiteral("show"), disc}, QStringList{QStringLiteral("--help")},
          QStringList{QStringLiteral("export-lrc"), disc, QStringLiteral("1"), dir.filePath("out")}}) {
        const Result full = tool(args, QStringLiteral("this"), 0, QStringLiteral("/dev/full"));
        EXPECT_EQ(full.status, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(full.err.contains(QLatin1String("cannot write the output"))) << full.err.toStdString();
    }
}

TEST_F(Tool, RefusesWhatItCannotDoAndWritesNothing)
{
    const QString lrc = dir.filePath(QStringLiteral("song.lrc"));
    write(lrc, "[00:01.00]x\r\n");
    const QString text = dir.filePath(QStringLiteral("plain.txt"));
    write(text, "just words\r\nno times\r\n");
    const QString sheet = dir.filePath(QStringLiteral("sheet.cue"));
    write(sheet, "FILE \"gone.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    const QString damaged = data + QStringLiteral("damaged.dat");
    write(damaged, QByteArray(kWorkedExample).replace("001=1530,1985,", "001=1530;1985;"));
    // Arguments in the wrong place name files that are no data files: never written over.
    const QString notes = dir.filePath(QStringLiteral("notes.txt"));
    write(notes, "milk\r\neggs\r\n");
    const QString binary = data + QStringLiteral("image.dat");
    write(binary, QByteArray("\x00\x01\x02 not a data file", 19));
    const QString readOnly = data + QStringLiteral("kept.dat");
    write(readOnly, kWorkedExample);
    const QString fifo = data + QStringLiteral("fifo.dat");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    const QString outside = dir.filePath(QStringLiteral("outside.dat"));
    write(outside, kWorkedExample);
    write(ini, read(ini) + "22222222=../outside\r\n");
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
    const QByteArray before = read(disc);
    const struct {
        QStringList args;
        const char* said;
    } refused[] = {
        {{"import-lrc", "Sample Disc", "3", lrc}, "lyrics of track 01"}, // a borrowing track
        {{"import-lrc", "Sample Disc", "4", lrc}, "no track 04"},
        {{"import-lrc", "Sample Disc", "2", text}, "no timed lyrics"},
        {{"import-lrc", "Sample Disc", "2", dir.filePath("none.lrc")}, "none.lrc"},
        {{"import-lrc", "Sample Disc", "2", dir.path()}, "it is a folder"}, // the message says why
        {{"import-lrc", readOnly, "2", lrc}, "the file is read-only"},
        {{"import-lrc", damaged, "2", lrc}, "damaged"},
        {{"import-lrc", notes, "1", lrc}, "no Mirelune data file"},
        {{"import-lrc", binary, "1", lrc}, "not a text file"},
        {{"import-lrc", fifo, "1", lrc}, "not a regular file"}, // never waited on
        {{"import-lrc", "Sample Disc", "1", fifo}, "not a regular file"},
        {{"show", "22222222"}, "leads out of the data folder"}, // as the program, the tool stays in it
        {{"import-lrc", "22222222", "1", lrc}, "leads out of the data folder"},
        {{"import-lrc", lrc, "1", dir.filePath("other.lrc")}, "no Mirelune data file"},
        {{"export-lrc", notes, "all", dir.filePath("out")}, "no Mirelune data file"},
        {{"show", damaged}, "damaged"},
        {{"export-lrc", "Sample Disc", "all", disc + "/out"}, "folder"},
        {{"id", dir.filePath("none.cue")}, "none.cue"},
        {{"id", dir.filePath("nowhere")}, "no such file or drive"}, // a mistyped path is no empty drive
        {{"id", dir.path()}, "it is a folder"},
        {{"id", sheet}, "its data file gone.wav is missing"}, // the tool speaks English throughout
    };
    for (const auto& r : refused) {
        const Result run = tool(r.args);
        EXPECT_EQ(run.status, 1) << r.args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(r.said))) << run.err.toStdString();
    }
    EXPECT_EQ(read(disc), before);
    EXPECT_TRUE(read(damaged).contains("001=1530;1985;"));
    EXPECT_EQ(read(notes), QByteArray("milk\r\neggs\r\n"));
    EXPECT_EQ(read(readOnly), kWorkedExample);
    EXPECT_EQ(read(outside), kWorkedExample);
    EXPECT_TRUE(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
    EXPECT_EQ(read(binary), QByteArray("\x00\x01\x02 not a data file", 19));
    EXPECT_EQ(read(lrc), QByteArray("[00:01.00]x\r\n"));
    QFile::setPermissions(ini, QFileDevice::WriteOwner);
    if (!QFile(ini).open(QIODevice::ReadOnly)) { // not when the tests run with every right
        const Result r = tool({QStringLiteral("show"), disc});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.contains(QLatin1String("settings file"))) << r.err.toStdString();
    }
}

TEST_F(Tool, AWriteThatFailsPartwayLeavesEveryFileAsItWasAndSaysWhy)
{
    const QString lrc = dir.filePath(QStringLiteral("song.lrc"));
    QByteArray many;
    for (int k = 1; k <= 60; ++k)
        many += QStringLiteral("[%1:00.00]a line of the song, number %1\n").arg(k, 2, 10, QLatin1Char('0')).toUtf8();
    write(lrc, many);
    const QString out = dir.filePath(QStringLiteral("out"));
    QDir().mkpath(out);
    const QString exported = out + QStringLiteral("/01 First Song.lrc");
    write(exported, "kept");
    const QByteArray before = read(disc);
    // The data file may grow by a few bytes only: the import's lines do not fit.
    const rlim_t limit = static_cast<rlim_t>(before.size()) + 16;
    const Result imported = tool({QStringLiteral("import-lrc"), disc, QStringLiteral("2"), lrc}, QStringLiteral("this"),
                                 limit);
    EXPECT_EQ(imported.status, 1);
    EXPECT_TRUE(imported.err.contains(QLatin1String("the file is larger than allowed"))) << imported.err.toStdString();
    EXPECT_EQ(read(disc), before);
    EXPECT_EQ(QDir(data).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Sample Disc.dat")});
    const Result exportedRun = tool({QStringLiteral("export-lrc"), disc, QStringLiteral("1"), out},
                                    QStringLiteral("this"), 40);
    EXPECT_EQ(exportedRun.status, 1);
    EXPECT_TRUE(exportedRun.err.contains(QLatin1String("the file is larger than allowed")))
        << exportedRun.err.toStdString();
    EXPECT_EQ(read(exported), "kept");
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("01 First Song.lrc")});

    // A disk that is really full, where the test may mount a small one.
    const QString small = dir.filePath(QStringLiteral("small"));
    QDir().mkpath(small);
    if (geteuid() != 0 || mount("tmpfs", QFile::encodeName(small).constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here; the file size limit above stands for a full disk";
    const QString full = small + QStringLiteral("/Sample Disc.dat");
    write(full, before);
    QFile filler(small + QStringLiteral("/filler"));
    if (filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const QByteArray block(512, 'f');
        while (filler.write(block) == block.size()) {
        }
        filler.close();
    }
    const Result onFull = tool({QStringLiteral("import-lrc"), full, QStringLiteral("2"), lrc});
    EXPECT_EQ(onFull.status, 1);
    EXPECT_TRUE(onFull.err.contains(QLatin1String("no space left on the device"))) << onFull.err.toStdString();
    EXPECT_EQ(read(full), before);
    umount(QFile::encodeName(small).constData());
}

TEST_F(Tool, IdentifiesTheDemoDiscAsTheProgramDoes)
{
    // The demo's settings file registers the disc under the identifier the program
    // computed from the image.
    const QString demo = QStringLiteral(MIRELUNE_BINARY_DIR "/demo/");
    const Result r = tool({QStringLiteral("id"), demo + QStringLiteral("demo.cue")},
                          demo + QStringLiteral("Mirelune.ini"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString settings = QString::fromUtf8(read(demo + QStringLiteral("Mirelune.ini")));
    const qsizetype at = settings.indexOf(QLatin1String("=demo"));
    ASSERT_GE(at, 8);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Disc ID: ") + settings.mid(at - 8, 8) + '\n')) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Data file: ") + demo + QStringLiteral("demo.dat\n")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("Tracks: 3, ")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("01  audio  00:02.00  ")));
    // The same disc ripped to FLAC with a cue sheet: the same identifier, data file and tracks.
    const Result flac = tool({QStringLiteral("id"), demo + QStringLiteral("demo-flac.cue")},
                             demo + QStringLiteral("Mirelune.ini"));
    EXPECT_EQ(flac.status, 0) << flac.err.toStdString();
    EXPECT_EQ(flac.out, r.out);
    // Its sheet as some Windows rippers write it (UTF-16 with a byte-order mark), and as
    // others do (FILE without a type): the same disc.
    ASSERT_TRUE(QFile::link(demo + QStringLiteral("demo.flac"), dir.filePath(QStringLiteral("demo.flac"))));
    const QString sheet = QString::fromUtf8(read(demo + QStringLiteral("demo-flac.cue")));
    ASSERT_TRUE(sheet.contains(QLatin1String("\"demo.flac\" WAVE")));
    QStringEncoder utf16(QStringConverter::Utf16LE);
    write(dir.filePath(QStringLiteral("utf16.cue")), "\xFF\xFE" + QByteArray(utf16.encode(sheet)));
    write(dir.filePath(QStringLiteral("typeless.cue")), QString(sheet).remove(QStringLiteral(" WAVE")).toUtf8());
    for (const char* name : {"utf16.cue", "typeless.cue"}) {
        const Result twin = tool({QStringLiteral("id"), dir.filePath(QLatin1String(name))},
                                 demo + QStringLiteral("Mirelune.ini"));
        EXPECT_EQ(twin.status, 0) << name << ": " << twin.err.toStdString();
        EXPECT_EQ(twin.out, r.out) << name;
    }
    // The rip cut short (a failed copy): no table of tracks that would play silence, but
    // exit 1 naming the file and what it lacks.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("cut")));
    const QString cutFlac = dir.filePath(QStringLiteral("cut/demo.flac"));
    const QByteArray whole = read(demo + QStringLiteral("demo.flac"));
    write(cutFlac, whole.left(whole.size() * 6 / 10));
    write(dir.filePath(QStringLiteral("cut/demo-flac.cue")), sheet.toUtf8());
    const Result cut = tool({QStringLiteral("id"), dir.filePath(QStringLiteral("cut/demo-flac.cue"))},
                            demo + QStringLiteral("Mirelune.ini"));
    EXPECT_EQ(cut.status, 1);
    EXPECT_TRUE(cut.out.isEmpty()) << cut.out.toStdString();
    EXPECT_TRUE(cut.err.contains(cutFlac + QStringLiteral(" is cut short or damaged")) &&
                cut.err.contains(QLatin1String("cannot be played")))
        << cut.err.toStdString();
    EXPECT_EQ(cut.err.count(dir.filePath(QStringLiteral("cut/demo-flac.cue"))), 1) << "the sheet named once";

    // A sheet of more than 99 tracks plays its first 99 and says the rest were cut.
    QByteArray many = "FILE \"many.bin\" BINARY\n";
    for (int t = 1; t <= 101; ++t)
        many += QStringLiteral("TRACK %1 AUDIO\nINDEX 01 00:%2:%3\n")
                    .arg(t)
                    .arg(t * 4 / 75, 2, 10, QLatin1Char('0'))
                    .arg(t * 4 % 75, 2, 10, QLatin1Char('0'))
                    .toUtf8();
    write(dir.filePath(QStringLiteral("many.bin")), QByteArray(110 * 4 * 2352, '\0'));
    write(dir.filePath(QStringLiteral("many.cue")), many);
    const Result tooMany = tool({QStringLiteral("id"), dir.filePath(QStringLiteral("many.cue"))});
    EXPECT_EQ(tooMany.status, 0) << tooMany.err.toStdString();
    EXPECT_TRUE(tooMany.out.contains(QLatin1String("Tracks: 99,"))) << tooMany.out.toStdString();
    EXPECT_TRUE(tooMany.err.contains(QLatin1String("names 2 track(s) after the 99th"))) << tooMany.err.toStdString();
}

} // namespace
