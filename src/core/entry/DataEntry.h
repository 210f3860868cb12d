#pragma once
// The rules of data entry that need no window: turning memo text into lyrics lines,
// the line limit, the copy sources a track may take, the timing check OK runs, and
// reading a lyrics text file.
#include <QByteArray>
#include <QStringList>
#include <optional>
#include <vector>

class TWords;
struct LrcLyrics;

// The lines of a memo text. Every line break ends a line, so a text that ends with a
// break gets no empty line after it; CR LF, CR and LF all break.
QStringList MemoLines(const QString& text);
// The memo text of lines: each line followed by its break.
QString MemoText(const QStringList& lines);

// How the lines of a lyrics text correspond after an edit from before to after: for
// each line of after, the index in before of the line it is, or -1 for a new line (a
// line diff). Lines left unchanged in their order are matched first, as many as can be;
// then lines left unchanged that moved (cut and pasted elsewhere), each text to the
// first line of that text not matched yet. Between two unchanged lines of the first kind
// (or the text's ends), the lines left over are matched one for one in order when as
// many were there before as after (lines edited in place), and otherwise only where the
// texts are alike: at least half of the longer one's characters, in order, are in the
// other. Lines of before that nothing matches are deleted.
std::vector<int> FollowLines(const QStringList& before, const QStringList& after);

// Stores lines as track's lyrics. Each line keeps the times of the line it was before
// the edit (FollowLines), so that times stay with their texts; a new line starts with
// none and a deleted line's times go. Lines beyond the new count keep their records but
// no longer count. False, and nothing stored, above 127 lines. moved, when given, gets
// what FollowLines found.
bool StoreLyrics(TWords& words, int track, const QStringList& lines, std::vector<int>* moved = nullptr);

// The first line (1-based) that is exactly the data file's end-of-lyrics mark "***",
// 0 when none is. Stored, such a line would end the track's lyrics when the file is read
// again, and the lines after it would be lost.
int EndMarkLine(const QStringList& lines);

// The tracks that track may borrow its lyrics from, in order: every listed track that
// borrows from none, except track itself.
std::vector<int> CopySources(const TWords& words, int track);
// Links track to source (0: none) and fills borrowing tracks at once.
void SetCopySource(TWords& words, int track, int source);

// The first contradicting time, scanning tracks and then lines in order. Column 1: the
// line ends at or before it starts; column 2: the next line starts before this one
// ends (wins when both hold). Times of 0 are never compared; a borrowing track is
// checked through its source.
struct TimingFault {
    int Track = 0;
    int Line = 0;
    int Column = 0;
};
std::optional<TimingFault> CheckTiming(const TWords& words);

// A lyrics text file. With a UTF-16 byte-order mark it is UTF-16; with a UTF-8 mark, or
// when the bytes are valid UTF-8 and not plain ASCII, UTF-8; otherwise code page 932, or
// Windows-1252 when they are no plausible code page 932 (DecodeForeignText). Lines are
// split as memo text is.
struct ImportedLyrics {
    QStringList Lines;
    bool Utf8 = false;        // a Unicode file (UTF-8 or UTF-16)
    bool Windows1252 = false; // read as Windows-1252
    int Invalid = 0;          // bytes that did not decode
};
ImportedLyrics DecodeLyricsText(const QByteArray& bytes);
// Reads a lyrics text file; a file that cannot be read offers Retry and Cancel. No
// value when the user cancelled.
std::optional<ImportedLyrics> ReadLyricsFile(const QString& path);

// What the user is told after an import, one sentence each (in English for
// mirelune-tool): a file read as Windows-1252, bytes that did not decode, and for an LRC file (lrc not null) lines
// beyond 127, lines moved off 00:00.00, and lines skipped, with why and where. Empty
// when all went in as written.
QStringList ImportNotes(const ImportedLyrics& file, const LrcLyrics* lrc);
