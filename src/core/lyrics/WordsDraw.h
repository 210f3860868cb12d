#pragma once
// How the lyrics window lays out and paints its one line, and how its font follows the
// window's height. Kept apart from the window so that these rules run without one.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

// The lyrics' look: the font (family and style; its pixel size is the character height,
// without internal leading), the text and background colours and the alignment.
struct WordsLook {
    QFont font;
    QColor color = Qt::white;
    QColor background = Qt::black;
    int align = 2; // 0 left, 1 right, 2 centre
};

// Text height of "0": the height of a line of the font, internal leading included.
int WordsTextHeight(const QFont& font);
// The image is one text line high with two pixels to spare above and below.
inline int WordsImageHeight(const QFont& font) { return WordsTextHeight(font) + 4; }

// Where a line goes in an image clientWidth wide (logical pixels).
struct WordsPlacement {
    qreal x = 0;     // left of the text, before the squeeze is applied
    int y = 0;       // top of the text: 1 for a face with internal leading, else 2
    qreal scale = 1; // horizontal scale; below 1 when the line is squeezed
    bool squeezed = false;
};
// textWidth: the line's width as drawn. A line that fits (narrower than clientWidth − 2)
// is placed 2 pixels from the left, 2 from the right, or centred; a wider one is drawn
// at 1 and squeezed so that its width plus 2 becomes the client width: never cut,
// wrapped or scrolled.
WordsPlacement PlaceWords(const QFont& font, qreal textWidth, int clientWidth, int align);

// Paints text into image (sized in device pixels, its device pixel ratio set): the
// background, then the line as PlaceWords places it. A squeezed line is drawn through a
// scaling transform, so its glyphs stay sharp at any density.
void PaintWords(QImage& image, const WordsLook& look, const QString& text);

// Font sizes: pixels are character heights at dpi dots per inch; halves round away from zero.
int PointsOfPixels(int pixels, int dpi);
int PixelsOfPoints(int points, int dpi);
// The character height after the user made the client clientHeight pixels high: pixels
// scaled by (clientHeight − 4) / textHeight, halves rounded to even; at least 1.
int ResizedFontPixels(int pixels, int clientHeight, int textHeight);
// The lyrics font never goes below 6 points.
int FloorFontPixels(int pixels, int dpi);
