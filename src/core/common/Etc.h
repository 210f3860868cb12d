#pragma once
// Time and number formatting shared by every window.
#include <QString>
#include <cstdint>

// A length laid out for 96 pixels per inch, scaled to the screen's logical dpi
// (truncated toward zero). dpi is passed so the core stays free of screens.
int ScaleToScreen(int32_t pixels, int dpi);
// Sets the dpi ScaleToScreen(int) uses; the ui sets it from the primary screen.
void SetScreenDpi(int dpi);
int ScreenDpi();
int ScaleToScreen(int32_t pixels);

// m’ss” of a length in milliseconds; fractions dropped, minutes not carried into hours.
QString FormatMinSec(int32_t milliseconds);
// h゜mm’ss” of a length in seconds.
QString FormatHourMinSec(int32_t seconds);
// value with leading zeros up to at least digits digits; never cut.
QString FormatZeroPad(int value, int digits);
// "NN: text", the number as at least two digits.
QString FormatNumbered(int number, const QString& text);
