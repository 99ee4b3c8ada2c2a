// Renders the application's SVG icon to a square PNG of one size, for the icon theme folders of an install.
//   marrowfin_render_icon ICON.svg SIZE OUT.png
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    bool ok = false;
    const int size = arguments.value(2).toInt(&ok);
    if (arguments.size() != 4 || !ok || size < 1 || size > 4096) {
        std::fprintf(stderr, "usage: marrowfin_render_icon ICON.svg SIZE OUT.png\n");
        return 2;
    }
    QSvgRenderer renderer(arguments.at(1));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "marrowfin_render_icon: %s is not a valid SVG image\n", qPrintable(arguments.at(1)));
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, size, size));
    painter.end();
    if (!image.save(arguments.at(3), "PNG")) {
        std::fprintf(stderr, "marrowfin_render_icon: %s could not be written\n", qPrintable(arguments.at(3)));
        return 1;
    }
    return 0;
}
