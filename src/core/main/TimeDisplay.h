#pragma once
// The main window's drawn time display. It lives in the core so that its states and
// its redraw rules are exercised without widgets: the window only shows the image.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

// What the display shows; dsRedraw asks the next update to draw everything again.
enum DisplayStateValue : int { dsTime = 0, dsCdRom = 1, dsNoDisc = 2, dsLoading = 3, dsRedraw = 4 };

// "  12’05” " with the typographic marks, or its ASCII form for a font without Japanese;
// six digits of minutes (and no trailing blank) from 100 minutes on, so the right edge stays.
QString TimeText(int minutes, int seconds, bool japaneseMarks);
// "Normal", or "Rnd. 03", "Prg. 03", "P.R. 03" with the shown ordinal.
QString PlayTypeText(int playType, int ordinal);
// "T.Pass", "T.Rest", "Pass", "Rest".
QString TimeModeText(int timeMode);
// "CD-ROM", "No disc", "Loading..." for states 1 to 3.
QString StatusText(int state);
// The status put before the title while the main window is hidden or minimised.
QString StatusTitle(int number, int minutes, int seconds, const QString& title);

// One update's input, as the tick leaves it.
struct DisplayInput {
    bool loading = false;
    int deviceMode = 6;
    bool hasAudio = false;
    int number = 0;
    int minutes = 0;
    int seconds = 0;
};

class TimeImage {
public:
    TimeImage();
    // Size in pixels (93 x 31 at 96 dpi); the image is cleared to the background.
    void Resize(int width, int height);

    // Draws what the input asks for and returns the state shown. The image is cleared only
    // when the state changes; the time is drawn only when its text changes.
    int Update(const DisplayInput& in);
    // The next update forgets the drawn text and draws again.
    void RequestRedraw() { DisplayState = dsRedraw; }

    QImage image;
    int DisplayState = dsTime;
    QString DrawnTime; // number text + time text last drawn
    QFont font;        // family and style; the size is set by each draw
    QColor background = Qt::black;
    QColor timeColor = QColor(0, 255, 255);
    bool japaneseMarks = true;

    // Paint work done, for the tests of the redraw rules.
    int clears = 0;
    int timeDraws = 0;

private:
    void clear();
    void drawText(const QString& text, int x, int y, int pixelSize, bool alignRight);
};
