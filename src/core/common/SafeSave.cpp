#include "SafeSave.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Error.h"

namespace {

// Our own codes beside errno's, for refusals that are not a system call's.
constexpr int kReadOnlyFile = -1;

bool fail(QString* reason, int error)
{
    if (reason) *reason = SaveFailureReason(error);
    return false;
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

mode_t newFileMode()
{
    // The mode a plain open would give: read and write for all, less the user's umask.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Where nothing can be made beside the file (a folder the user may not write in, with a
// file in it that the user may write), the file itself is written; on failure what it
// held is put back.
bool writeInPlace(const QByteArray& target, const QByteArray& bytes, QString* reason)
{
    QFile old(QFile::decodeName(target));
    QByteArray before;
    if (!old.open(QIODevice::ReadOnly)) return fail(reason, EACCES);
    before = old.readAll();
    old.close();
    const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return fail(reason, errno);
    int error = ::ftruncate(fd, 0) == 0 ? writeAll(fd, bytes) : errno;
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (error != 0) {
        if (::ftruncate(fd, 0) == 0 && ::lseek(fd, 0, SEEK_SET) == 0) (void)writeAll(fd, before);
        ::close(fd);
        return fail(reason, error);
    }
    if (::close(fd) != 0) return fail(reason, errno);
    return true;
}

} // namespace

bool SaveFileWhole(const QString& path, const QByteArray& bytes, QString* reason)
{
    QFileInfo info(path);
    // A link is followed: the file it names is replaced and the link stays.
    if (info.isSymLink()) info = QFileInfo(info.exists() ? info.canonicalFilePath() : info.symLinkTarget());
    if (info.isDir()) return fail(reason, EISDIR);
    const bool exists = info.exists();
    // A read-only file stays as it is, whoever runs the program.
    if (exists && !(info.permissions() & QFileDevice::WriteOwner)) return fail(reason, kReadOnlyFile);
    const QString folder = info.absolutePath();
    if (!QFileInfo(folder).isDir()) return fail(reason, ENOENT);

    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    QByteArray temp = QFile::encodeName(folder + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (exists && (error == EACCES || error == EPERM || error == EROFS)) return writeInPlace(target, bytes, reason);
        return fail(reason, error);
    }
    struct stat st {};
    const mode_t mode = exists && ::stat(target.constData(), &st) == 0 ? (st.st_mode & 07777) : newFileMode();
    int error = ::fchmod(fd, mode) == 0 ? 0 : errno;
    if (error == 0) error = writeAll(fd, bytes);
    // The bytes must be on the disk before the name points at them: a crash in between
    // must find the old file or the new one, never an empty one.
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temp.constData(), target.constData()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temp.constData());
        return fail(reason, error);
    }
    // The new name itself on the disk; a folder that cannot be synced loses nothing more.
    const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool AppendToFile(const QString& path, const QByteArray& bytes, QString* reason)
{
    const QFileInfo info(path);
    if (info.isDir()) return fail(reason, EISDIR);
    if (!QFileInfo(info.absolutePath()).isDir()) return fail(reason, ENOENT);
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return fail(reason, errno);
    struct stat st {};
    int error = ::fstat(fd, &st) == 0 ? 0 : errno;
    if (error == 0) error = writeAll(fd, bytes);
    if (error == 0 && ::fdatasync(fd) != 0) error = errno;
    if (error != 0) (void)::ftruncate(fd, st.st_size);
    if (::close(fd) != 0 && error == 0) error = errno;
    return error == 0 || fail(reason, error);
}

QString SaveFailureReason(int error)
{
    switch (error) {
    case kReadOnlyFile: return Reason("ファイルが読み取り専用です", "the file is read-only");
    case ENOSPC: return Reason("ディスクの空き容量がありません", "no space left on the device");
    case EDQUOT: return Reason("ディスクの使用量の上限に達しました", "the disk quota is used up");
    case EFBIG: return Reason("ファイルが大きすぎます", "the file is larger than allowed");
    case EACCES:
    case EPERM: return Reason("書き込みの権限がありません", "permission denied");
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
