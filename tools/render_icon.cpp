// Renders the program's SVG icon as square PNG files for desktops that want
// bitmaps. The outputs are committed under dist/icons/; after changing
// res/icons/annivo.svg, refresh them with
//   cmake --build build --target annivo_update_icons
//
//   render_icon <svg file> <size> <output png> [<size> <output png>]...

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: render_icon <svg> <size> <png> [<size> <png>]...\n");
        return 2;
    }
    QGuiApplication application(argc, argv);
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "render_icon: cannot read %s\n", argv[1]);
        return 1;
    }
    for (int i = 2; i + 1 < argc; i += 2) {
        const int size = std::atoi(argv[i]);
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        if (!image.save(QString::fromLocal8Bit(argv[i + 1]), "PNG")) {
            std::fprintf(stderr, "render_icon: cannot write %s\n", argv[i + 1]);
            return 1;
        }
    }
    return 0;
}
