// The one save every file goes through, with writes that really fail partway: a file
// size limit (as a full disk, the write stops in the middle) makes the kernel refuse the
// rest of the bytes.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

#include "core/common/Error.h"
#include "core/common/SafeSave.h"

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

// Files larger than limit bytes cannot be written while it lives; writes beyond it fail
// with EFBIG instead of ending the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        getrlimit(RLIMIT_FSIZE, &old);
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit now = old;
        now.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &now);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }

private:
    rlimit old{};
    void (*oldHandler)(int) = nullptr;
};

} // namespace

TEST(SafeSave, AWriteThatFailsPartwayLeavesTheOldFileAsItWasAndSaysWhy)
{
    SetEnglishReasons(true);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.dat"));
    ASSERT_TRUE(SaveFileWhole(path, "old text\r\n"));
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0640), 0);
    const QByteArray big(200 * 1024, 'x');
    {
        FileSizeLimit limit(64 * 1024);
        QString reason;
        EXPECT_FALSE(SaveFileWhole(path, big, &reason));
        EXPECT_EQ(reason, QStringLiteral("the file is larger than allowed"));
        EXPECT_EQ(readAll(path), "old text\r\n");
        // Appending past the limit: the part that was written is taken back.
        EXPECT_FALSE(AppendToFile(path, big, &reason));
        EXPECT_EQ(readAll(path), "old text\r\n");
        // What fits is still written.
        EXPECT_TRUE(AppendToFile(path, "more\r\n", &reason));
        EXPECT_TRUE(SaveFileWhole(path, "new text\r\n", &reason));
    }
    EXPECT_EQ(readAll(path), "new text\r\n");
    // The new file took the old one's permissions, and nothing was left beside it.
    EXPECT_EQ(QFile::permissions(path),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("a.dat")});

    // A link is followed and stays a link; a folder, a missing folder and a read-only file
    // are refused with their reasons.
    const QString link = dir.filePath(QStringLiteral("link.dat"));
    ASSERT_TRUE(QFile::link(path, link));
    EXPECT_TRUE(SaveFileWhole(link, "through the link"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readAll(path), "through the link");
    QString reason;
    EXPECT_FALSE(SaveFileWhole(dir.path(), "x", &reason));
    EXPECT_EQ(reason, QStringLiteral("it is a folder"));
    EXPECT_FALSE(SaveFileWhole(dir.filePath(QStringLiteral("none/b.dat")), "x", &reason));
    EXPECT_EQ(reason, QStringLiteral("its folder does not exist"));
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0444), 0);
    EXPECT_FALSE(SaveFileWhole(path, "x", &reason));
    EXPECT_EQ(reason, QStringLiteral("the file is read-only"));
    EXPECT_EQ(readAll(path), "through the link");
    SetEnglishReasons(false);
}

TEST(SafeSave, OnlyFilesWrittenBeforeTheAgeLeaveTheFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto make = [&](const QString& name, int daysOld) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(SaveFileWhole(path, "x"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadWrite));
        EXPECT_TRUE(f.setFileTime(QDateTime::currentDateTime().addDays(-daysOld), QFileDevice::FileModificationTime));
    };
    make(QStringLiteral("old"), 8);
    make(QStringLiteral(".old-hidden"), 30);
    make(QStringLiteral("recent"), 6);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    make(QStringLiteral("sub/old-inside"), 30);
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("sub/old-inside")), dir.filePath(QStringLiteral("link"))));

    EXPECT_EQ(RemoveFilesOlderThan(dir.path(), 7), 2);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("old"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral(".old-hidden"))));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("recent"))));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("sub/old-inside"))));
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("link"))).isSymLink());
    EXPECT_EQ(RemoveFilesOlderThan(dir.filePath(QStringLiteral("missing")), 7), 0);
}
