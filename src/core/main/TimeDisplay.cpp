#include "TimeDisplay.h"

#include <QPainter>

#include "core/common/Defines.h"
#include "core/common/Etc.h"

namespace {
const QChar kMinuteMark(0x2019); // ’
const QChar kSecondMark(0x201D); // ”

// Point sizes of the old layout at 96 dpi, as pixel heights.
int PixelsForPoints(int points) { return ScaleToScreen((points * 96 + 36) / 72); }
} // namespace

QString TimeText(int minutes, int seconds, bool japaneseMarks)
{
    const bool wide = minutes > 99;
    const QString m = QString::number(minutes).rightJustified(wide ? 6 : 5, QLatin1Char(' '));
    const QString s = FormatZeroPad(seconds, 2);
    QString text = japaneseMarks ? m + kMinuteMark + s + kSecondMark : m + QStringLiteral("' ") + s + QLatin1Char('"');
    if (!wide) text += QLatin1Char(' ');
    return text;
}

QString PlayTypeText(int playType, int ordinal)
{
    static const char* const names[] = {"Normal", "Rnd", "Prg", "P.R"};
    if (playType < 0 || playType > 3) return {};
    QString text = QLatin1String(names[playType]);
    if (playType != ptNormal) text += QStringLiteral(". ") + FormatZeroPad(ordinal, 2);
    return text;
}

QString TimeModeText(int timeMode)
{
    static const char* const names[] = {"T.Pass", "T.Rest", "Pass", "Rest"};
    return timeMode >= 0 && timeMode <= 3 ? QLatin1String(names[timeMode]) : QString();
}

QString StatusText(int state)
{
    switch (state) {
    case dsCdRom: return QStringLiteral("CD-ROM");
    case dsNoDisc: return QStringLiteral("No disc");
    case dsLoading: return QStringLiteral("Loading...");
    default: return {};
    }
}

QString StatusTitle(int number, int minutes, int seconds, const QString& title)
{
    return QLatin1Char('[') + FormatZeroPad(number, 2) + QStringLiteral("] ") + QString::number(minutes) + kMinuteMark +
           FormatZeroPad(seconds, 2) + kSecondMark + QStringLiteral(" - ") + title;
}

TimeImage::TimeImage() { Resize(ScaleToScreen(93), ScaleToScreen(31)); }

void TimeImage::Resize(int width, int height)
{
    image = QImage(width, height, QImage::Format_RGB32);
    image.fill(background);
    DrawnTime.clear();
}

void TimeImage::clear()
{
    image.fill(background);
    ++clears;
}

void TimeImage::drawText(const QString& text, int x, int y, int pixelSize, bool alignRight)
{
    QPainter p(&image);
    QFont f = font;
    f.setPixelSize(pixelSize);
    p.setFont(f);
    p.setPen(timeColor);
    // Opaque text, so a shorter text does not leave the old one showing through.
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(background);
    // y is the top of the old face's line; the baseline goes where that face had it, so
    // a stand-in face of taller line spacing does not push the text to the bottom.
    const int baseline = y + (pixelSize * 86 + 50) / 100;
    const int left = alignRight ? x - p.fontMetrics().horizontalAdvance(text) : x;
    p.drawText(QPoint(left, baseline), text);
}

int TimeImage::Update(const DisplayInput& in)
{
    int state;
    if (in.loading) {
        state = dsLoading;
    } else {
        if (DisplayState == dsRedraw) DrawnTime.clear();
        state = NoDiscMode(in.deviceMode) ? dsNoDisc : in.hasAudio ? dsTime : dsCdRom;
    }
    if (state != DisplayState) {
        DisplayState = state;
        clear();
    }
    if (state != dsTime) {
        DrawnTime.clear();
        drawText(StatusText(state), ScaleToScreen(16), ScaleToScreen(7), PixelsForPoints(12), false);
        return state;
    }
    const QString time = TimeText(in.minutes, in.seconds, japaneseMarks);
    const QString number = FormatZeroPad(in.number, 2);
    if (number + time != DrawnTime) {
        drawText(time, ScaleToScreen(93), ScaleToScreen(7), PixelsForPoints(13), true);
        drawText(number, ScaleToScreen(6), ScaleToScreen(7), PixelsForPoints(13), false);
        DrawnTime = number + time;
        ++timeDraws;
    }
    return state;
}
