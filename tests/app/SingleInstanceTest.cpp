// One Mirelune per user, whatever the timing: starts made at the same moment (processes
// of this very program, each claiming once), and a first one killed without a chance to
// clean up.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

#include "ui/app/SingleInstance.h"

namespace {
const char* const kClaimEnv = "MIRELUNE_TEST_CLAIM";      // the socket name a child claims
const char* const kClaimAtEnv = "MIRELUNE_TEST_CLAIM_AT"; // when, in ms since the epoch

// Run as a child: claims at the agreed moment, says "owner" or "other", and the owner
// holds on until it is killed.
TEST(SingleInstanceChild, ClaimsOnce)
{
    const QString name = qEnvironmentVariable(kClaimEnv);
    if (name.isEmpty()) GTEST_SKIP() << "run by SingleInstances.* as a child process";
    const qint64 at = qEnvironmentVariable(kClaimAtEnv).toLongLong();
    while (QDateTime::currentMSecsSinceEpoch() < at) QThread::usleep(200);
    SingleInstance instance;
    const bool owner = instance.Claim(name, 3000);
    std::printf("%s\n", owner ? "owner" : "other");
    std::fflush(stdout);
    if (owner) QThread::sleep(120);
}

class SingleInstances : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    ~SingleInstances() override
    {
        for (QProcess* p : children) {
            p->kill();
            p->waitForFinished(5000);
            delete p;
        }
    }

    QProcess* startChild(qint64 at)
    {
        auto* p = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QLatin1String(kClaimEnv), name);
        env.insert(QLatin1String(kClaimAtEnv), QString::number(at));
        p->setProcessEnvironment(env);
        p->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--gtest_filter=SingleInstanceChild.ClaimsOnce"), QStringLiteral("--gtest_brief=1")});
        children << p;
        return p;
    }

    // What the child said; empty while it has said nothing.
    static QString said(QProcess* p)
    {
        const QString out = QString::fromUtf8(p->readAllStandardOutput());
        return out.contains(QLatin1String("owner"))   ? QStringLiteral("owner")
               : out.contains(QLatin1String("other")) ? QStringLiteral("other")
                                                      : QString();
    }

    QTemporaryDir dir;
    QString name = dir.filePath(QStringLiteral("Mirelune"));
    QList<QProcess*> children;
};

TEST_F(SingleInstances, OfManyStartsAtOnceExactlyOneRunsAndOneKilledLeavesTheClaimToTheNext)
{
    constexpr int kStarts = 8;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        for (QProcess* p : children) {
            p->kill();
            p->waitForFinished(5000);
            delete p;
        }
        children.clear();
        const qint64 at = QDateTime::currentMSecsSinceEpoch() + 1500;
        for (int i = 0; i < kStarts; ++i) startChild(at);
        QStringList answers(kStarts);
        QProcess* owner = nullptr;
        QElapsedTimer waited;
        waited.start();
        while (answers.contains(QString()) && waited.elapsed() < 30000) {
            for (int i = 0; i < kStarts; ++i) {
                if (!answers[i].isEmpty()) continue;
                children[i]->waitForReadyRead(20);
                answers[i] = said(children[i]);
                if (answers[i] == QLatin1String("owner")) owner = children[i];
            }
        }
        ASSERT_FALSE(answers.contains(QString())) << answers.join(' ').toStdString();
        EXPECT_EQ(answers.count(QStringLiteral("owner")), 1) << answers.join(' ').toStdString();
        ASSERT_NE(owner, nullptr);
        // The others have ended; the owner runs on.
        for (QProcess* p : children) {
            if (p != owner) EXPECT_TRUE(p->waitForFinished(5000));
        }
        EXPECT_EQ(owner->state(), QProcess::Running);

        // Killed, it leaves its socket file and its lock file behind; the next start
        // takes both over, and a start after it finds it.
        owner->kill();
        ASSERT_TRUE(owner->waitForFinished(5000));
        ASSERT_TRUE(QFileInfo::exists(name)) << "the killed instance left no socket";
        SingleInstance next;
        ASSERT_TRUE(next.Claim(name, 3000));
        int shown = 0;
        QObject::connect(&next, &SingleInstance::ShowRequested, [&] { ++shown; });
        SingleInstance later;
        EXPECT_FALSE(later.Claim(name, 3000));
        QElapsedTimer t;
        t.start();
        while (shown == 0 && t.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_EQ(shown, 1) << "the second start did not reach the first";
    }
}

} // namespace
