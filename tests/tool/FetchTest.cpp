// mirelune-tool's look-ups on the demo disc against the services in small (a server of the
// test's own on 127.0.0.1): what fetch-titles and fetch-lyrics fill, say and send, and what
// each failure leaves.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "core/online/MusicBrainzId.h"

namespace {

struct Result {
    int status;
    QString out, err;
};

QJsonObject Record(const QString& track, const QString& artist, double duration, const QString& synced,
                   const QString& plain)
{
    return {{"id", 1},
            {"trackName", track},
            {"artistName", artist},
            {"albumName", "夜の歌"},
            {"duration", duration},
            {"instrumental", false},
            {"plainLyrics", plain.isNull() ? QJsonValue() : QJsonValue(plain)},
            {"syncedLyrics", synced.isNull() ? QJsonValue() : QJsonValue(synced)}};
}

class Fetch : public ::testing::Test {
protected:
    Fetch()
    {
        data = dir.filePath(QStringLiteral("data/"));
        services = dir.filePath(QStringLiteral("services/"));
        QDir().mkpath(data);
        QDir().mkpath(services + QStringLiteral("discid"));
        cue = QStringLiteral(MIRELUNE_BINARY_DIR "/demo/demo.cue");
        // The demo disc: tracks at 0, 20 and 44 s of a 66-second image.
        MusicBrainzToc toc;
        toc.First = 1;
        toc.Last = 3;
        toc.Offsets = {150, 1650, 3450};
        toc.LeadOut = 5100;
        discId = MusicBrainzDiscId(toc);
        datafile = data + QStringLiteral("demo.dat");
        write(datafile,
              "[Mirelune]\r\nVersion=151A\r\n\r\n[Info]\r\nTitle=demo\r\nArtist=\r\nPlayTime=0\r\nPlayType=0\r\n"
              "\r\n[Title]\r\n01=\r\n02=Typed\r\n03=\r\n");

        server.setProgram(QStringLiteral("python3"));
        server.setArguments({QStringLiteral(MIRELUNE_SOURCE_DIR "/tests/support/fake-services.py"), services,
                             dir.filePath(QStringLiteral("port")), dir.filePath(QStringLiteral("requests.log"))});
        server.start();
        for (int i = 0; i < 500 && !QFile::exists(dir.filePath(QStringLiteral("port"))); ++i) QThread::msleep(10);
        const QString base = QStringLiteral("http://127.0.0.1:") + QString::fromUtf8(read(dir.filePath("port")));
        writeSettings(base, true);
    }
    ~Fetch() override
    {
        server.terminate();
        server.waitForFinished(5000);
    }

    void writeSettings(const QString& base, bool lookUps)
    {
        write(dir.filePath(QStringLiteral("Mirelune.ini")),
              "[Settings]\r\nWordsPath=" + data.toUtf8() +
                  "\r\n[WordsFile]\r\nB766BA16=demo\r\n[Online]\r\nLookUps=" + (lookUps ? "1" : "0") +
                  "\r\nTitlesServer=" + base.toUtf8() + "\r\nLyricsServer=" + base.toUtf8() + "/\r\n");
    }
    void serveTitles(int tracks)
    {
        QJsonArray list;
        for (int t = 1; t <= tracks; ++t)
            list.append(QJsonObject{{"position", t}, {"title", QStringLiteral("曲 %1").arg(t)}});
        const QJsonObject medium{{"position", 1}, {"discs", QJsonArray{QJsonObject{{"id", discId}}}}, {"tracks", list}};
        const QJsonObject first{{"title", "夜の歌"},
                                {"date", "2021"},
                                {"country", "JP"},
                                {"artist-credit", QJsonArray{QJsonObject{{"name", "ミレルーン"}, {"joinphrase", ""}}}},
                                {"media", QJsonArray{medium}}};
        const QJsonObject second{{"title", "Night Songs"}, {"media", QJsonArray{medium}}};
        write(services + "discid/" + discId + ".json",
              QJsonDocument(QJsonObject{{"id", discId}, {"releases", QJsonArray{first, second}}}).toJson());
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
    QStringList requests() const
    {
        return QString::fromUtf8(read(dir.filePath(QStringLiteral("requests.log")))).split('\n', Qt::SkipEmptyParts);
    }

    Result tool(QStringList args)
    {
        args.prepend(QStringLiteral("-i:") + dir.filePath(QStringLiteral("Mirelune.ini")));
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* var :
             {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR", "TMPDIR"})
            env.insert(QLatin1String(var), dir.path());
        env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + dir.filePath(QStringLiteral("none")));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(MIRELUNE_TOOL), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }

    QTemporaryDir dir;
    QProcess server;
    QString data, services, cue, discId, datafile;
};

TEST_F(Fetch, TitlesAndTimedLyricsOfTheDemoDiscFromTheServices)
{
    serveTitles(3);
    Result r = tool({QStringLiteral("fetch-titles"), cue});
    ASSERT_EQ(r.status, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Release: 夜の歌 / ミレルーン / 2021 / JP"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Night Songs"))) << "the other release is listed";
    EXPECT_TRUE(r.out.contains(QStringLiteral("Filled track 01: 曲 1")));
    EXPECT_FALSE(r.out.contains(QStringLiteral("Filled track 02"))) << "a typed title stays";
    EXPECT_FALSE(r.out.contains(QStringLiteral("Filled title"))) << "the disc title was there";

    write(services + "lrclib.json",
          QJsonDocument(QJsonArray{// Track 1 through get: its title, the disc's artist, its length.
                                   Record("曲 1", "ミレルーン", 20, "[00:01.00]一行目\n[00:03.50]二行目\n[00:06.00]\n",
                                          "一行目\n二行目"),
                                   // Track 2 only through search: another spelling of the artist.
                                   Record("Typed", "Mirelune", 23.2, QString(), "歌詞だけ\n時刻なし"),
                                   // Track 3 is 22 s long: a record of 30 s is another song.
                                   Record("曲 3", "ミレルーン", 30, "[00:01.00]違う曲", QString())})
              .toJson());
    r = tool({QStringLiteral("fetch-lyrics"), cue, QStringLiteral("all")});
    ASSERT_EQ(r.status, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Track 01: 2 timed lines"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Track 02: 2 lines without times"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Track 03: nothing found"))) << r.out.toStdString();

    r = tool({QStringLiteral("show"), datafile});
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("Artist: ミレルーン"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("01: 曲 1")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("001  00:01.00  00:03.50  一行目"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("002  00:03.50  00:06.00  二行目")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("002  --:--.--  --:--.--  時刻なし")));

    // Every request named the program; a second run asks nothing it asked before.
    const QStringList sent = requests();
    ASSERT_GE(sent.size(), 5);
    for (const QString& line : sent)
        EXPECT_TRUE(line.contains(QRegularExpression(QStringLiteral("\tMirelune/\\d+\\.\\d+\\.\\d+ \\( .+ \\)$"))))
            << line.toStdString();
    EXPECT_TRUE(
        sent[0].startsWith(QStringLiteral("/ws/2/discid/") + discId + "?inc=recordings+artist-credits&fmt=json"));
    r = tool({QStringLiteral("fetch-lyrics"), cue, QStringLiteral("1"), QStringLiteral("--replace")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(requests().size(), sent.size());
    // Without --replace a track with lyrics is left alone and nothing is sent for it.
    r = tool({QStringLiteral("fetch-lyrics"), cue, QStringLiteral("1")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.contains(QStringLiteral("Track 01: has lyrics"))) << r.out.toStdString();
}

TEST_F(Fetch, FailuresSayWhyAndWriteNothing)
{
    write(datafile, "[Info]\r\nTitle=demo\r\n[Title]\r\n01=a\r\n02=b\r\n03=c\r\n");
    const QByteArray before = read(datafile);
    // The service busy: said once, asked once.
    write(services + "status", "503");
    const int asked = 0;
    Result r = tool({QStringLiteral("fetch-titles"), cue});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("busy"))) << r.err.toStdString();
    EXPECT_EQ(requests().size(), asked + 1);
    r = tool({QStringLiteral("fetch-lyrics"), cue, QStringLiteral("all")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("busy"))) << r.err.toStdString();
    EXPECT_EQ(requests().size(), asked + 2) << "the remaining tracks are not asked";
    QFile::remove(services + "status");
    // Releases of another track count.
    serveTitles(4);
    r = tool({QStringLiteral("fetch-titles"), cue});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.contains(QStringLiteral("number of tracks"))) << r.out.toStdString();
    EXPECT_EQ(read(datafile), before);

    // No server at all.
    writeSettings(QStringLiteral("http://127.0.0.1:9"), true);
    r = tool({QStringLiteral("fetch-titles"), cue});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("could not be asked"))) << r.err.toStdString();
    // Look-ups turned off: nothing sent.
    writeSettings(QStringLiteral("http://127.0.0.1:1"), false);
    r = tool({QStringLiteral("fetch-lyrics"), cue, QStringLiteral("all")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("turned off"))) << r.err.toStdString();
    EXPECT_EQ(read(datafile), before);

    // An unregistered disc, and wrong usage.
    write(dir.filePath(QStringLiteral("Mirelune.ini")), "[Settings]\r\nWordsPath=" + data.toUtf8() + "\r\n");
    r = tool({QStringLiteral("fetch-titles"), cue});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("not registered"))) << r.err.toStdString();
    EXPECT_EQ(tool({QStringLiteral("fetch-lyrics"), cue, QStringLiteral("first")}).status, 2);
    EXPECT_EQ(tool({QStringLiteral("fetch-titles")}).status, 2);
    EXPECT_EQ(read(datafile), before);
}

} // namespace
