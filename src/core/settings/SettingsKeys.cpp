#include "SettingsKeys.h"

#include <type_traits>

namespace {

constexpr uint8_t kWindowPart = PartBit(spWindow);
constexpr uint8_t kSettingsPart = PartBit(spSettings);
constexpr uint8_t kStartupPart = PartBit(spStartup);

// A row of the table, built up a column at a time.
struct Row : SettingsKey {
    constexpr Row(QStringView inSection, QStringView key, KeyKind as, SettingsMember bound, uint8_t element = 0)
    {
        section = inSection;
        name = key;
        kind = as;
        member = bound;
        slot = element;
    }
    constexpr Row In(uint8_t readParts, uint8_t writtenParts) const
    {
        Row r = *this;
        r.readBy = readParts;
        r.writtenBy = writtenParts;
        return r;
    }
    constexpr Row Default(int32_t value) const
    {
        Row r = *this;
        r.number = value;
        return r;
    }
    constexpr Row Default(QStringView value) const
    {
        Row r = *this;
        r.text = value;
        return r;
    }
    constexpr Row Range(int32_t from, int32_t to) const
    {
        Row r = *this;
        r.low = from;
        r.high = to;
        return r;
    }
    constexpr Row WrittenRange(int32_t from, int32_t to) const
    {
        Row r = *this;
        r.writtenLow = from;
        r.writtenHigh = to;
        return r;
    }
    constexpr Row When(KeyWrite rule) const
    {
        Row r = *this;
        r.when = rule;
        return r;
    }
    constexpr Row Edit(KeyEdit how, QStringView by = {}) const
    {
        Row r = *this;
        r.edit = how;
        r.control = by;
        return r;
    }
};

// An option of the settings dialog's "Settings" section, edited by the check box of its name.
constexpr Row Option(QStringView name, bool Settings::*member, bool on)
{
    return Row(u"Settings", name, KeyKind::Bool, member)
        .In(kSettingsPart, kSettingsPart)
        .Default(on)
        .Edit(KeyEdit::OnOk, name);
}

// A radio group's index: above the last choice selects the last one, below -1 selects none.
constexpr Row Choice(QStringView name, int32_t Settings::*member, int32_t index, int32_t last)
{
    return Row(u"Settings", name, KeyKind::Integer, member)
        .In(kSettingsPart, kSettingsPart)
        .Default(index)
        .Range(-1, last)
        .Edit(KeyEdit::OnOk, name);
}

// Window state: read with the options, written when the windows are saved.
constexpr Row Place(QStringView name, int32_t Settings::*member, int32_t value)
{
    return Row(u"Window", name, KeyKind::Integer, member).In(kSettingsPart, kWindowPart).Default(value);
}
constexpr Row Column(QStringView name, uint8_t column, int32_t width)
{
    return Row(u"Window", name, KeyKind::Integer, &Settings::DiscList, column)
        .In(kSettingsPart, kWindowPart)
        .Default(width);
}

// The look of a window: shown as it is chosen, taken back by Cancel.
constexpr Row Look(QStringView section, QStringView name, KeyKind kind, SettingsMember member)
{
    return Row(section, name, kind, member).In(kSettingsPart, kSettingsPart).Edit(KeyEdit::Live);
}
constexpr Row Colour(QStringView section, QStringView name, uint32_t Settings::*member, uint32_t color,
                     QStringView button)
{
    return Look(section, name, KeyKind::Color, member).Default(static_cast<int32_t>(color)).Edit(KeyEdit::Live, button);
}

// A slot of the colour dialog's own colours. The section replaces the whole list.
constexpr Row Swatch(QStringView name, uint8_t slot)
{
    return Row(u"CustomColors", name, KeyKind::Swatch, &Settings::CustomColors, slot)
        .In(kSettingsPart, kSettingsPart)
        .Default(static_cast<int32_t>(kUnsetColor))
        .When(KeyWrite::Set); // keys already in the file are never deleted
}

// In the order the parts write them: a key new to the file goes to the end of its
// section, and a new section to the end of the file.
constexpr SettingsKey kKeys[] = {
    // Where the windows are.
    Place(u"MainTop", &Settings::MainTop, 32).When(KeyWrite::Placed), // a window never placed has no top yet
    Place(u"MainLeft", &Settings::MainLeft, 32).When(KeyWrite::Where),
    Place(u"MainWidth", &Settings::MainWidth, 338),
    Place(u"WordsTop", &Settings::WordsTop, 200).When(KeyWrite::Where),
    Place(u"WordsLeft", &Settings::WordsLeft, 64).When(KeyWrite::Where),
    Place(u"WordsWidth", &Settings::WordsWidth, 400),
    Place(u"Visible", &Settings::Visible, 3),

    // The options.
    Option(u"StayOnTop", &Settings::StayOnTop, false),
    Option(u"PlayOnExit", &Settings::PlayOnExit, false),
    Option(u"AutoPlay", &Settings::AutoPlay, false),
    Option(u"EnableEject", &Settings::EnableEject, false),
    Option(u"EnableClose", &Settings::EnableClose, false),
    Option(u"TaskTray", &Settings::TaskTray, false),
    Option(u"RecordLog", &Settings::RecordLog, false),
    Option(u"SelectDrive", &Settings::SelectDrive, false).In(kSettingsPart | kStartupPart, kSettingsPart),
    Choice(u"StopSaver", &Settings::StopSaver, 0, 2),
    // Kept as read; the dialog's up-down control holds a signed 16-bit position.
    Row(u"Settings", u"TimerInt", KeyKind::Integer, &Settings::TimerInt)
        .In(kSettingsPart, kSettingsPart)
        .Default(100)
        .WrittenRange(-32768, 32767)
        .Edit(KeyEdit::OnOk, u"TimerIntEdit"),
    Choice(u"TimeDisp", &Settings::TimeDisp, 2, 3),
    Option(u"TrueTrack", &Settings::TrueTrack, false),
    Option(u"HideMainBar", &Settings::HideMainBar, false),
    Option(u"ShowDriveName", &Settings::ShowDriveName, false),
    Choice(u"WordsAlign", &Settings::WordsAlign, 2, 2),
    Option(u"WordsContDisp", &Settings::WordsContDisp, false),
    Option(u"HideNoWords", &Settings::HideNoWords, false),
    Option(u"WordsNoMove", &Settings::WordsNoMove, false),
    Option(u"HideWordsBar", &Settings::HideWordsBar, false),
    Option(u"StopSleep", &Settings::StopSleep, true),
    // Written once set, so that files without it stay as they are.
    Row(u"Settings", u"ReactionTime", KeyKind::Integer, &Settings::ReactionTime)
        .In(kSettingsPart, kSettingsPart)
        .Default(0)
        .Range(0, 1000)
        .When(KeyWrite::Kept)
        .Edit(KeyEdit::OnOk, u"ReactionTimeEdit"),

    // Edited by hand only.
    Row(u"Settings", u"WordsPath", KeyKind::String, &Settings::WordsPath).In(kSettingsPart, 0),
    Row(u"Settings", u"LogFmt", KeyKind::Format, &Settings::LogFmt).In(kSettingsPart, 0).Default(u"%-32.32s %s - %s"),
    Row(u"Settings", u"LogFmtStartTime", KeyKind::Format, &Settings::LogFmtStartTime)
        .In(kSettingsPart, 0)
        .Default(u"yyyy.mm.dd(ddd) hh:mm.ss"),
    Row(u"Settings", u"LogFmtEndTime", KeyKind::Format, &Settings::LogFmtEndTime)
        .In(kSettingsPart, 0)
        .Default(u"mm.dd(ddd) hh:mm.ss"),
    Row(u"Settings", u"Sabero", KeyKind::Bool, &Settings::Sabero).In(kStartupPart, 0).Default(true),

    // The main window's look.
    Colour(u"MainFont", u"BackColor", &Settings::BackColor, 0, u"BkColorBtn"),
    Colour(u"MainFont", u"TitleColor", &Settings::TitleColor, 65535, u"TitleColorBtn"),
    Colour(u"MainFont", u"ArtistColor", &Settings::ArtistColor, 65280, u"ArtistColorBtn"),
    Colour(u"MainFont", u"TimeColor", &Settings::TimeColor, 16776960, u"TimeColorBtn"),
    Colour(u"MainFont", u"ReptColor", &Settings::ReptColor, 65280, u"ReptColorBtn"),
    Colour(u"MainFont", u"Rept1Color", &Settings::Rept1Color, 65535, u"Rept1ColorBtn"),
    Look(u"MainFont", u"Name", KeyKind::String, &Settings::MainFontName).Default(u"ＭＳ Ｐゴシック"),
    Look(u"MainFont", u"Style", KeyKind::Integer, &Settings::MainFontStyle),

    // The lyrics window's look; its size is also window state.
    Look(u"Font", u"Name", KeyKind::String, &Settings::WordsFontName).Default(u"ＭＳ Ｐゴシック"),
    Look(u"Font", u"Size", KeyKind::Integer, &Settings::WordsFontSize)
        .In(kSettingsPart, kSettingsPart | kWindowPart)
        .Default(12),
    Colour(u"Font", u"Color", &Settings::WordsFontColor, 16777215, u"WordsColorBtn"),
    Look(u"Font", u"Style", KeyKind::Integer, &Settings::WordsFontStyle),
    Colour(u"Font", u"BackColor", &Settings::WordsBackColor, 0, u"WordsBkColorBtn"),

    Swatch(u"ColorA", 0),
    Swatch(u"ColorB", 1),
    Swatch(u"ColorC", 2),
    Swatch(u"ColorD", 3),
    Swatch(u"ColorE", 4),
    Swatch(u"ColorF", 5),
    Swatch(u"ColorG", 6),
    Swatch(u"ColorH", 7),
    Swatch(u"ColorI", 8),
    Swatch(u"ColorJ", 9),
    Swatch(u"ColorK", 10),
    Swatch(u"ColorL", 11),
    Swatch(u"ColorM", 12),
    Swatch(u"ColorN", 13),
    Swatch(u"ColorO", 14),
    Swatch(u"ColorP", 15),

    // The disc manager's columns and order, saved with the windows.
    Column(u"DiscList0", 0, 146),
    Column(u"DiscList1", 1, 180),
    Column(u"DiscList2", 2, 166),
    Column(u"DiscList3", 3, 64),
    // Written only once it was set, so files without it stay as they are.
    Place(u"DiscListSort", &Settings::DiscListSort, 0).Range(-4, 4).When(KeyWrite::Kept),

    // Saved with the windows too: the drive (read at start-up) and the volume in percent.
    Row(u"Settings", u"DriveName", KeyKind::String, &Settings::DriveName).In(kStartupPart, kWindowPart),
    Row(u"Settings", u"Volume", KeyKind::Integer, &Settings::Volume)
        .In(kSettingsPart, kWindowPart)
        .Default(100)
        .Range(0, 100),

    // Look-ups on the internet, made only when the user asks for one: whether the program
    // offers them at all, and the services' base URLs (a mirror, or a test's own server).
    // Written only once they differ from the defaults or are in the file, so that files
    // of the old program stay as they are.
    Row(u"Online", u"LookUps", KeyKind::Bool, &Settings::OnlineLookUps)
        .In(kSettingsPart, kSettingsPart)
        .Default(true)
        .When(KeyWrite::Kept)
        .Edit(KeyEdit::OnOk, u"OnlineLookUps"),
    Row(u"Online", u"TitlesServer", KeyKind::String, &Settings::TitlesServer)
        .In(kSettingsPart, kSettingsPart)
        .Default(u"https://musicbrainz.org")
        .When(KeyWrite::Kept),
    Row(u"Online", u"LyricsServer", KeyKind::String, &Settings::LyricsServer)
        .In(kSettingsPart, kSettingsPart)
        .Default(u"https://lrclib.net")
        .When(KeyWrite::Kept),
};

template <typename T> constexpr bool kIsArray = false;
template <typename T, size_t N> constexpr bool kIsArray<std::array<T, N>> = true;

// Calls f with the row's value in s (a reference into s).
template <typename S, typename F> void withValue(S& s, const SettingsKey& key, F&& f)
{
    std::visit(
        [&](auto member) {
            auto& value = s.*member;
            if constexpr (kIsArray<std::remove_cvref_t<decltype(value)>>)
                f(value[key.slot]);
            else
                f(value);
        },
        key.member);
}

template <typename T> constexpr bool kIsText = std::is_same_v<std::remove_cvref_t<T>, QString>;

} // namespace

std::span<const SettingsKey> SettingsKeys() { return kKeys; }

const SettingsKey* FindSettingsKey(QStringView section, QStringView name)
{
    for (const SettingsKey& key : kKeys)
        if (key.section.compare(section, Qt::CaseInsensitive) == 0 && key.name.compare(name, Qt::CaseInsensitive) == 0)
            return &key;
    return nullptr;
}

int32_t SettingNumber(const Settings& settings, const SettingsKey& key)
{
    int32_t number = 0;
    withValue(settings, key, [&](const auto& value) {
        if constexpr (!kIsText<decltype(value)>) number = static_cast<int32_t>(value);
    });
    return number;
}

void SetSettingNumber(Settings& settings, const SettingsKey& key, int32_t number)
{
    withValue(settings, key, [&](auto& value) {
        using T = std::remove_cvref_t<decltype(value)>;
        if constexpr (std::is_same_v<T, bool>)
            value = number != 0;
        else if constexpr (!kIsText<T>)
            value = static_cast<T>(number);
    });
}

QString SettingText(const Settings& settings, const SettingsKey& key)
{
    QString text;
    withValue(settings, key, [&](const auto& value) {
        if constexpr (kIsText<decltype(value)>) text = value;
    });
    return text;
}

void SetSettingText(Settings& settings, const SettingsKey& key, const QString& text)
{
    withValue(settings, key, [&](auto& value) {
        if constexpr (kIsText<decltype(value)>) value = text;
    });
}

void CopySetting(Settings& to, const Settings& from, const SettingsKey& key)
{
    if (key.kind == KeyKind::String || key.kind == KeyKind::Format)
        SetSettingText(to, key, SettingText(from, key));
    else
        SetSettingNumber(to, key, SettingNumber(from, key));
}

bool SameSetting(const Settings& a, const Settings& b, const SettingsKey& key)
{
    if (key.kind == KeyKind::String || key.kind == KeyKind::Format) return SettingText(a, key) == SettingText(b, key);
    return SettingNumber(a, key) == SettingNumber(b, key);
}

Settings::Settings()
{
    for (const SettingsKey& key : kKeys) {
        if (key.kind == KeyKind::String || key.kind == KeyKind::Format)
            SetSettingText(*this, key, key.text.toString());
        else
            SetSettingNumber(*this, key, key.number);
    }
}
