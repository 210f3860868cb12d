// The HTTP client against a server of the test's own on 127.0.0.1: the User-Agent, the
// spacing of requests, the cache, and what a late, huge or failed answer gives; and the
// disc id of the demo disc, opened as the program opens it.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <map>

#include "core/online/MusicBrainzId.h"
#include "device/DiscDevice.h"
#include "device/WebClient.h"

namespace {

// A tiny HTTP/1.1 server: one canned answer per path, every request recorded.
class TestServer : public QObject {
public:
    struct Reply {
        int status = 200;
        QByteArray body;
        bool silent = false; // never answers
    };
    struct Request {
        QString path;
        QByteArray userAgent;
        qint64 at = 0;
    };
    std::map<QString, Reply> replies;
    std::vector<Request> requests;

    TestServer()
    {
        clock.start();
        server.listen(QHostAddress::LocalHost, 0);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                auto* buffer = new QByteArray;
                connect(s, &QTcpSocket::disconnected, s, [s, buffer] {
                    delete buffer;
                    s->deleteLater();
                });
                connect(s, &QTcpSocket::readyRead, s, [this, s, buffer] {
                    *buffer += s->readAll();
                    if (!buffer->contains("\r\n\r\n")) return;
                    answer(s, *buffer);
                    buffer->clear();
                });
            }
        });
    }
    QString Base() const { return QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort()); }

private:
    void answer(QTcpSocket* s, const QByteArray& head)
    {
        const QList<QByteArray> lines = head.split('\n');
        Request r;
        r.path = QUrl(QString::fromLatin1(lines[0].split(' ').value(1))).path();
        r.at = clock.elapsed();
        for (const QByteArray& line : lines)
            if (line.toLower().startsWith("user-agent:")) r.userAgent = line.mid(11).trimmed();
        requests.push_back(r);
        const Reply reply = replies.count(r.path) ? replies[r.path] : Reply{404, R"({"error":"Not Found"})"};
        if (reply.silent) return;
        s->write("HTTP/1.1 " + QByteArray::number(reply.status) + " X\r\nContent-Type: application/json\r\n" +
                 "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n\r\n" + reply.body);
    }

    QTcpServer server;
    QElapsedTimer clock;
};

// Runs the client's Get to its end.
WebAnswer Fetch(WebClient& web, const QString& url, int spacing = 0)
{
    WebAnswer answer;
    bool done = false;
    QEventLoop loop;
    web.Get(QUrl(url), spacing, [&](const WebAnswer& a) {
        answer = a;
        done = true;
        loop.quit();
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    if (!done) loop.exec();
    EXPECT_TRUE(done) << url.toStdString();
    return answer;
}

TEST(WebClient, NamesItselfKeepsAnswersAWeekAndSpacesRequests)
{
    QTemporaryDir cache;
    TestServer server;
    server.replies[QStringLiteral("/found")] = {200, R"({"ok":true})"};
    WebClient web(cache.path());

    WebAnswer a = Fetch(web, server.Base() + "/found?x=1");
    EXPECT_EQ(a.Status, 200);
    EXPECT_EQ(a.Body, QByteArray(R"({"ok":true})"));
    EXPECT_FALSE(a.FromCache);
    ASSERT_EQ(server.requests.size(), 1u);
    EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^Mirelune/\d+\.\d+(\.\d+)? \( \S+ \)$)"))
                    .match(QString::fromLatin1(server.requests[0].userAgent))
                    .hasMatch())
        << server.requests[0].userAgent.constData();

    // Asked again: from the cache, nothing sent; 404 is kept too, other statuses are not.
    a = Fetch(web, server.Base() + "/found?x=1");
    EXPECT_EQ(a.Status, 200);
    EXPECT_TRUE(a.FromCache);
    EXPECT_EQ(server.requests.size(), 1u);
    EXPECT_EQ(Fetch(web, server.Base() + "/missing").Status, 404);
    EXPECT_EQ(Fetch(web, server.Base() + "/missing").Status, 404);
    EXPECT_EQ(server.requests.size(), 2u);
    server.replies[QStringLiteral("/busy")] = {503, "busy"};
    EXPECT_EQ(Fetch(web, server.Base() + "/busy").Status, 503);
    EXPECT_EQ(Fetch(web, server.Base() + "/busy").Status, 503);
    EXPECT_EQ(server.requests.size(), 4u);
    // Another request is another key.
    Fetch(web, server.Base() + "/found?x=2");
    EXPECT_EQ(server.requests.size(), 5u);

    // A week later the cache is old and the service is asked again.
    for (const QFileInfo& f : QDir(cache.path()).entryInfoList(QDir::Files)) {
        QFile file(f.filePath());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime::currentDateTime().addDays(-8), QFileDevice::FileModificationTime);
    }
    EXPECT_FALSE(Fetch(web, server.Base() + "/found?x=1").FromCache);
    EXPECT_EQ(server.requests.size(), 6u);

    // Three requests at once to a service that wants a second between them.
    server.requests.clear();
    int answered = 0;
    QEventLoop loop;
    for (int i = 0; i < 3; ++i)
        web.Get(QUrl(server.Base() + QStringLiteral("/spaced%1").arg(i)), 1000, [&](const WebAnswer&) {
            if (++answered == 3) loop.quit();
        });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_EQ(server.requests.size(), 3u);
    // (As they arrive: a loaded machine may hold one back on its way more than the next.)
    EXPECT_GE(server.requests[1].at - server.requests[0].at, 800);
    EXPECT_GE(server.requests[2].at - server.requests[1].at, 800);
}

TEST(WebClient, LateHugeAndRefusedAnswersAreTold)
{
    QTemporaryDir cache;
    TestServer server;
    WebClient web(cache.path());
    web.TimeoutMs = 500;
    web.MaxBytes = 1000;
    server.replies[QStringLiteral("/late")] = {200, "", true};
    server.replies[QStringLiteral("/huge")] = {200, QByteArray(5000, 'x')};

    WebAnswer a = Fetch(web, server.Base() + "/late");
    EXPECT_EQ(a.Status, 0);
    EXPECT_TRUE(a.Error.contains(QLatin1String("no answer within"))) << a.Error.toStdString();
    a = Fetch(web, server.Base() + "/huge");
    EXPECT_EQ(a.Status, 0);
    EXPECT_TRUE(a.Error.contains(QLatin1String("larger than 1000"))) << a.Error.toStdString();
    EXPECT_TRUE(a.Body.isEmpty());
    // Nothing of either was kept.
    EXPECT_TRUE(QDir(cache.path()).entryList(QDir::Files).isEmpty());

    // A port nobody listens on.
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost, 0);
    const quint16 port = closed.serverPort();
    closed.close();
    a = Fetch(web, QStringLiteral("http://127.0.0.1:%1/x").arg(port));
    EXPECT_EQ(a.Status, 0);
    EXPECT_FALSE(a.Error.isEmpty());
}

#ifdef MIRELUNE_BINARY_DIR
void CheckDemoDiscId(const QString& sheet);

// The demo disc's id by libdiscid through the device, and by hand from its cue sheet:
// tracks at 00:00:00, 00:20:00 and 00:44:00 of a 4950-frame image, behind the lead-in.
TEST(DemoDisc, IdOfTheTitlesServiceFromItsTableOfContents)
{
    // The image and its rip to FLAC are the same CD.
    for (const char* sheet : {"/demo/demo.cue", "/demo/demo-flac.cue"}) {
        SCOPED_TRACE(sheet);
        CheckDemoDiscId(QStringLiteral(MIRELUNE_BINARY_DIR) + QLatin1String(sheet));
    }
}

void CheckDemoDiscId(const QString& sheet)
{
    DiscDevice device;
    ASSERT_TRUE(device.Open(sheet));
    for (int i = 0; i < 200 && device.TrackCount() == 0; ++i) {
        device.Mode();
        QThread::msleep(10);
    }
    ASSERT_EQ(device.TrackCount(), 3);
    const MusicBrainzToc toc = MusicBrainzTocOf(device);
    EXPECT_EQ(toc.Offsets, (std::vector<int32_t>{150, 150 + 20 * 75, 150 + 44 * 75}));
    const qint64 frames = QFileInfo(QStringLiteral(MIRELUNE_BINARY_DIR "/demo/demo.bin")).size() / 2352;
    EXPECT_EQ(toc.LeadOut, 150 + frames);

    QByteArray text = "0103" + QByteArray::number(150 + frames, 16).toUpper().rightJustified(8, '0');
    for (int t = 1; t <= 99; ++t)
        text += QByteArray::number(t <= 3 ? toc.Offsets[t - 1] : 0, 16).toUpper().rightJustified(8, '0');
    QByteArray id = QCryptographicHash::hash(text, QCryptographicHash::Sha1).toBase64();
    id.replace('+', '.').replace('/', '_').replace('=', '-');
    EXPECT_EQ(MusicBrainzDiscId(toc), QString::fromLatin1(id));
    device.Close();
}
#endif

} // namespace
