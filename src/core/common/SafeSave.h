#pragma once
// The one way every file the program and the tool write reaches the disk. The bytes go
// to a new file beside the old one with unbuffered writes; every write, the flush to the
// disk and the close are checked, and only then does the new file take the old one's
// place. On any error the new file is removed, the old one is left exactly as it was,
// and the reason is told. (Qt's QSaveFile buffers: a write that fails at its flush is
// not seen, and the empty file is put in place all the same.)
#include <QByteArray>
#include <QString>

// Replaces path by bytes, whole or not at all. A missing folder is an error; a symbolic link
// is followed (the file it names is replaced, the link stays); a file without its owner's
// write permission, or a folder, is refused. The new file keeps the old one's permissions.
// On failure *reason (when given) says why, in the words of SaveFailureReason.
bool SaveFileWhole(const QString& path, const QByteArray& bytes, QString* reason = nullptr);

// Adds bytes at the end of path (the file is made when missing, not its folder). On any error the file is cut back to
// the length it had, so that no half line is left behind.
bool AppendToFile(const QString& path, const QByteArray& bytes, QString* reason = nullptr);

// Why a write failed, for an errno value: in the program's Japanese or the tool's English
// (SetEnglishReasons), e.g. "no space left on the device".
QString SaveFailureReason(int error);

// Removes the files of folder (not its subfolders, nor anything but plain files) last
// written more than maxAgeDays ago: the caches the program keeps for itself would
// otherwise grow for as long as it is used. Returns how many went.
int RemoveFilesOlderThan(const QString& folder, int maxAgeDays);
