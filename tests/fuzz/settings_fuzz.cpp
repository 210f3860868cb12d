// libFuzzer target for the settings file: any bytes are read part by part as start-up
// and the settings dialog read them, the registry is looked up, and every part is saved.
// Read and saved once more, neither the bytes nor the values change. All in memory: no
// file is touched in the loop.
#include <QCoreApplication>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "core/settings/IniDocument.h"
#include "core/settings/IniFile.h"
#include "core/settings/SettingsKeys.h"

namespace {

// A broken rule is a crash, with the rule's line for the report.
#define check(ok) ((ok) ? void() : (std::fprintf(stderr, "broken: %s (line %d)\n", #ok, __LINE__), std::abort()))

const QString kWordsFile = QStringLiteral("WordsFile");

Settings read(const IniDocument& doc)
{
    Settings s;
    s.DefaultDataFolder = QStringLiteral("/data/");
    ReadSettingsPart(s, doc, spStartup);
    ReadSettingsPart(s, doc, spSettings);
    // The registry as the disc lookup and the disc manager see it: every listed disc is found.
    const auto entries = doc.Entries(kWordsFile);
    for (qsizetype i = 0; i < entries.size() && i < 16; ++i) check(doc.Value(kWordsFile, entries[i].first).has_value());
    return s;
}

void save(Settings& s, IniDocument& doc)
{
    s.WordsFileId = QStringLiteral("87C8548A");
    s.WordsFileName = QStringLiteral("Registered");
    for (uint8_t part : {spSettings, spWindow, spWordsFile}) WriteSettingsPart(s, doc, part);
    check(doc.ReadString(kWordsFile, s.WordsFileId, QString()) == s.WordsFileName);
}

bool same(const Settings& a, const Settings& b)
{
    for (const SettingsKey& key : SettingsKeys())
        if (!SameSetting(a, b, key)) return false;
    return a.DataFolder == b.DataFolder;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    IniDocument doc = IniDocument::FromBytes(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), IniComments::Keep);
    // As start-up reads it, then the settings dialog after the migration.
    Settings first;
    ReadSettingsPart(first, doc, spStartup);
    MigrateSettings(doc);
    first = read(doc);
    save(first, doc);
    const QByteArray once = doc.ToBytes();

    // Read back and saved again: the same bytes and the same values.
    IniDocument again = IniDocument::FromBytes(once, IniComments::Keep);
    Settings second = read(again);
    save(second, again);
    check(again.ToBytes() == once);
    check(same(read(again), second));
    return 0;
}
