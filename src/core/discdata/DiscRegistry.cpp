#include "DiscRegistry.h"

#include <QFile>
#include <QFileInfo>

#include "DataFileName.h"
#include "Words.h"
#include "core/common/Error.h"
#include "core/settings/IniDocument.h"
#include "core/settings/IniFile.h"

namespace {
const QString kWordsFile = QStringLiteral("WordsFile");
} // namespace

QString DiscRegistry::Lookup(const QString& discId) const
{
    for (;;) {
        IniDocument doc;
        const IniFileState state = ReadIniDocument(settings.IniPath, doc, IniComments::Keep);
        if (state.read) return doc.ReadString(kWordsFile, discId, QString());
        if (OpenErrorMessage(settings.IniPath, state.trouble) != IdRetry) return QString();
    }
}

QList<QPair<QString, QString>> DiscRegistry::Entries() const
{
    for (;;) {
        IniDocument doc;
        const IniFileState state = ReadIniDocument(settings.IniPath, doc, IniComments::Keep);
        if (state.read) return doc.Entries(kWordsFile);
        if (OpenErrorMessage(settings.IniPath, state.trouble) != IdRetry) return {};
    }
}

std::optional<QString> DiscRegistry::IdOf(const QString& name) const
{
    for (const auto& entry : Entries())
        if (entry.second == name) return entry.first;
    return std::nullopt;
}

bool DiscRegistry::Write(const QString& discId, const QString& name)
{
    settings.WordsFileId = discId;
    settings.WordsFileName = name;
    return SaveSettings(settings, spWordsFile);
}

bool DiscRegistry::Remove(const QString& discId)
{
    for (;;) {
        QString reason;
        const auto remove = [&](IniDocument& doc, const IniFileState&, QString*) {
            doc.DeleteKey(kWordsFile, discId);
            return true;
        };
        if (UpdateIniFile(settings.IniPath, IniComments::Keep, remove, &reason)) return true;
        if (SaveErrorMessage(settings.IniPath, reason) != IdRetry) return false;
    }
}

bool DiscRegistry::Register(TWords& words, const QString& name)
{
    if (words.AudioState == 0) return true;
    if (!IsValidDataFileName(name)) {
        InvalidFileNameMessage(name);
        return false;
    }
    words.Title = name;
    words.FileName = DataFilePath(settings, name);
    if (!words.Save(dpInfo)) return false;
    // Without the registry entry the disc is not registered either.
    return Write(words.DiscId, name);
}

bool DiscRegistry::Rename(TWords& words, const QString& name)
{
    const QString old = words.FileName;
    const QString path = DataFilePath(settings, name);
    if (!QFile::rename(old, path)) return false;
    if (!Write(words.DiscId, name)) {
        // The registry still names the old file: it goes back, so the disc keeps its data.
        QFile::rename(path, old);
        return false;
    }
    words.FileName = path;
    return true;
}

bool DiscRegistry::FileGoesWith(const QString& name) { return !name.isEmpty() && IsSafeRegisteredName(name); }

bool DiscRegistry::Delete(const QString& discId, const QString& name, bool permanently)
{
    // The file goes only after its entry: a registry that cannot be written keeps both.
    if (!Remove(discId)) return false;
    if (!FileGoesWith(name)) return true;
    const QString path = DataFilePath(settings, name);
    if (QFileInfo::exists(path) && !(permanently ? QFile::remove(path) : QFile::moveToTrash(path)))
        ErrorMessage(QStringLiteral("歌詞ファイル '") + path +
                         (permanently ? QStringLiteral("' を削除できませんでした。")
                                      : QStringLiteral("' をごみ箱に移せませんでした。")),
                     QStringLiteral("登録ディスクの削除"));
    return true;
}
