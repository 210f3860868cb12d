#include "Etc.h"

namespace {
int screenDpi = 96;
// The typographic marks of the time texts.
const QChar kMinuteMark(0x2019); // ’
const QChar kSecondMark(0x201D); // ”
const QChar kHourMark(0x309C);   // ゜
} // namespace

int ScaleToScreen(int32_t pixels, int dpi)
{
    // 32-bit product as the old layout code computed it, then a float division.
    const int32_t product = static_cast<int32_t>(static_cast<uint32_t>(pixels) * static_cast<uint32_t>(dpi));
    return static_cast<int>(product / 96.0);
}

void SetScreenDpi(int dpi) { screenDpi = dpi > 0 ? dpi : 96; }

int ScreenDpi() { return screenDpi; }

int ScaleToScreen(int32_t pixels) { return ScaleToScreen(pixels, screenDpi); }

QString FormatMinSec(int32_t milliseconds)
{
    const int minutes = milliseconds / 60000;
    const int seconds = (milliseconds / 1000) % 60;
    return QString::number(minutes) + kMinuteMark + FormatZeroPad(seconds, 2) + kSecondMark;
}

QString FormatHourMinSec(int32_t seconds)
{
    const int h = seconds / 3600;
    const int m = (seconds / 60) % 60;
    const int s = seconds % 60;
    return QString::number(h) + kHourMark + FormatZeroPad(m, 2) + kMinuteMark + FormatZeroPad(s, 2) + kSecondMark;
}

QString FormatZeroPad(int value, int digits)
{
    // "%.*d": the sign stands before the zeros, as printf puts it.
    return QString::asprintf("%.*d", digits, value);
}

QString FormatNumbered(int number, const QString& text) { return QString::asprintf("%.2d: ", number) + text; }
