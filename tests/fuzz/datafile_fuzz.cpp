// libFuzzer target for the disc data file: any bytes are loaded, edited as the data
// entry does, and saved; loading and saving that once more changes nothing, and the
// edits read back. All in memory: no file is touched in the loop.
#include <QCoreApplication>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/common/Commands.h"
#include "core/common/Error.h"
#include "core/discdata/Words.h"
#include "core/playback/StillDrive.h"
#include "core/settings/IniDocument.h"
#include "core/settings/IniFile.h"

namespace {

// A drive holding an audio disc of as many tracks as the file names (up to 99), so that
// every section of a file counts and small files stay quick.
struct FileDisc : StillDrive {
    FileDisc() : StillDrive(ModeStopped, 1, 60000) {}
};

// The highest track number a Words section or a title names, at least 1.
int tracksNamed(const IniDocument& doc)
{
    int highest = 1;
    auto number = [&](QStringView digits) {
        bool ok = false;
        const int n = digits.toInt(&ok);
        if (ok && n > highest) highest = std::min(n, kMaxTracks);
    };
    for (const QString& name : doc.SectionNames())
        if (name.size() == 7 && name.startsWith(QLatin1String("Words"), Qt::CaseInsensitive))
            number(QStringView(name).sliced(5));
    for (const auto& [key, value] : doc.Entries(QStringLiteral("Title")))
        if (key.size() == 2) number(key);
    return highest;
}

struct World {
    FileDisc device;
    CommandSet commands;
    Settings settings;
    std::unique_ptr<TWords> words;
    World()
    {
        // No settings file: every disc is unregistered until the target says otherwise.
        settings.IniPath = QStringLiteral("/nonexistent/Mirelune.ini");
        settings.DefaultDataFolder = QStringLiteral("/nonexistent/");
        words = std::make_unique<TWords>(device, commands, settings);
    }
};

World* world = nullptr;

// A broken rule is a crash, with the rule's line for the report.
#define check(ok) ((ok) ? void() : (std::fprintf(stderr, "broken: %s (line %d)\n", #ok, __LINE__), std::abort()))

// The disc comes in and its file is read from doc, as NewDisc and Load do.
bool load(TWords& words, const IniDocument& doc)
{
    world->device.tracks = tracksNamed(doc);
    words.NewDisc(world->device.tracks);
    words.FileName = QStringLiteral("/nonexistent/fuzz.dat");
    const bool whole = words.LoadFrom(doc, dpAll);
    words.ResolveCopies();
    // The main window takes the play type as the disc load does.
    int type = words.PlayTypeCode & 0x0F;
    if (type > 3 || (type >= 2 && !world->commands.TypeProgItem->isEnabled())) type = 0;
    world->commands.PlayTypeItem(type)->setChecked(true);
    for (int t = 1; t <= words.SongCount; ++t) check(words.GetLineCount(t) >= 0 && words.GetLineCount(t) <= kMaxLines);
    check(words.ProgramCount >= 0 && words.ProgramCount <= kProgramSlots);
    return whole;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    static World w;
    world = &w;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TWords& words = *world->words;
    IniDocument doc = IniDocument::FromBytes(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const bool whole = load(words, doc);

    // The user gives one track a title and a first line of its own.
    const int track = 1 + static_cast<int>(size % static_cast<size_t>(words.SongCount));
    const QString title = QStringLiteral("edited %1").arg(size);
    const TWordsLine line{QStringLiteral("edited, line"), static_cast<int32_t>(size), static_cast<int32_t>(size) + 50};
    words.SetSongTitle(track, title);
    words.SetCopyTrack(track, 0);
    words.SetLine(track, 1, line);
    words.SetLineCount(track, std::max(1, words.GetLineCount(track)));
    words.PlayTime += 1;
    words.SaveInto(doc, dpAll);
    const QByteArray once = doc.ToBytes();

    // Read back, the edits are there; saved again, nothing changes. (After a read that
    // stopped early the edit may have mended the file, and the next read finds more.)
    IniDocument again = IniDocument::FromBytes(once);
    if (load(words, again)) {
        check(words.GetSongTitle(track) == title);
        const TWordsLine back = words.GetLine(track, 1);
        check(back.Text == line.Text && back.StartTime == line.StartTime && back.EndTime == line.EndTime);
    }
    words.SaveInto(again, dpAll);
    if (whole) check(again.ToBytes() == once);
    return 0;
}
