#pragma once
// TWordsForm: the lyrics window. A narrow window one text line high that shows the
// lyrics line of the playing moment and nothing else, under a caption naming the track.
// The tick drives it through WordsView; the line itself is chosen in the core
// (ChooseWords) and painted by PaintWords. A right click opens WordsPopMenu.
//
// For the settings dialog: the flags below and the look (WordsFont, TextColor,
// BackColor with their setters) are the window's state; ApplySettings takes all of it
// from the settings, StoreSettings gives it back, and Relayout followed by
// SetWordsVisible(WordsShown()) makes a change visible.
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "core/lyrics/WordsDraw.h"
#include "core/lyrics/WordsLine.h"
#include "core/playback/PlaybackController.h"

class CdDevice;
class Clock;
class CommandSet;
class TWords;
class TWordsPopMenu;
struct Settings;

class TWordsForm : public QWidget, public WordsView {
    Q_OBJECT
public:
    TWordsForm(CommandSet& commands, Settings& settings, Clock& clock, QWidget* parent = nullptr);
    ~TWordsForm() override;

    // The controller, the disc data, the drive (asked during a timing test) and the main
    // window as the controller's host (dialogs, the track list, focus), once they exist.
    void Attach(PlaybackController* player, const TWords* words, CdDevice* device, PlaybackHost* host);

    // WordsView
    bool WordsShown() const override { return wordsShown; }
    bool HideNoWords() const override { return hideNoWords; }
    // Also to be called after a change of the track's Adjust, so the next change is timed again.
    bool UpdateWords(bool active) override;
    void SetWordsVisible(bool visible) override;
    void PositionRead() override;

    // Fires when the next line change is due, between the ticks. The drive is asked
    // then: a change it has not reached yet is timed again from its answer.
    QTimer ChangeTimer;
    // Runs from a move or resize until the window counts as placed there.
    QTimer SettleTimer;

    // Paints LineText into the window's image.
    void DrawWords();
    // Applies font, frame and size: the font at least 6 points, the window exactly one
    // text line high, the line drawn again.
    void Relayout();

    // Everything the settings file says about the window (flags, font, colours), then
    // Relayout and SetWordsVisible(WordsShown()).
    void ApplySettings();
    // Once after loading: the window's place and width, brought onto the screen when they
    // do not fit it (a line at most half the screen high).
    void ApplyLoadedWindowState();
    // Before saving: place, width, and the font size the window may have changed; while a
    // maximise or full screen is being taken back, those it had before.
    void StoreWindowState();
    // The flags, font and colours back into the settings (the settings dialog's OK).
    void StoreSettings();

    // The look. WordsFont has its point size set; SetWordsFont takes a point size (or,
    // without one, a pixel size). Call Relayout afterwards.
    QFont WordsFont() const;
    void SetWordsFont(const QFont& font);
    QColor TextColor() const { return look.color; }
    void SetTextColor(const QColor& color) { look.color = color; }
    QColor BackColor() const { return look.background; }
    void SetBackColor(const QColor& color) { look.background = color; }
    // The character height in pixels.
    int FontPixels() const { return fontPixels; }

    // Stay on top with the main window.
    void SetStayOnTop(bool on);

    TWordsPopMenu* PopMenu() const { return popMenu; }
    // The painted image (device pixels, with its device pixel ratio).
    const QImage& WordsImage() const { return image; }

    // State, named as the settings keys and the old window's fields.
    QString LineText;           // the line now shown; empty when none
    int WordsAlign = 2;         // 0 left, 1 right, 2 centre
    bool WordsContDisp = false; // a line followed closely by the next stays up to a second longer
    bool WordsNoMove = false;   // not moved or resized unless Shift is held
    bool HideWordsBar = false;  // no title bar; dragged by its text
    void SetHideNoWords(bool on) { hideNoWords = on; }

    // Closing this window asked the program to end and it did not (edits that would be
    // lost, and the user chose to stay): the window comes back.
    void CloseRefused();

signals:
    // The user closed the window: the program ends through the main window.
    void CloseRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    // Shift as the move and resize rules see it.
    virtual bool ShiftHeld() const;

private:
    // readDrive: the change timer fired; the drive is asked rather than the estimate.
    bool updateWords(bool active, bool readDrive);
    void formResize();
    void applyFrame();
    int frameWidth() const;
    Qt::Edges edgesAt(const QPoint& pos) const;
    bool mayMove() const;

    CommandSet& cmd;
    Settings& settings;
    Clock& clock;
    PlaybackController* player = nullptr;
    const TWords* words = nullptr;
    CdDevice* device = nullptr;
    PlaybackHost* host = nullptr;
    TWordsPopMenu* popMenu;

    WordsLook look;
    int fontPixels = 16;
    QImage image;
    bool wordsShown = false;
    bool hideNoWords = false;
    bool inLayout = false;
    bool stayOnTop = false;
    bool lastActive = false; // what the tick last said: a registered disc plays or is paused
    int shownTrack = 0;      // where the line on show was chosen (a late reading does not take it back)
    int32_t shownPosition = 0;
    int scaledFrom = -1; // the client height the font was last scaled from
    QPoint placedAt;     // where the window stands while it may not move
    QSize placedSize;
    bool placing = false;  // the window itself is moving or sizing
    bool reverted = false; // a move or resize was just taken back
    bool closing = false;  // the program is ending

    // The window as it stood in its own state, for taking back a maximise or full screen
    // (a window manager offers them on any title bar). A manager may tell the new size
    // before the new state, so the place is taken only once the geometry has been still
    // for a moment, and a maximise puts back what was taken before it.
    struct Placement {
        QPoint pos;     // of the frame, as the settings keep it
        QRect geometry; // inside the frame, as it is put back whatever the frame is then
        int fontPixels = 0;
        int scaledFrom = -1;
    };
    Placement placement() const;
    void settle();
    void geometryStill();
    // Brings a window that does not fit its screen onto it: the line at most half the
    // screen high, no wider than the screen, and all of it in view.
    void bringOntoScreen();
    void restore(const Placement& p);
    Placement settled;
    Placement takenBackTo;
    bool takingBack = false;   // a maximise or full screen is being taken back
    bool fitWhenShown = false; // the saved place is checked again with the frame
};
