// Renders the program's icon from its drawing into the sizes of the hicolor icon theme:
//   make_icons ICON.svg DIR SIZE...   (writes DIR/SIZExSIZE/apps/mirelune.png)
// Needs Qt's SVG image plug-in (libqt6svg6).
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: make_icons ICON.svg DIR SIZE...\n");
        return 1;
    }
    const QString svg = QString::fromLocal8Bit(argv[1]);
    const QDir dir(QString::fromLocal8Bit(argv[2]));
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        QImageReader reader(svg);
        reader.setScaledSize(QSize(size, size));
        const QImage image = reader.read();
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        if (image.isNull() || !dir.mkpath(folder) ||
            !image.save(dir.filePath(folder + QStringLiteral("/mirelune.png")))) {
            std::fprintf(stderr, "make_icons: %s at %d pixels: %s\n", argv[1], size, qPrintable(reader.errorString()));
            return 1;
        }
    }
    return 0;
}
