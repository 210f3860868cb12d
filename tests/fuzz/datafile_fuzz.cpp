// libFuzzer target for the INI engine and the data file reader: any bytes, read as a
// settings file or a disc data file, must neither crash nor break the engine's rules.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "common/Commands.h"
#include "common/Error.h"
#include "common/TextCodec.h"
#include "discdata/Words.h"
#include "playback/CdDevice.h"
#include "settings/IniDocument.h"
#include "settings/IniFile.h"

namespace {

// A drive with a ten-track audio disc.
class TenTracks : public CdDevice {
public:
    bool Open(const QString&) override { return true; }
    void Close() override {}
    void Stop() override {}
    void Play() override {}
    void Pause() override {}
    void Resume() override {}
    void Rewind() override {}
    void Eject() override {}
    void CloseDoor() override {}
    void SetTimeFormat(int) override {}
    void SetStartPos(int32_t) override {}
    void SetEndPos(int32_t) override {}
    void SetWait(bool) override {}
    int Mode() override { return ModeStopped; }
    int32_t Position() override { return 0; }
    int TrackCount() override { return 10; }
    int32_t TrackPosition(int n) override { return 2000 + (n - 1) * 60000; }
    int32_t TrackLength(int) override { return 60000; }
    bool TrackIsAudio(int) override { return true; }
};

// Answers every box with Cancel, quietly.
class Silent : public MessagePresenter {
public:
    int Show(const QString&, const QString&, unsigned) override { return IdCancel; }
};

// Files in memory where there is a tmpfs: every input is saved twice, and syncing a
// disk that often would make the run crawl.
QString scratchTemplate()
{
    const QString shm = QStringLiteral("/dev/shm");
    return (QFileInfo(shm).isDir() && QFileInfo(shm).isWritable() ? shm : QDir::tempPath()) +
           QStringLiteral("/mirelune-fuzz-XXXXXX");
}

struct World {
    QTemporaryDir dir{scratchTemplate()};
    TenTracks device;
    CommandSet commands;
    Settings settings;
    Silent silent;
    std::unique_ptr<TWords> words;
    QString dataPath;

    World()
    {
        SetMessagePresenter(&silent);
        settings.IniPath = dir.filePath(QStringLiteral("Mirelune.ini"));
        settings.DefaultDataFolder = dir.path() + QLatin1Char('/');
        words = std::make_unique<TWords>(device, commands, settings);
        words->NewDisc(10);
        dataPath = DataFilePath(settings, QStringLiteral("fuzz"));
    }
};

World* world = nullptr;

void check(bool ok)
{
    if (!ok) std::abort();
}

void writeFile(const QString& path, const uint8_t* data, size_t size)
{
    QFile f(path);
    check(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    static World w;
    world = &w;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    // The engine: printing what was read and reading it again changes nothing.
    const IniDocument doc = IniDocument::Parse(DecodeFileText(bytes).text);
    const QString once = doc.ToText();
    check(IniDocument::Parse(once).ToText() == once);
    int32_t v = 0;
    for (const auto& [key, value] : doc.Entries(doc.SectionNames().value(0))) ParseIniInteger(value, &v);

    // The settings file: every part reads without harm.
    writeFile(world->settings.IniPath, data, size);
    LoadSettings(world->settings, spStartup);
    LoadSettings(world->settings, spSettings);
    ReadWordsFileSection(world->settings);
    LookupWordsFile(world->settings, QStringLiteral("87C8548A"));

    // The data file: read all of it, write it back, read it again.
    TWords& words = *world->words;
    writeFile(world->dataPath, data, size);
    words.FileName = world->dataPath;
    words.Load(dpAll);
    for (int t = 1; t <= words.SongCount; ++t) check(words.GetLineCount(t) >= 0 && words.GetLineCount(t) <= kMaxLines);
    check(words.ProgramCount >= 0 && words.ProgramCount <= kProgramSlots);
    // What one save wrote, a load and a second save leave as it is.
    if (words.Save(dpAll)) {
        const QByteArray first = readFile(world->dataPath);
        words.Load(dpAll);
        if (words.Save(dpAll)) check(readFile(world->dataPath) == first);
    }
    return 0;
}
