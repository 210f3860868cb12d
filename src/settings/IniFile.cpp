#include "IniFile.h"

#include <QtGlobal>
#include <algorithm>

#include "common/Error.h"
#include "settings/IniDocument.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kProduct = QStringLiteral("Mirelune");
const QString kSettings = QStringLiteral("Settings");
const QString kWindow = QStringLiteral("Window");
const QString kMainFont = QStringLiteral("MainFont");
const QString kFont = QStringLiteral("Font");
const QString kCustomColors = QStringLiteral("CustomColors");
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

// A radio group index as the settings dialog takes it: above the last choice selects
// the last one, below -1 selects none (-1).
int32_t radioIndex(int32_t value, int32_t last) { return std::clamp(value, -1, last); }

QString colorKey(int slot) { return QStringLiteral("Color") + QChar(char16_t(u'A' + slot)); }

void readSettings(Settings& s, const IniDocument& doc)
{
    s.WordsPath = readString(doc, kSettings, QStringLiteral("WordsPath"), QString());
    s.DataFolder = DataFolderOf(s.WordsPath, s.DefaultDataFolder);
    s.LogFmt = ExpandLineBreaks(readString(doc, kSettings, QStringLiteral("LogFmt"), Settings().LogFmt));
    s.LogFmtStartTime =
        ExpandLineBreaks(readString(doc, kSettings, QStringLiteral("LogFmtStartTime"), Settings().LogFmtStartTime));
    s.LogFmtEndTime =
        ExpandLineBreaks(readString(doc, kSettings, QStringLiteral("LogFmtEndTime"), Settings().LogFmtEndTime));

    const Settings d;
    auto b = [&](const QString& key, bool def) { return doc.ReadBool(kSettings, key, def); };
    auto i = [&](const QString& section, const QString& key, int32_t def) { return doc.ReadInteger(section, key, def); };
    auto c = [&](const QString& section, const QString& key, uint32_t def) {
        return static_cast<uint32_t>(doc.ReadInteger(section, key, static_cast<int32_t>(def)));
    };
    s.StayOnTop = b(u"StayOnTop"_s, d.StayOnTop);
    s.PlayOnExit = b(u"PlayOnExit"_s, d.PlayOnExit);
    s.AutoPlay = b(u"AutoPlay"_s, d.AutoPlay);
    s.EnableEject = b(u"EnableEject"_s, d.EnableEject);
    s.EnableClose = b(u"EnableClose"_s, d.EnableClose);
    s.TaskTray = b(u"TaskTray"_s, d.TaskTray);
    s.RecordLog = b(u"RecordLog"_s, d.RecordLog);
    s.SelectDrive = b(u"SelectDrive"_s, d.SelectDrive);
    s.StopSaver = radioIndex(i(kSettings, QStringLiteral("StopSaver"), d.StopSaver), 2);
    s.TimerInt = i(kSettings, QStringLiteral("TimerInt"), d.TimerInt);
    s.TimeDisp = radioIndex(i(kSettings, QStringLiteral("TimeDisp"), d.TimeDisp), 3);
    s.TrueTrack = b(u"TrueTrack"_s, d.TrueTrack);
    s.HideMainBar = b(u"HideMainBar"_s, d.HideMainBar);
    s.ShowDriveName = b(u"ShowDriveName"_s, d.ShowDriveName);
    s.WordsAlign = radioIndex(i(kSettings, QStringLiteral("WordsAlign"), d.WordsAlign), 2);
    s.WordsContDisp = b(u"WordsContDisp"_s, d.WordsContDisp);
    s.HideNoWords = b(u"HideNoWords"_s, d.HideNoWords);
    s.WordsNoMove = b(u"WordsNoMove"_s, d.WordsNoMove);
    s.HideWordsBar = b(u"HideWordsBar"_s, d.HideWordsBar);
    s.StopSleep = b(u"StopSleep"_s, d.StopSleep);
    s.Volume = std::clamp(i(kSettings, QStringLiteral("Volume"), d.Volume), 0, 100);

    s.MainTop = i(kWindow, QStringLiteral("MainTop"), d.MainTop);
    s.MainLeft = i(kWindow, QStringLiteral("MainLeft"), d.MainLeft);
    s.MainWidth = i(kWindow, QStringLiteral("MainWidth"), d.MainWidth);
    s.WordsTop = i(kWindow, QStringLiteral("WordsTop"), d.WordsTop);
    s.WordsLeft = i(kWindow, QStringLiteral("WordsLeft"), d.WordsLeft);
    s.WordsWidth = i(kWindow, QStringLiteral("WordsWidth"), d.WordsWidth);

    s.BackColor = c(kMainFont, u"BackColor"_s, d.BackColor);
    s.TitleColor = c(kMainFont, u"TitleColor"_s, d.TitleColor);
    s.ArtistColor = c(kMainFont, u"ArtistColor"_s, d.ArtistColor);
    s.TimeColor = c(kMainFont, u"TimeColor"_s, d.TimeColor);
    s.ReptColor = c(kMainFont, u"ReptColor"_s, d.ReptColor);
    s.Rept1Color = c(kMainFont, u"Rept1Color"_s, d.Rept1Color);

    s.MainFontName = readString(doc, kMainFont, QStringLiteral("Name"), d.MainFontName);
    s.MainFontStyle = i(kMainFont, QStringLiteral("Style"), d.MainFontStyle);
    s.WordsFontName = readString(doc, kFont, QStringLiteral("Name"), d.WordsFontName);
    s.WordsFontSize = i(kFont, QStringLiteral("Size"), d.WordsFontSize);
    s.WordsFontColor = c(kFont, u"Color"_s, d.WordsFontColor);
    s.WordsFontStyle = i(kFont, QStringLiteral("Style"), d.WordsFontStyle);
    s.WordsBackColor = c(kFont, u"BackColor"_s, d.WordsBackColor);

    // The section replaces the whole list; a slot without a usable key is unset.
    for (int slot = 0; slot < 16; ++slot) {
        const std::optional<QString> v = doc.Value(kCustomColors, colorKey(slot));
        int32_t color = 0;
        s.CustomColors[static_cast<size_t>(slot)] =
            v && ParseIniInteger(QString(QLatin1Char('$') + *v), &color) ? static_cast<uint32_t>(color) : kUnsetColor;
    }

    s.Visible = i(kWindow, QStringLiteral("Visible"), d.Visible);
    for (int col = 0; col < 4; ++col)
        s.DiscList[static_cast<size_t>(col)] =
            i(kWindow, QStringLiteral("DiscList") + QString::number(col), d.DiscList[static_cast<size_t>(col)]);
    s.DiscListSort = std::clamp(i(kWindow, QStringLiteral("DiscListSort"), d.DiscListSort), -4, 4);
}

void writeSettings(const Settings& s, IniDocument& doc)
{
    auto b = [&](const QString& key, bool v) { doc.WriteBool(kSettings, key, v); };
    auto i = [&](const QString& section, const QString& key, int32_t v) { doc.WriteInteger(section, key, v); };
    auto c = [&](const QString& section, const QString& key, uint32_t v) {
        doc.WriteInteger(section, key, static_cast<int32_t>(v));
    };
    b(u"StayOnTop"_s, s.StayOnTop);
    b(u"PlayOnExit"_s, s.PlayOnExit);
    b(u"AutoPlay"_s, s.AutoPlay);
    b(u"EnableEject"_s, s.EnableEject);
    b(u"EnableClose"_s, s.EnableClose);
    b(u"TaskTray"_s, s.TaskTray);
    b(u"RecordLog"_s, s.RecordLog);
    b(u"SelectDrive"_s, s.SelectDrive);
    i(kSettings, u"StopSaver"_s, s.StopSaver);
    // The dialog's up-down control holds a signed 16-bit position.
    i(kSettings, u"TimerInt"_s, std::clamp<int32_t>(s.TimerInt, -32768, 32767));
    i(kSettings, u"TimeDisp"_s, s.TimeDisp);
    b(u"TrueTrack"_s, s.TrueTrack);
    b(u"HideMainBar"_s, s.HideMainBar);
    b(u"ShowDriveName"_s, s.ShowDriveName);
    i(kSettings, u"WordsAlign"_s, s.WordsAlign);
    b(u"WordsContDisp"_s, s.WordsContDisp);
    b(u"HideNoWords"_s, s.HideNoWords);
    b(u"WordsNoMove"_s, s.WordsNoMove);
    b(u"HideWordsBar"_s, s.HideWordsBar);
    b(u"StopSleep"_s, s.StopSleep);

    c(kMainFont, u"BackColor"_s, s.BackColor);
    c(kMainFont, u"TitleColor"_s, s.TitleColor);
    c(kMainFont, u"ArtistColor"_s, s.ArtistColor);
    c(kMainFont, u"TimeColor"_s, s.TimeColor);
    c(kMainFont, u"ReptColor"_s, s.ReptColor);
    c(kMainFont, u"Rept1Color"_s, s.Rept1Color);
    doc.WriteString(kMainFont, QStringLiteral("Name"), s.MainFontName);
    i(kMainFont, u"Style"_s, s.MainFontStyle);

    doc.WriteString(kFont, QStringLiteral("Name"), s.WordsFontName);
    i(kFont, u"Size"_s, s.WordsFontSize);
    c(kFont, u"Color"_s, s.WordsFontColor);
    i(kFont, u"Style"_s, s.WordsFontStyle);
    c(kFont, u"BackColor"_s, s.WordsBackColor);

    // Unset slots are not written; keys already in the file are never deleted.
    for (int slot = 0; slot < 16; ++slot) {
        const uint32_t v = s.CustomColors[static_cast<size_t>(slot)];
        if (v == kUnsetColor) continue;
        doc.WriteString(kCustomColors, colorKey(slot), QStringLiteral("%1").arg(v, 6, 16, QLatin1Char('0')).toUpper());
    }
}

void writeWindow(const Settings& s, IniDocument& doc)
{
    auto i = [&](const QString& section, const QString& key, int32_t v) { doc.WriteInteger(section, key, v); };
    // A main window that never reached its first tick has no real top yet.
    if (s.MainTop > kOffScreenTop) i(kWindow, QStringLiteral("MainTop"), s.MainTop);
    i(kWindow, QStringLiteral("MainLeft"), s.MainLeft);
    i(kWindow, QStringLiteral("MainWidth"), s.MainWidth);
    i(kWindow, QStringLiteral("WordsTop"), s.WordsTop);
    i(kWindow, QStringLiteral("WordsLeft"), s.WordsLeft);
    i(kWindow, QStringLiteral("WordsWidth"), s.WordsWidth);
    i(kWindow, QStringLiteral("Visible"), s.Visible);
    i(kFont, QStringLiteral("Size"), s.WordsFontSize);
    for (int col = 0; col < 4; ++col)
        i(kWindow, QStringLiteral("DiscList") + QString::number(col), s.DiscList[static_cast<size_t>(col)]);
    if (s.DiscListSort != 0 || doc.Value(kWindow, QStringLiteral("DiscListSort")))
        i(kWindow, QStringLiteral("DiscListSort"), s.DiscListSort);
    doc.WriteString(kSettings, QStringLiteral("DriveName"), s.DriveName);
    i(kSettings, QStringLiteral("Volume"), s.Volume);
}

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
    if (part == spStartup) {
        settings.SelectDrive = doc.ReadBool(kSettings, QStringLiteral("SelectDrive"), false);
        settings.DriveName = readString(doc, kSettings, QStringLiteral("DriveName"), QString());
        settings.Sabero = doc.ReadBool(kSettings, QStringLiteral("Sabero"), true);
    } else if (part == spSettings) {
        readSettings(settings, doc);
    }
}

void WriteSettingsPart(const Settings& settings, IniDocument& doc, uint8_t part)
{
    doc.WriteString(kProduct, QStringLiteral("Version"), kVersionStamp);
    switch (part) {
    case spSettings: writeSettings(settings, doc); break;
    case spWindow: writeWindow(settings, doc); break;
    case spWordsFile:
        if (!settings.WordsFileId.isEmpty()) doc.WriteString(kWordsFile, settings.WordsFileId, settings.WordsFileName);
        break;
    default: break;
    }
}

bool LoadSettings(Settings& settings, uint8_t part)
{
    for (;;) {
        IniDocument doc;
        // Read whole if it can be; a damaged UTF-8 file is still read, but never rewritten.
        const bool whole = ReadIniFileForSave(settings.IniPath, doc, IniComments::Keep);
        if (!whole && !ReadIniFile(settings.IniPath, doc, nullptr, IniComments::Keep)) {
            if (OpenErrorMessage(settings.IniPath) == IdRetry) continue;
            return false;
        }
        // The migrated keys are written at once; if that fails the values are still
        // taken from the migrated copy, and the migration runs again next time.
        if (part == spSettings && MigrateSettings(doc) && (!whole || !WriteIniFile(settings.IniPath, doc))) {
            if (OpenErrorMessage(settings.IniPath) == IdRetry) continue;
        }
        ReadSettingsPart(settings, doc, part);
        return true;
    }
}

bool SaveSettings(Settings& settings, uint8_t part)
{
    for (;;) {
        IniDocument doc;
        QString reason;
        // What cannot be read cannot be kept: refuse to write over it.
        bool ok = ReadIniFileForSave(settings.IniPath, doc, IniComments::Keep);
        if (ok) {
            WriteSettingsPart(settings, doc, part);
            ok = WriteIniFile(settings.IniPath, doc, &reason);
        } else {
            reason = UnsavableFileReason(settings.IniPath);
        }
        if (ok) return true;
        if (SaveErrorMessage(settings.IniPath, reason) != IdRetry) return false;
    }
}

bool LoadDataFolder(Settings& settings)
{
    IniDocument doc;
    if (!ReadIniFile(settings.IniPath, doc, nullptr, IniComments::Keep)) return false;
    settings.WordsPath = readString(doc, kSettings, QStringLiteral("WordsPath"), QString());
    settings.DataFolder = DataFolderOf(settings.WordsPath, settings.DefaultDataFolder);
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
