#include "Glyphs.h"

#include <QBitmap>
#include <QHash>
#include <QPixmap>

QIcon GlyphIcon(const QString& name)
{
    static QHash<QString, QIcon> cache;
    auto it = cache.find(name);
    if (it != cache.end()) return *it;
    QPixmap both(QStringLiteral(":/glyphs/") + name + QStringLiteral(".xpm"));
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
    static const QIcon icon(QStringLiteral(":/icons/mirelune.png"));
    return icon;
}
