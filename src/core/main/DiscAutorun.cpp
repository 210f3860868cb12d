#include "DiscAutorun.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

bool DiscHasAutorun(const QString& drivePath)
{
    // The root of the disc's mounted data session, if the system mounted one.
    const QString drive = QFileInfo(drivePath).canonicalFilePath();
    if (drive.isEmpty()) return false;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (QFileInfo(QString::fromLocal8Bit(volume.device())).canonicalFilePath() != drive) continue;
        const QStringList found = QDir(volume.rootPath()).entryList({QStringLiteral("autorun.inf")}, QDir::Files);
        if (!found.isEmpty()) return true;
    }
    return false;
}
