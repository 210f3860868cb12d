#include "SafeSave.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "Error.h"

namespace {

// Our own codes beside errno's, for refusals that are not a system call's.
constexpr int kReadOnlyFile = -1;
constexpr int kNotRegular = -2;
constexpr int kTooLarge = -3;
constexpr int kKeepsChanging = -4;
constexpr int kInUse = -5;
constexpr int kNoTempFile = -100; // minus the errno of the failed attempt

// The temporary files of a save: ".NAME.mirelune-XXXXXX" beside the file. Ours alone are
// removed when a killed save left them behind, and only once they are a day old (a save
// of another process may be writing one right now).
const QString kTempMark = QStringLiteral(".mirelune-");
constexpr int kStaleTempDays = 1;

// How long a writer waits for another to finish with the file before it gives up.
constexpr auto kLockWait = std::chrono::seconds(10);
constexpr auto kLockPoll = std::chrono::milliseconds(5);
// How often a save starts again because another program changed the file meanwhile, and
// how often a lock is taken again because another writer replaced the file meanwhile.
constexpr int kUpdateAttempts = 8;
constexpr int kLockAttempts = 100;

bool fail(QString* reason, int error)
{
    if (reason) *reason = SaveFailureReason(error);
    return false;
}

// A write beyond the file-size limit ends the process unless the signal is ignored; the
// write then fails with EFBIG, which is told like a full disk. Asked at every save: it
// costs a system call, and whatever set the signal back since is overruled.
void ignoreFileSizeSignal()
{
    struct sigaction now {};
    if (::sigaction(SIGXFSZ, nullptr, &now) == 0 && now.sa_handler == SIG_DFL) std::signal(SIGXFSZ, SIG_IGN);
}

FileId idOf(const struct stat& st)
{
    FileId id;
    id.exists = true;
    id.device = static_cast<int64_t>(st.st_dev);
    id.inode = static_cast<int64_t>(st.st_ino);
    id.size = st.st_size;
    id.modified = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.changed = int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return id;
}

// Writes all of bytes, going on after a short write or an interruption; the error
// otherwise (0 when all was written).
int writeAll(int fd, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        p += n;
        left -= n;
    }
    return 0;
}

// Reads the rest of fd, at most maxBytes in all; the error otherwise.
int readAll(int fd, const struct stat& st, int64_t maxBytes, QByteArray* bytes)
{
    if (st.st_size > maxBytes) return kTooLarge;
    bytes->clear();
    bytes->reserve(static_cast<qsizetype>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return 0;
        if (bytes->size() + n > maxBytes) return kTooLarge; // grew while being read
        bytes->append(buffer, n);
    }
}

// Opens a file to read without waiting on it: a FIFO opened for reading would wait for a
// writer for ever. What is no regular file is refused.
int openRegular(const QByteArray& path, struct stat* st, int* error)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return -1;
    }
    if (::fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
        *error = S_ISDIR(st->st_mode) ? EISDIR : kNotRegular;
        ::close(fd);
        return -1;
    }
    return fd;
}

// The file a path names: a link is followed (the file it names is replaced, the link stays).
QString targetOf(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink()) return info.absoluteFilePath();
    return info.exists() ? info.canonicalFilePath() : QFileInfo(info.symLinkTarget()).absoluteFilePath();
}

mode_t newFileMode()
{
    // The mode a plain open would give: read and write for all, less the user's umask.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Removes what killed saves left in folder: our own temporary files, a day old.
void removeStaleTemps(const QString& folder)
{
    static const QRegularExpression pattern(QStringLiteral("^\\..+\\.mirelune-[A-Za-z0-9]{6}$"));
    const QDateTime before = QDateTime::currentDateTime().addDays(-kStaleTempDays);
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral(".*") + kTempMark + QStringLiteral("*")},
                                                           QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo& f : files)
        if (pattern.match(f.fileName()).hasMatch() && f.lastModified() < before) QFile::remove(f.filePath());
}

// Takes an exclusive lock on fd, waiting a while for another writer to end; false when it
// did not come. A file system without locks is written unlocked (the check before the
// rename still sees most changes).
bool lockExclusive(int fd)
{
    const auto deadline = std::chrono::steady_clock::now() + kLockWait;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kLockPoll);
    }
}

// An open file descriptor closed on every way out.
struct Fd {
    int fd = -1;
    Fd() = default;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    void reset(int f = -1)
    {
        if (fd >= 0) ::close(fd);
        fd = f;
    }
};

// Locks the file at target (its folder while there is none) and reads it. On success lock
// holds the lock until it is reset. 0 or the error.
int lockAndRead(const QString& target, int64_t maxBytes, Fd& lock, FileRead* now)
{
    const QByteArray name = QFile::encodeName(target);
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        struct stat st {};
        int error = 0;
        const int fd = openRegular(name, &st, &error);
        if (fd < 0 && error != ENOENT) return error;
        if (fd < 0) {
            // No file yet: its folder stands for it until the first writer has made it.
            const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
            // A folder that cannot be opened to be locked is written in unlocked.
            lock.reset(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (lock.fd >= 0 && !lockExclusive(lock.fd)) return kInUse;
            if (::stat(name.constData(), &st) == 0) continue; // made meanwhile: lock that
            *now = FileRead{};
            return 0;
        }
        lock.reset(fd);
        if (!lockExclusive(fd)) return kInUse;
        // Another writer may have put a new file in its place while we waited: lock that.
        struct stat there {};
        if (::stat(name.constData(), &there) != 0 || there.st_ino != st.st_ino || there.st_dev != st.st_dev) continue;
        error = readAll(fd, st, maxBytes, &now->bytes);
        if (error != 0) return error;
        ::fstat(fd, &st);
        now->id = idOf(st);
        return 0;
    }
    return kKeepsChanging;
}

// Writes bytes into a new file beside target and renames it over target, when target
// still is what expected says (when given). 0, the error, or kKeepsChanging when target
// changed.
int replace(const QString& target, const QByteArray& bytes, const FileId* expected)
{
    const QFileInfo info(target);
    const QString folder = info.absolutePath();
    removeStaleTemps(folder);
    const QByteArray name = QFile::encodeName(target);
    QByteArray temp = QFile::encodeName(folder + QStringLiteral("/.") + info.fileName() + kTempMark + "XXXXXX");
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    // Where nothing can be made beside the file, the file is not cut and written in place
    // either: a kill in between would leave it cut.
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? errno : kNoTempFile - errno;
    struct stat st {};
    const bool exists = ::stat(name.constData(), &st) == 0;
    const mode_t mode = exists ? (st.st_mode & 07777) : newFileMode();
    int error = ::fchmod(fd, mode) == 0 ? 0 : errno;
    if (error == 0) error = writeAll(fd, bytes);
    // The bytes must be on the disk before the name points at them: a crash in between
    // must find the old file or the new one, never an empty one.
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && expected && FileIdOf(target) != *expected) error = kKeepsChanging;
    if (error == 0 && ::rename(temp.constData(), name.constData()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temp.constData());
        return error;
    }
    // The new name itself on the disk; a folder that cannot be synced loses nothing more.
    const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
    return 0;
}

// What may not be replaced at all: 0 when target may be.
int refusal(const QString& target)
{
    struct stat st {};
    if (::stat(QFile::encodeName(target).constData(), &st) != 0) {
        if (errno != ENOENT) return errno;
        return QFileInfo(QFileInfo(target).absolutePath()).isDir() ? 0 : ENOENT;
    }
    if (S_ISDIR(st.st_mode)) return EISDIR;
    // A FIFO or a device is never replaced by a regular file.
    if (!S_ISREG(st.st_mode)) return kNotRegular;
    // A read-only file stays as it is, whoever runs the program.
    if (!(st.st_mode & S_IWUSR)) return kReadOnlyFile;
    return 0;
}

} // namespace

FileId FileIdOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return FileId{};
    return idOf(st);
}

bool ReadFileWhole(const QString& path, int64_t maxBytes, FileRead* read, QString* reason)
{
    *read = FileRead{};
    struct stat st {};
    int error = 0;
    const Fd fd(openRegular(QFile::encodeName(path), &st, &error));
    if (fd.fd < 0) return error == ENOENT || fail(reason, error);
    error = readAll(fd.fd, st, maxBytes, &read->bytes);
    if (error != 0) {
        read->bytes.clear();
        return fail(reason, error);
    }
    read->id = idOf(st);
    return true;
}

bool SaveFileWhole(const QString& path, const QByteArray& bytes, QString* reason)
{
    ignoreFileSizeSignal();
    const QString target = targetOf(path);
    if (const int error = refusal(target)) return fail(reason, error);
    const int error = replace(target, bytes, nullptr);
    return error == 0 || fail(reason, error);
}

bool UpdateFileWhole(const QString& path, int64_t maxBytes, const FileChange& change, QString* reason, FileId* written)
{
    ignoreFileSizeSignal();
    const QString target = targetOf(path);
    for (int attempt = 0; attempt < kUpdateAttempts; ++attempt) {
        if (const int error = refusal(target)) return fail(reason, error);
        Fd lock;
        FileRead now;
        if (const int error = lockAndRead(target, maxBytes, lock, &now)) return fail(reason, error);
        QByteArray bytes;
        if (!change(now, &bytes, reason)) return false;
        const int error = replace(target, bytes, &now.id);
        if (error == kKeepsChanging) continue; // read again, change again
        if (error != 0) return fail(reason, error);
        if (written) *written = FileIdOf(target);
        return true;
    }
    return fail(reason, kKeepsChanging);
}

bool AppendToFile(const QString& path, const QByteArray& bytes, QString* reason)
{
    ignoreFileSizeSignal();
    const QFileInfo info(path);
    if (info.isDir()) return fail(reason, EISDIR);
    if (!QFileInfo(info.absolutePath()).isDir()) return fail(reason, ENOENT);
    // Not waiting on a FIFO for a reader, and never writing into one.
    const Fd fd(::open(QFile::encodeName(path).constData(),
                       O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666));
    if (fd.fd < 0) return fail(reason, errno == ENXIO ? kNotRegular : errno);
    struct stat st {};
    int error = ::fstat(fd.fd, &st) == 0 ? 0 : errno;
    if (error == 0 && !S_ISREG(st.st_mode)) return fail(reason, kNotRegular);
    if (error == 0) error = writeAll(fd.fd, bytes);
    if (error == 0 && ::fdatasync(fd.fd) != 0) error = errno;
    if (error != 0) (void)::ftruncate(fd.fd, st.st_size);
    return error == 0 || fail(reason, error);
}

QString SaveFailureReason(int error)
{
    if (error <= kNoTempFile)
        return Reason("フォルダに一時ファイルを作れないため、ファイルをそのまま書き換えることはしません（",
                      "no temporary file can be made beside it, and the file is never cut and rewritten in place (") +
               SaveFailureReason(kNoTempFile - error) + (Reason("）", ")"));
    switch (error) {
    case kReadOnlyFile: return Reason("ファイルが読み取り専用です", "the file is read-only");
    case kNotRegular:
        return Reason("通常のファイルではありません（FIFO やデバイスなど）",
                      "it is not a regular file (a FIFO, a device or the like)");
    case kTooLarge:
        return Reason("歌詞ファイルや設定ファイルにしては大きすぎます（16 MB 超）",
                      "it is far larger than any such file (over 16 MB)");
    case kKeepsChanging: return Reason("ほかのプログラムが書き換え続けています", "another program keeps changing it");
    case kInUse: return Reason("ほかのプログラムが使用中です", "another program is using it");
    case ENOSPC: return Reason("ディスクの空き容量がありません", "no space left on the device");
    case EDQUOT: return Reason("ディスクの使用量の上限に達しました", "the disk quota is used up");
    case EFBIG: return Reason("ファイルが大きすぎます", "the file is larger than allowed");
    case EACCES:
    case EPERM: return Reason("権限がありません", "permission denied");
    case EROFS: return Reason("読み取り専用のファイルシステムです", "the file system is read-only");
    case EISDIR: return Reason("フォルダです", "it is a folder");
    case ENOENT:
    case ENOTDIR: return Reason("フォルダがありません", "its folder does not exist");
    case EIO: return Reason("ディスクの読み書きでエラーが起きました", "an input/output error on the device");
    default: return QString::fromLocal8Bit(std::strerror(error));
    }
}

int RemoveFilesOlderThan(const QString& folder, int maxAgeDays)
{
    const QDateTime before = QDateTime::currentDateTime().addDays(-maxAgeDays);
    int removed = 0;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo& f : files)
        if (f.lastModified() < before && QFile::remove(f.filePath())) ++removed;
    return removed;
}
