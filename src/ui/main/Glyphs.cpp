#include "Glyphs.h"

#include <QBitmap>
#include <QHash>
#include <QIconEngine>
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

namespace {
// A picture that also tells its name in the icon theme: a panel that looks icons up by
// name (KDE's, AppIndicator hosts) finds the installed one; the picture is for the rest.
class NamedIconEngine : public QIconEngine {
public:
    NamedIconEngine(const QIcon& icon, const QString& name) : icon(icon), name(name) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon.paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon.pixmap(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon.availableSizes(mode, state);
    }
    QIconEngine* clone() const override { return new NamedIconEngine(icon, name); }
    QString iconName() override { return name; }
    bool isNull() override { return icon.isNull(); }
    QString key() const override { return QStringLiteral("NamedIconEngine"); }

private:
    QIcon icon;
    QString name;
};
} // namespace

QIcon AppIcon()
{
    static const QIcon icon(new NamedIconEngine(QIcon(OwnImage(QStringLiteral(":/icons/mirelune.png"), "png")),
                                                QStringLiteral("mirelune")));
    return icon;
}
