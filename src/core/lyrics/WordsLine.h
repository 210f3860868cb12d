#pragma once
// Which lyrics line belongs to the playing position. The lyrics window draws what
// this chooses; the choice itself needs no window.
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class PlaybackController;
class TWords;

struct LineSpan {
    int32_t StartTime = 0; // hundredths of a second from the start of the track
    int32_t EndTime = 0;
};

// Hundredths of a second into the track at absolute position ms: the quotient is
// truncated toward zero, then the track's adjustment (and that of the track it
// borrows its lyrics from, 0 when none) is taken off.
int32_t LinePosition(int32_t positionMs, int32_t songStartMs, int adjust, int copyAdjust);

// The 1-based index of the line to show at pos, or 0 for none: the highest-numbered
// line whose start has strictly passed, as long as its end has not been reached. With
// wordsContDisp a line followed within one second by the next is kept up to one
// second past its end. Lines are taken in the order given, not sorted.
int ChooseLine(int32_t pos, int lineCount, const std::function<LineSpan(int)>& line, bool wordsContDisp);

// The first position after pos (hundredths, as LinePosition gives them) at which
// ChooseLine chooses another line; none when the choice stays as it is.
std::optional<int32_t> NextLineChange(int32_t pos, int lineCount, const std::function<LineSpan(int)>& line,
                                      bool wordsContDisp);

// The first absolute position in ms at which LinePosition reaches linePos.
int32_t FirstPositionAt(int32_t linePos, int32_t songStartMs, int adjust, int copyAdjust);

// What UpdateWords reads from the playback controller, the data-entry dialog and the
// settings to choose the caption and the line.
struct WordsInput {
    bool Active = false;    // a registered disc is playing or paused
    bool Testing = false;   // a timing test runs: the drive is asked directly
    bool ReadDrive = false; // a change is due by the estimate: the drive is asked whether it is
    int CurrentTrack = 0;
    int32_t LastPosition = 0;      // ms, read at the last poll
    uint32_t LastPositionTick = 0; // tick count of that poll
    uint32_t Now = 0;              // tick count now
    bool IsPaused = false;
    bool InDataEntry = false;
    int PollCountdown = 0; // negative right after a jump, until the next poll
    bool WordsContDisp = false;
    bool HideNoWords = false;
    std::function<int32_t()> DevicePosition; // the drive's position, read only while Testing or for ReadDrive
    // The position the line on show was chosen at, in its track (0: nothing chosen yet). A
    // reading at most kReadingJitterMs behind it in the same track is the drive answering a
    // little late, not a step back: the line just shown is not taken back for it.
    int ShownTrack = 0;
    int32_t ShownPosition = 0;
};

constexpr int32_t kReadingJitterMs = 30;

struct WordsChoice {
    bool Unchanged = false; // leave caption and line as they are (a poll is due, or data entry)
    bool Unwanted = false;  // the track has no lyrics and HideNoWords is on: hide the window
    QString Caption;        // the window's caption (not set while the track list is dropped down)
    QString Line;           // the line to show; empty for none
    int LineIndex = 0;      // its index in the track, 1-based; 0 for none
    // When the choice will differ: the tick count at which the position, running on
    // from the one read, reaches the next start or end (adjustments applied). Not while
    // paused, nor when no line will change any more.
    bool ChangeDue = false;
    uint32_t ChangeTick = 0;
    int32_t Position = 0; // the position the choice was made at (the next ShownPosition)
};

// The caption and line for the current moment: "歌詞" and no line when inactive; else
// "NN: title - 歌詞" (with "テスト" during a timing test) and the line of the track
// (or of the track it borrows from) whose time span holds the position, and when that
// will change.
WordsChoice ChooseWords(const TWords& words, const WordsInput& in);

// Copies the playing moment (track, last poll, pause, data entry, poll countdown) from
// the controller into in; Now, the settings and the activity stay as they were.
void TakeMoment(WordsInput& in, const PlaybackController& player);
