// The one save every file goes through, with writes that really fail partway: a file
// size limit (as a full disk, the write stops in the middle) makes the kernel refuse the
// rest of the bytes.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <csignal>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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

// Runs body in a child process and gives its wait status: what a signal or a changed user
// does stays out of the test's own process.
template <class Body> int inChild(Body body)
{
    const pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

// Makes this process subject to file permissions even when it runs as root.
bool obeyPermissions()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2]{};
    if (syscall(SYS_capget, &header, caps) != 0) return false;
    caps[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    return syscall(SYS_capset, &header, caps) == 0;
}

QStringList filesIn(const QString& folder) { return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System); }

} // namespace

TEST(SafeSave, WithoutRoomForANewFileBesideItTheFileIsNeverRewrittenInPlace)
{
    SetEnglishReasons(true);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("shut"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString path = folder + QStringLiteral("/a.dat");
    ASSERT_TRUE(SaveFileWhole(path, "old\r\n"));
    // A folder the user may not write in, holding a file the user may write (root too, once
    // it has given up its right to pass over permissions).
    ASSERT_EQ(chmod(QFile::encodeName(folder).constData(), 0555), 0);
    const int status = inChild([&] {
        if (!obeyPermissions()) return 5;
        QString reason;
        const bool saved = SaveFileWhole(path, "new\r\n", &reason);
        return !saved && reason.startsWith(QStringLiteral("no temporary file can be made beside it")) ? 3 : 4;
    });
    chmod(QFile::encodeName(folder).constData(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(readAll(path), "old\r\n");
    SetEnglishReasons(false);
}

TEST(SafeSave, AnUpdateIsOneStepAgainstOtherWriters)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("count"));
    // Two writers adding one each time: under the lock no update is lost, and no writer
    // works on the file while the other does.
    std::atomic<int> inside{0};
    std::atomic<bool> together{false};
    const auto add = [&](const FileRead& now, QByteArray* bytes, QString*) {
        if (++inside > 1) together = true;
        std::this_thread::yield();
        *bytes = QByteArray::number(now.bytes.toInt() + 1);
        --inside;
        return true;
    };
    const auto writer = [&] {
        for (int i = 0; i < 200; ++i) EXPECT_TRUE(UpdateFileWhole(path, 100, add));
    };
    std::thread a(writer), b(writer);
    a.join();
    b.join();
    EXPECT_FALSE(together);
    EXPECT_EQ(readAll(path), "400");

    // A writer that takes no lock (an editor) changes the file between the read and the
    // rename: the change is read and applied again over it, whether the editor wrote the
    // file in place or put a new one there.
    for (const bool inPlace : {true, false}) {
        ASSERT_TRUE(SaveFileWhole(path, "a"));
        int runs = 0;
        const bool updated = UpdateFileWhole(path, 100, [&](const FileRead& now, QByteArray* bytes, QString*) {
            if (++runs == 1) {
                if (inPlace) {
                    QFile f(path);
                    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
                    f.write("a+editor");
                } else {
                    EXPECT_TRUE(SaveFileWhole(path, "a+editor"));
                }
            }
            *bytes = now.bytes + "+mine";
            return true;
        });
        EXPECT_TRUE(updated);
        EXPECT_EQ(runs, 2) << inPlace;
        EXPECT_EQ(readAll(path), "a+editor+mine") << inPlace;
    }
    EXPECT_EQ(filesIn(dir.path()), QStringList{QStringLiteral("count")});
}

TEST(SafeSave, AFifoIsNeitherWaitedOnNorWrittenIntoNorReplaced)
{
    SetEnglishReasons(true);
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo.log"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    QString reason;
    EXPECT_FALSE(SaveFileWhole(fifo, "x", &reason));
    EXPECT_TRUE(reason.startsWith(QStringLiteral("it is not a regular file"))) << reason.toStdString();
    EXPECT_FALSE(AppendToFile(fifo, "x", &reason));
    EXPECT_TRUE(reason.startsWith(QStringLiteral("it is not a regular file"))) << reason.toStdString();
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    SetEnglishReasons(false);
}

TEST(SafeSave, LeftoversOfKilledSavesGoWhenTheFolderIsNextSavedInto)
{
    QTemporaryDir dir;
    const auto make = [&](const QString& name, int daysOld) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("part");
        f.flush();
        ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addDays(-daysOld), QFileDevice::FileModificationTime));
    };
    make(QStringLiteral(".a.dat.mirelune-Ab12Cd"), 2); // a killed save's, old: goes
    make(QStringLiteral(".b.ini.mirelune-Xy34Zw"), 0); // one being written now: stays
    make(QStringLiteral(".notes.txt.Ab12Cd"), 30);     // another program's: stays
    make(QStringLiteral("c.dat.mirelune-Ab12Cd"), 30); // not the pattern: stays
    ASSERT_TRUE(SaveFileWhole(dir.filePath(QStringLiteral("a.dat")), "x"));
    QStringList left = filesIn(dir.path());
    left.sort();
    EXPECT_EQ(left, (QStringList{QStringLiteral(".b.ini.mirelune-Xy34Zw"), QStringLiteral(".notes.txt.Ab12Cd"),
                                 QStringLiteral("a.dat"), QStringLiteral("c.dat.mirelune-Ab12Cd")}));
}

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
