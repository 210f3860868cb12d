#pragma once
// The one way every file the program and the tool read whole or write reaches the disk.
//
// Reading never blocks on what is not a regular file (a FIFO, a device) and never takes
// in more than the caller's limit. Writing puts the bytes in a new file beside the old one
// with unbuffered writes; every write, the flush to the disk and the close are checked,
// and only then does the new file take the old one's place. On any error the new file is
// removed, the old one is left exactly as it was, and the reason is told. A user's file
// is never cut and rewritten in place. (Qt's QSaveFile buffers: a write that fails at its
// flush is not seen, and the empty file is put in place all the same.)
//
// A write beyond the process's file-size limit is an error like a full disk: the writers
// set SIGXFSZ to be ignored (where it was left to its default), so the limit never kills.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

// Far more than any data or settings file holds (99 tracks of 127 long lines are a few
// megabytes): a larger file is no such file, and is refused before it is read.
constexpr int64_t kMaxTextFileBytes = 16 * 1024 * 1024;

// One state of a file on the disk.
struct FileId {
    bool exists = false;
    int64_t device = 0, inode = 0, size = 0, modified = 0, changed = 0; // times in ns
    bool operator==(const FileId&) const = default;
};
FileId FileIdOf(const QString& path);

struct FileRead {
    QByteArray bytes;
    FileId id; // id.exists false: there was no file, bytes are empty
};
// Reads path whole. A missing file reads as empty. False, with *reason, when it exists but
// is no regular file, is larger than maxBytes or cannot be read.
bool ReadFileWhole(const QString& path, int64_t maxBytes, FileRead* read, QString* reason = nullptr);

// Replaces path by bytes, whole or not at all. A missing folder is an error; a symbolic link
// is followed (the file it names is replaced, the link stays); a file without its owner's
// write permission, a folder, anything else that is no regular file, and a file in a folder
// where no new file can be made beside it are refused. The new file keeps the old one's
// permissions. On failure *reason (when given) says why, in the words of SaveFailureReason.
bool SaveFileWhole(const QString& path, const QByteArray& bytes, QString* reason = nullptr);

// Reads, changes and writes back one file as one step against other writers (this program's
// other objects, mirelune-tool, another instance): the file is locked meanwhile (its folder
// while it does not exist yet), and just before the new file takes its place the file is
// checked to be still the one read; if another program changed it meanwhile, it is read
// again and change runs again on the new content. change gets the file as it is now and
// gives the bytes to write; when it returns false nothing is written (its *reason is
// passed on). *written (when given) is the file as written. As SaveFileWhole otherwise.
using FileChange = std::function<bool(const FileRead& now, QByteArray* bytes, QString* reason)>;
bool UpdateFileWhole(const QString& path, int64_t maxBytes, const FileChange& change, QString* reason = nullptr,
                     FileId* written = nullptr);

// Adds bytes at the end of path (the file is made when missing, not its folder). On any error
// the file is cut back to the length it had, so that no half line is left behind. Only a
// regular file is appended to.
bool AppendToFile(const QString& path, const QByteArray& bytes, QString* reason = nullptr);

// Why a write failed, for an errno value: in the program's Japanese or the tool's English
// (SetEnglishReasons), e.g. "no space left on the device".
QString SaveFailureReason(int error);

// Removes the files of folder (not its subfolders, nor anything but plain files) last
// written more than maxAgeDays ago: the caches the program keeps for itself would
// otherwise grow for as long as it is used. Returns how many went.
int RemoveFilesOlderThan(const QString& folder, int maxAgeDays);
