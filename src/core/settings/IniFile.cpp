#include "IniFile.h"

#include <QSet>
#include <QtGlobal>
#include <algorithm>

#include "IniDocument.h"
#include "SettingsKeys.h"
#include "core/common/Error.h"

namespace {

const QString kProduct = QStringLiteral("Mirelune");
const QString kSettings = QStringLiteral("Settings");
const QString kWordsFile = QStringLiteral("WordsFile");

// The old profile reader returned at most this many characters of a string.
constexpr qsizetype kMaxString = 2047;

// As the profile functions read strings: a value in matching quotes loses them (so a
// hand-edited value can keep blanks at its ends), and at most 2047 characters.
QString readString(const IniDocument& doc, const QString& section, const QString& key, const QString& def)
{
    QString v = doc.ReadString(section, key, def);
    if (v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\'')) && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v.left(kMaxString);
}

// One key into settings, as its row says.
void readKey(Settings& s, const IniDocument& doc, const SettingsKey& key)
{
    const QString section = key.section.toString(), name = key.name.toString();
    switch (key.kind) {
    case KeyKind::Bool: SetSettingNumber(s, key, doc.ReadBool(section, name, key.number != 0)); break;
    case KeyKind::Integer:
        SetSettingNumber(s, key, std::clamp(doc.ReadInteger(section, name, key.number), key.low, key.high));
        break;
    case KeyKind::Color: SetSettingNumber(s, key, doc.ReadInteger(section, name, key.number)); break;
    case KeyKind::String: SetSettingText(s, key, readString(doc, section, name, key.text.toString())); break;
    case KeyKind::Format:
        SetSettingText(s, key, ExpandLineBreaks(readString(doc, section, name, key.text.toString())));
        break;
    case KeyKind::Swatch: {
        const std::optional<QString> v = doc.Value(section, name);
        int32_t color = 0;
        const bool set = v && ParseIniInteger(QString(QLatin1Char('$') + *v), &color);
        SetSettingNumber(s, key, set ? color : key.number);
        break;
    }
    }
}

// One key from settings into the document, when its row says it is written.
void writeKey(const Settings& s, IniDocument& doc, const SettingsKey& key)
{
    const QString section = key.section.toString(), name = key.name.toString();
    const bool text = key.kind == KeyKind::String || key.kind == KeyKind::Format;
    const int32_t number = text ? 0 : SettingNumber(s, key);
    const bool isDefault = text ? SettingText(s, key) == key.text.toString() : number == key.number;
    switch (key.when) {
    case KeyWrite::Always: break;
    case KeyWrite::Placed:
        if (number <= kOffScreenTop || !s.PlacesKnown) return;
        break;
    case KeyWrite::Where:
        if (!s.PlacesKnown) return;
        break;
    case KeyWrite::Set:
        if (isDefault) return;
        break;
    case KeyWrite::Kept:
        if (isDefault && !doc.Value(section, name)) return;
        break;
    }
    switch (key.kind) {
    case KeyKind::Bool: doc.WriteBool(section, name, number != 0); break;
    case KeyKind::Integer: doc.WriteInteger(section, name, std::clamp(number, key.writtenLow, key.writtenHigh)); break;
    case KeyKind::Color: doc.WriteInteger(section, name, number); break;
    case KeyKind::String:
    case KeyKind::Format: doc.WriteString(section, name, SettingText(s, key)); break;
    case KeyKind::Swatch:
        doc.WriteString(section, name,
                        QStringLiteral("%1").arg(static_cast<uint32_t>(number), 6, 16, QLatin1Char('0')).toUpper());
        break;
    }
}

const SettingsKey& wordsPathKey() { return *FindSettingsKey(u"Settings", u"WordsPath"); }

} // namespace

bool MigrateSettings(IniDocument& doc)
{
    const QString version = doc.ReadString(kProduct, QStringLiteral("Version"), kVersionStamp);
    if (QString::compare(version, QStringLiteral("1430"), Qt::CaseSensitive) >= 0) return false;
    const bool stopOnExit = doc.ReadBool(kSettings, QStringLiteral("StopOnExit"), false);
    doc.WriteBool(kSettings, QStringLiteral("PlayOnExit"), !stopOnExit);
    doc.DeleteKey(kSettings, QStringLiteral("StopOnExit"));
    return true;
}

void ReadSettingsPart(Settings& settings, const IniDocument& doc, uint8_t part)
{
    for (const SettingsKey& key : SettingsKeys())
        if (key.ReadBy(part)) readKey(settings, doc, key);
    if (part == spSettings) settings.DataFolder = DataFolderOf(settings.WordsPath, settings.DefaultDataFolder);
}

void WriteSettingsPart(const Settings& settings, IniDocument& doc, uint8_t part)
{
    doc.WriteString(kProduct, QStringLiteral("Version"), kVersionStamp);
    for (const SettingsKey& key : SettingsKeys())
        if (key.WrittenBy(part)) writeKey(settings, doc, key);
    if (part == spWordsFile && !settings.WordsFileId.isEmpty())
        doc.WriteString(kWordsFile, settings.WordsFileId, settings.WordsFileName);
}

namespace {
// Troubles of settings files already told ("path\nreason"): a file that is not written over
// is told once a run, not at every save.
QSet<QString>& toldTroubles()
{
    static QSet<QString> told;
    return told;
}
} // namespace

bool LoadSettings(Settings& settings, uint8_t part)
{
    for (;;) {
        IniDocument doc;
        const IniFileState state = ReadIniDocument(settings.IniPath, doc, IniComments::Keep);
        if (!state.read) {
            if (OpenErrorMessage(settings.IniPath, state.trouble) == IdRetry) continue;
            toldTroubles().insert(settings.IniPath + QLatin1Char('\n') + state.trouble);
            return false;
        }
        // Read as far as it can be, but never written over; the user is told once why.
        if (!state.trouble.isEmpty()) {
            const QString told = settings.IniPath + QLatin1Char('\n') + state.trouble;
            if (!toldTroubles().contains(told)) {
                toldTroubles().insert(told);
                if (OpenErrorMessage(settings.IniPath, state.trouble) == IdRetry) {
                    toldTroubles().remove(told);
                    continue;
                }
            }
        }
        // The migrated keys are written at once; if that fails the values are still
        // taken from the migrated copy, and the migration runs again next time.
        const auto migrate = [](IniDocument& file, const IniFileState&, QString*) {
            MigrateSettings(file);
            return true;
        };
        if (part == spSettings && MigrateSettings(doc) && state.trouble.isEmpty() &&
            !UpdateIniFile(settings.IniPath, IniComments::Keep, migrate)) {
            if (OpenErrorMessage(settings.IniPath) == IdRetry) continue;
        }
        ReadSettingsPart(settings, doc, part);
        return true;
    }
}

bool SaveSettings(Settings& settings, uint8_t part)
{
    for (;;) {
        QString reason;
        bool refused = true; // the file was not read whole, so it is not written over
        const bool ok = UpdateIniFile(
            settings.IniPath, IniComments::Keep,
            [&](IniDocument& doc, const IniFileState&, QString*) {
                refused = false;
                WriteSettingsPart(settings, doc, part);
                return true;
            },
            &reason);
        if (ok) return true;
        // The window state saved at exit says nothing more of a file already told about.
        const QString told = settings.IniPath + QLatin1Char('\n') + reason;
        if (part == spWindow && refused && toldTroubles().contains(told)) return false;
        if (refused) toldTroubles().insert(told);
        if (SaveErrorMessage(settings.IniPath, reason) != IdRetry) return false;
    }
}

bool LoadDataFolder(Settings& settings)
{
    IniDocument doc;
    if (!ReadIniFile(settings.IniPath, doc, nullptr, IniComments::Keep)) return false;
    readKey(settings, doc, wordsPathKey());
    settings.DataFolder = DataFolderOf(settings.WordsPath, settings.DefaultDataFolder);
    return true;
}

bool LoadSection(Settings& settings, QStringView section)
{
    IniDocument doc;
    if (!ReadIniFile(settings.IniPath, doc, nullptr, IniComments::Keep)) return false;
    for (const SettingsKey& key : SettingsKeys())
        if (key.section.compare(section, Qt::CaseInsensitive) == 0) readKey(settings, doc, key);
    return true;
}

QString ExpandLineBreaks(const QString& text)
{
    // Text here is already decoded, so a 0x5C trail byte of a double-byte character is
    // part of that character and never taken for a backslash.
    QString s = text;
    for (qsizetype i = s.indexOf(QLatin1String("\\n")); i >= 0; i = s.indexOf(QLatin1String("\\n"), i + 2)) {
        s[i] = QLatin1Char('\r');
        s[i + 1] = QLatin1Char('\n');
    }
    return s;
}

QString DataFolderOf(const QString& wordsPath, const QString& defaultFolder)
{
    const qsizetype slash = wordsPath.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? defaultFolder : wordsPath.left(slash + 1);
}

QString DataFilePath(const Settings& settings, const QString& name)
{
    if (name.isEmpty()) return QString();
    const QString& folder = settings.DataFolder.isEmpty() ? settings.DefaultDataFolder : settings.DataFolder;
    return folder + name + QStringLiteral(".dat");
}
