// libFuzzer target for the LRC reader: any bytes, decoded as a lyrics file and read as
// LRC, give lines a track can hold and the timing check accepts, and what the writer
// makes of them reads back to the same file.
#include <QCoreApplication>
#include <cstdint>
#include <cstdlib>

#include "core/common/Defines.h"
#include "core/discdata/Lrc.h"
#include "core/entry/DataEntry.h"

namespace {

void check(bool ok)
{
    if (!ok) std::abort();
}

bool cleanText(const QString& text)
{
    if (text.isEmpty() || text == QStringLiteral("***")) return false;
    if (text.front().unicode() <= 0x20 || text.back().unicode() <= 0x20) return false;
    for (QChar c : text)
        if (c.unicode() < 0x20) return false;
    return true;
}

void readAndWriteBack(const QStringList& lines, int32_t trackEnd)
{
    const LrcLyrics read = ReadLrc(lines, trackEnd);
    check(read.Lines.size() <= static_cast<size_t>(kMaxLines));
    check(read.Dropped >= 0 && (read.Dropped == 0 || read.Lines.size() == static_cast<size_t>(kMaxLines)));
    check(read.Adjust >= -kAdjustLimit && read.Adjust <= kAdjustLimit);
    for (size_t i = 0; i < read.Lines.size(); ++i) {
        const TWordsLine& l = read.Lines[i];
        check(l.StartTime >= 0 && cleanText(l.Text));
        check(l.EndTime == 0 || l.EndTime > l.StartTime);
        if (i + 1 < read.Lines.size()) {
            check(read.Lines[i + 1].StartTime > l.StartTime);
            check(l.EndTime <= read.Lines[i + 1].StartTime);
        }
    }
    const LrcTrack track{read.Title, read.Artist, read.Album, trackEnd, 0, read.Lines};
    const QString once = WriteLrc(track);
    const LrcLyrics again = ReadLrc(MemoLines(once), trackEnd);
    check(again.Adjust == 0 && again.Dropped == 0 && again.Lines.size() == read.Lines.size());
    // Every word time comes back with its line.
    for (size_t i = 0; i < read.Lines.size(); ++i) check(again.Lines[i].Words == read.Lines[i].Words);
    check(WriteLrc({again.Title, again.Artist, again.Album, trackEnd, 0, again.Lines}) == once);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList lines = DecodeLyricsText(bytes).Lines;
    // A track of known length, or one whose length only the file may tell: one of the two
    // by the input's length, which the fuzzer varies, rather than both at twice the cost.
    readAndWriteBack(lines, size % 2 == 0 ? 30000 : 0);
    const QString name = LrcFileName(size % 100, lines.value(0));
    check(name.toUtf8().size() <= 255 && !name.contains(QLatin1Char('/')));
    return 0;
}
