#pragma once
// The settings file: every key it holds in one plain object that the windows and the
// settings dialog read and edit, and the operations that load and save it part by part.
// The file is INI text in code page 932 (UTF-8 with a byte-order mark only when some
// text has no code page 932 form).
//
// Keys keep the file's names; core/settings/SettingsKeys.h lists them. The windows copy what
// they need out of Settings after a load and put their state back into it before a save.
#include <QList>
#include <QPair>
#include <QString>
#include <array>
#include <cstdint>

// The parts LoadSettings and SaveSettings work on.
enum SettingsPart : uint8_t { spWindow = 0, spSettings = 1, spStartup = 2, spWordsFile = 3 };

// Version stamp written first by every save, into the settings file and every data file.
inline const QString kVersionStamp = QStringLiteral("151A");
// A custom colour slot the user never set.
constexpr uint32_t kUnsetColor = 0xFFFFFFFF;
// A main window top at or below this was never placed; it is not saved.
constexpr int32_t kOffScreenTop = -1024;

struct Settings {
    // Every key of the file at its default (the table in core/settings/SettingsKeys.cpp has
    // them); the folders and the registry entry empty.
    Settings();

    // Where things are; set by start-up before the first load.
    QString IniPath;           // the settings file
    QString DefaultDataFolder; // data folder when WordsPath names none; ends with "/"
    // Folder of the data files, ends with "/". LoadSettings(spSettings) fills it from
    // WordsPath; while it is empty DataFilePath uses DefaultDataFolder.
    QString DataFolder;
    // False where the window system places the windows itself (native Wayland): the
    // places the windows report are not where the user put them, so the file keeps the
    // last real ones. Sizes are still saved.
    bool PlacesKnown = true;

    // "Settings", read at start-up (spStartup).
    bool SelectDrive;
    QString DriveName; // device path or disc image; empty: the default drive
    bool Sabero;       // read and kept, never written

    // "Settings", in writing order (spSettings).
    bool StayOnTop;
    bool PlayOnExit;
    bool AutoPlay;
    bool EnableEject;
    bool EnableClose;
    bool TaskTray;
    bool RecordLog;
    // SelectDrive (above) is written here, in this place.
    int32_t StopSaver; // 0 never, 1 while active, 2 while running; -1 none chosen
    int32_t TimerInt;  // milliseconds; kept as read, written clamped to signed 16 bits
    int32_t TimeDisp;  // 0..3; -1 none chosen
    bool TrueTrack;
    bool HideMainBar;
    bool ShowDriveName;
    int32_t WordsAlign; // 0 left, 1 right, 2 centre; -1 none chosen
    bool WordsContDisp;
    bool HideNoWords;
    bool WordsNoMove;
    bool HideWordsBar;
    // Beyond the old program's keys: system suspend is blocked while a disc plays.
    bool StopSleep;
    // Taken off every stamp of the timing capture: how late the user presses, in ms.
    int32_t ReactionTime;
    // Read only (edited by hand).
    QString WordsPath; // as read; empty when absent (DataFolder holds its folder)
    QString LogFmt;    // line breaks expanded
    QString LogFmtStartTime;
    QString LogFmtEndTime;

    // "Window" (spWindow; read by spSettings).
    int32_t MainTop; // saved only when greater than kOffScreenTop
    int32_t MainLeft;
    int32_t MainWidth;
    int32_t WordsTop;
    int32_t WordsLeft;
    int32_t WordsWidth;
    int32_t Visible;                 // bit 0 main window shown, bit 1 lyrics window shown
    std::array<int32_t, 4> DiscList; // disc manager column widths
    // Disc manager order: 0 the registry's; column + 1 ascending, -(column + 1) descending.
    // Written only once it was set, so files without it stay as they are.
    int32_t DiscListSort;
    // "Settings", saved with the window state: the sound's volume in percent (0..100),
    // as the desktop's media controls set it.
    int32_t Volume;

    // "MainFont": colours are 0x00BBGGRR.
    uint32_t BackColor;
    uint32_t TitleColor;
    uint32_t ArtistColor;
    uint32_t TimeColor;
    uint32_t ReptColor;
    uint32_t Rept1Color;
    QString MainFontName;
    int32_t MainFontStyle; // 1 bold, 2 italic, 4 underline, 8 strike-out

    // "Font": the lyrics window.
    QString WordsFontName;
    int32_t WordsFontSize;
    uint32_t WordsFontColor;
    int32_t WordsFontStyle;
    uint32_t WordsBackColor;

    // "CustomColors": ColorA..ColorP; kUnsetColor marks a slot never set.
    std::array<uint32_t, 16> CustomColors;

    // "Online": look-ups of titles and lyrics, and the services' base URLs.
    bool OnlineLookUps;
    QString TitlesServer;
    QString LyricsServer;

    // The registry entry spWordsFile writes (set by DiscRegistry::Write).
    QString WordsFileId;
    QString WordsFileName;
};

// Reads one part (spSettings or spStartup; any other part reads nothing) into settings.
// A missing file gives every default. An unreadable file shows the read error with
// Retry and Cancel; returns false when the user cancelled.
bool LoadSettings(Settings& settings, uint8_t part);
// Writes the version stamp, then one part (spWindow, spSettings or spWordsFile). The
// file is replaced whole or not at all; a failure shows the save error with Retry and
// Cancel. Returns false when the user cancelled.
bool SaveSettings(Settings& settings, uint8_t part);
// Reads only WordsPath into DataFolder and changes nothing in the file (no migration),
// for tools beside the program. False when the file exists but cannot be read.
bool LoadDataFolder(Settings& settings);
// Reads only the keys of one section (the tool's look-ups read "Online"), changing nothing
// in the file. False when the file exists but cannot be read.
bool LoadSection(Settings& settings, QStringView section);
// The same on a document in memory; LoadSettings and SaveSettings read and write the
// file around them. MigrateSettings turns the keys of files older than stamp "1430" into
// today's (true when it changed something); LoadSettings(spSettings) runs it first.
class IniDocument;
void ReadSettingsPart(Settings& settings, const IniDocument& doc, uint8_t part);
void WriteSettingsPart(const Settings& settings, IniDocument& doc, uint8_t part);
bool MigrateSettings(IniDocument& doc);

// Every backslash-"n" pair replaced by CR LF.
QString ExpandLineBreaks(const QString& text);
// Folder part of a WordsPath value: up to and including the last "/"; a value without
// "/" gives defaultFolder.
QString DataFolderOf(const QString& wordsPath, const QString& defaultFolder);
// Data folder + name + ".dat"; empty for an empty name.
QString DataFilePath(const Settings& settings, const QString& name);
