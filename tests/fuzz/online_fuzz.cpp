// libFuzzer target for the readers of the look-up services' answers: any bytes read as a
// disc-id answer, a lyrics record and a list of lyrics records give titles a data file can
// hold, a choice within 2 s of the track's length, and lines a track can hold.
#include <QCoreApplication>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "core/common/Defines.h"
#include "core/online/OnlineAnswers.h"

namespace {

void check(bool ok)
{
    if (!ok) std::abort();
}

bool oneLine(const QString& text) { return !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')); }

void checkLines(const LrcLyrics& lyrics)
{
    check(lyrics.Lines.size() <= static_cast<size_t>(kMaxLines));
    for (const TWordsLine& l : lyrics.Lines) {
        check(!l.Text.isEmpty() && oneLine(l.Text) && l.Text != QStringLiteral("***"));
        check(l.StartTime >= 0 && (l.EndTime == 0 || l.EndTime > l.StartTime));
    }
}

void checkRecords(const LyricsAnswer& answer, double seconds)
{
    check(answer.Error.isEmpty() || answer.Records.empty());
    const int chosen = ChooseLyrics(answer.Records, seconds);
    check(chosen >= -1 && chosen < static_cast<int>(answer.Records.size()));
    if (chosen >= 0) check(std::fabs(answer.Records[chosen].Duration - seconds) <= 2.0);
    for (const LyricsRecord& r : answer.Records) checkLines(LyricsLines(r, static_cast<int32_t>(seconds * 100)));
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
    const TitlesAnswer titles = ReadTitlesAnswer(bytes, QStringLiteral("Ozt5yAPzdbABQFOLX9Ubb7Y6tCg-"));
    check(titles.Error.isEmpty() || titles.Releases.empty());
    for (const TitlesRelease& r : titles.Releases) {
        check(!r.TrackTitles.isEmpty() && r.TrackTitles.size() <= kMaxTracks);
        check(oneLine(r.Title) && oneLine(r.Artist) && oneLine(r.Date) && oneLine(r.Country));
        for (const QString& t : r.TrackTitles) check(oneLine(t));
    }
    const double seconds = static_cast<double>(size % 600);
    checkRecords(ReadLyricsGet(bytes), seconds);
    checkRecords(ReadLyricsSearch(bytes), seconds);
    return 0;
}
