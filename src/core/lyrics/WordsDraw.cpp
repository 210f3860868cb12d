#include "WordsDraw.h"

#include <QFontMetrics>
#include <QPainter>
#include <cmath>

int WordsTextHeight(const QFont& font) { return QFontMetrics(font).height(); }

WordsPlacement PlaceWords(const QFont& font, qreal textWidth, int clientWidth, int align)
{
    WordsPlacement p;
    // A face whose line is taller than its characters has room above them already.
    p.y = WordsTextHeight(font) > font.pixelSize() ? 1 : 2;
    const int w = static_cast<int>(std::ceil(textWidth));
    if (w < clientWidth - 2) {
        switch (align) {
        case 0: p.x = 2; break;
        case 1: p.x = clientWidth - w - 2; break;
        default: p.x = (clientWidth - w) / 2; break;
        }
        return p;
    }
    p.squeezed = true;
    p.x = 1;
    p.scale = static_cast<qreal>(clientWidth) / (textWidth + 2);
    return p;
}

void PaintWords(QImage& image, const WordsLook& look, const QString& text)
{
    image.fill(look.background);
    if (text.isEmpty()) return;
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.setFont(look.font);
    painter.setPen(look.color);
    const QFontMetricsF metrics(look.font, &image);
    const int clientWidth = qRound(image.width() / image.devicePixelRatio());
    const WordsPlacement p = PlaceWords(look.font, metrics.horizontalAdvance(text), clientWidth, look.align);
    painter.scale(p.scale, 1);
    painter.drawText(QPointF(p.x, p.y + metrics.ascent()), text);
}

int PointsOfPixels(int pixels, int dpi) { return static_cast<int>(std::lround(pixels * 72.0 / dpi)); }

int PixelsOfPoints(int points, int dpi)
{
    return static_cast<int>(std::lround(points * static_cast<double>(dpi) / 72.0));
}

int ResizedFontPixels(int pixels, int clientHeight, int textHeight)
{
    if (textHeight <= 0) return pixels;
    const double exact = static_cast<double>(pixels) * (clientHeight - 4) / textHeight;
    // Halves go to the even neighbour.
    double whole = std::floor(exact);
    const double rest = exact - whole;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2.0) != 0)) whole += 1;
    return std::max(1, static_cast<int>(whole));
}

int FloorFontPixels(int pixels, int dpi) { return PointsOfPixels(pixels, dpi) < 6 ? PixelsOfPoints(6, dpi) : pixels; }
