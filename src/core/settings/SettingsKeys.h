#pragma once
// The one table of the settings file's keys. Each row says where the key lives, its
// default, how a value read is taken and when it is written, the Settings member it
// fills and the settings dialog's control that edits it. Reading, writing, the settings
// dialog and the defaults of Settings all go by it, so a key is added in one place.
#include <QStringView>
#include <span>
#include <variant>

#include "IniFile.h"

enum class KeyKind : uint8_t {
    Bool,    // "0" or "1"; anything else reads as the profile functions read it
    Integer, // read clamped into the row's range, written clamped into its written range
    Color,   // 0x00BBGGRR as a signed decimal integer
    String,  // a value in matching quotes loses them; at most 2047 characters are read
    Format,  // a String whose backslash-"n" pairs are line breaks
    Swatch,  // a custom colour slot: six hex digits; absent or unreadable is unset
};

// When a row's part writes it.
enum class KeyWrite : uint8_t {
    Always,
    Placed, // only when above kOffScreenTop and Settings::PlacesKnown
    Where,  // only when Settings::PlacesKnown
    Set,    // only when it is not the default
    Kept,   // only when it is not the default or the file has it already
};

// What the settings dialog does with it.
enum class KeyEdit : uint8_t {
    None,
    OnOk, // its control shows it on opening and OK takes the control's value
    Live, // shown in the windows as it is chosen; Cancel puts back what it was
};

// The member a row binds: a plain member, or one element (the row's slot) of an array.
using SettingsMember = std::variant<bool Settings::*, int32_t Settings::*, uint32_t Settings::*, QString Settings::*,
                                    std::array<int32_t, 4> Settings::*, std::array<uint32_t, 16> Settings::*>;

// The parts a row is read or written by, as a set.
constexpr uint8_t PartBit(uint8_t part) { return part < 8 ? static_cast<uint8_t>(1u << part) : 0; }

struct SettingsKey {
    QStringView section;
    QStringView name;
    KeyKind kind = KeyKind::Integer;
    SettingsMember member;
    uint8_t slot = 0;
    uint8_t readBy = 0;                                      // PartBit of every part that reads it
    uint8_t writtenBy = 0;                                   // PartBit of every part that writes it
    int32_t number = 0;                                      // the default of every kind but the strings
    QStringView text;                                        // the default of a string; null for none
    int32_t low = INT32_MIN, high = INT32_MAX;               // a value read is clamped into this
    int32_t writtenLow = INT32_MIN, writtenHigh = INT32_MAX; // a value written is clamped into this
    KeyWrite when = KeyWrite::Always;
    KeyEdit edit = KeyEdit::None;
    QStringView control; // object name of the settings dialog's control for it

    bool ReadBy(uint8_t part) const { return (readBy & PartBit(part)) != 0; }
    bool WrittenBy(uint8_t part) const { return (writtenBy & PartBit(part)) != 0; }
};

// Every key, in the order the parts write them.
std::span<const SettingsKey> SettingsKeys();
// The row of a key; null when the table has none.
const SettingsKey* FindSettingsKey(QStringView section, QStringView name);

// A row's value in settings: flags, numbers and colours as numbers (colours as their
// bits), strings as text.
int32_t SettingNumber(const Settings& settings, const SettingsKey& key);
void SetSettingNumber(Settings& settings, const SettingsKey& key, int32_t value);
QString SettingText(const Settings& settings, const SettingsKey& key);
void SetSettingText(Settings& settings, const SettingsKey& key, const QString& value);
// Copies the row's value from one Settings to another.
void CopySetting(Settings& to, const Settings& from, const SettingsKey& key);
// Whether two Settings hold the same value for the row.
bool SameSetting(const Settings& a, const Settings& b, const SettingsKey& key);
