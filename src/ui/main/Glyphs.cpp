#include "Glyphs.h"

#include <QBitmap>
#include <QHash>
#include <QImageReader>
#include <QPixmap>

namespace {
// An image of the program's own, read as the format it is. Left to find the format
// itself, the reader loads and asks every image plugin of the system first, which costs
// the program's start a millisecond.
QPixmap OwnImage(const QString& path, const char* format)
{
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}
} // namespace

QIcon GlyphIcon(const QString& name)
{
    static QHash<QString, QIcon> cache;
    auto it = cache.find(name);
    if (it != cache.end()) return *it;
    QPixmap both = OwnImage(QStringLiteral(":/glyphs/") + name + QStringLiteral(".xpm"), "xpm");
    QIcon icon;
    if (!both.isNull()) {
        both.setMask(both.createMaskFromColor(QColor(0x80, 0x80, 0x00)));
        const int h = both.height();
        icon.addPixmap(both.copy(0, 0, h, h), QIcon::Normal);
        icon.addPixmap(both.copy(h, 0, h, h), QIcon::Disabled);
    }
    cache.insert(name, icon);
    return icon;
}

QIcon AppIcon()
{
    static const QIcon icon(OwnImage(QStringLiteral(":/icons/mirelune.png"), "png"));
    return icon;
}
