#include "Fonts.h"

#include <QFontDatabase>
#include <QHash>

namespace {
// Whether family is installed. Asking the font database resolves the name through
// fontconfig's aliases every time, which costs milliseconds; the faces do not change
// while the program runs.
bool Installed(const QString& family)
{
    static QHash<QString, bool> known;
    auto at = known.constFind(family);
    if (at == known.constEnd()) at = known.insert(family, QFontDatabase::hasFamily(family));
    return *at;
}
} // namespace

QFont FontWithStyle(const QString& family, int style, int pixelSize)
{
    QFont f;
    QStringList families{family};
    if (!Installed(family))
        families << QStringLiteral("Noto Sans CJK JP") << QStringLiteral("IPAPGothic") << QStringLiteral("IPAGothic")
                 << QStringLiteral("VL PGothic");
    f.setFamilies(families);
    f.setBold(style & 1);
    f.setItalic(style & 2);
    f.setUnderline(style & 4);
    f.setStrikeOut(style & 8);
    f.setPixelSize(pixelSize);
    return f;
}

int StyleOf(const QFont& font)
{
    return (font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) | (font.underline() ? 4 : 0) | (font.strikeOut() ? 8 : 0);
}

QColor FromColorRef(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

uint32_t ToColorRef(const QColor& c)
{
    return static_cast<uint32_t>(c.red()) | static_cast<uint32_t>(c.green()) << 8 |
           static_cast<uint32_t>(c.blue()) << 16;
}
