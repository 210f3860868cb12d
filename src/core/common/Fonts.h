#pragma once
// Fonts and colours as the settings file holds them. The stored font names are those of
// the old system's Japanese faces; where such a face is not installed a Japanese face
// stands in, so that Japanese text and marks keep their look.
#include <QColor>
#include <QFont>
#include <QString>
#include <cstdint>

// family with the style bits of the settings file (1 bold, 2 italic, 4 underline,
// 8 strike-out) at pixelSize pixels.
QFont FontWithStyle(const QString& family, int style, int pixelSize);
// The style bits of font.
int StyleOf(const QFont& font);

// A colour value 0x00BBGGRR (red in the low byte) and back.
QColor FromColorRef(uint32_t c);
uint32_t ToColorRef(const QColor& c);
