// libFuzzer target for the cue sheets of disc images: any bytes as the sheet beside a
// small data file, opened as the device opens an image. Opening fails with a reason or
// gives a sound table of contents whose frames can be asked for; it never crashes or hangs.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/common/Defines.h"
#include "device/DiscDevice.h"

namespace {

// A broken rule is a crash, with the rule's line for the report.
#define check(ok) ((ok) ? void() : (std::fprintf(stderr, "broken: %s (line %d)\n", #ok, __LINE__), std::abort()))

QString cuePath;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    // Warnings about odd file names in odd sheets are expected here.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    // In memory where there is a tmpfs: the sheet is written for every input, and the
    // opener may make a temporary folder for it.
    if (QDir(QStringLiteral("/dev/shm")).exists()) qputenv("TMPDIR", "/dev/shm");
    static QTemporaryDir dir;
    cuePath = dir.filePath(QStringLiteral("disc.cue"));
    // Three seconds of audio: the data file the seeds' sheets name.
    QFile bin(dir.filePath(QStringLiteral("disc.bin")));
    check(bin.open(QIODevice::WriteOnly) && bin.write(QByteArray(225 * kSectorBytes, '\x11')) == 225 * kSectorBytes);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    {
        QFile cue(cuePath);
        check(cue.open(QIODevice::WriteOnly | QIODevice::Truncate));
        cue.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    QString error;
    std::unique_ptr<SectorSource> source = DiscDevice::OpenSource(cuePath, &error);
    if (!source) {
        check(!error.isEmpty());
        return 0;
    }
    const DiscToc toc = source->Toc();
    check(!toc.Empty() && toc.tracks.size() <= static_cast<size_t>(kMaxTracks));
    for (size_t i = 0; i < toc.tracks.size(); ++i) {
        check(toc.tracks[i].startFrame < toc.leadOutFrame);
        check(i == 0 || toc.tracks[i - 1].startFrame < toc.tracks[i].startFrame);
    }
    // The first and last frame of the disc, as playing from the start and to the end asks.
    std::vector<char> frame(kSectorBytes);
    source->Read(toc.tracks.front().startFrame, 1, frame.data());
    source->Read(toc.leadOutFrame - 1, 1, frame.data());
    source->Text();
    return 0;
}
