// Renders an SVG of the program as PNG files.
//
// The PNG icons for desktops that want bitmaps are committed under
// dist/icons/; after changing res/icons/annivo.svg, refresh them with
//   cmake --build build --target annivo_update_icons
// Every build also renders the pictures each start shows (the toolbar strip,
// the window icons) into its resources, so that a start copies their pixels
// instead of parsing and drawing SVG (src/controls/CMakeLists.txt).
//
//   render_icon <svg file> <size> <output> [<size> <output>]...
// A size is N (N x N pixels), or @K: the SVG's own size times K. An output
// named *.argb gets the pixels as they are drawn: "ARGB", the width and the
// height (32 bits each, in the machine's order), then premultiplied ARGB32
// pixels row after row. Any other output is a PNG.

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

static bool SavePixels(const QImage& image, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const std::uint32_t size[2] = {static_cast<std::uint32_t>(image.width()),
                                   static_cast<std::uint32_t>(image.height())};
    bool written = file.write("ARGB", 4) == 4 &&
                   file.write(reinterpret_cast<const char*>(size), sizeof size) == sizeof size;
    const qsizetype row = qsizetype{image.width()} * 4;
    for (int y = 0; written && y < image.height(); ++y)
        written = file.write(reinterpret_cast<const char*>(image.constScanLine(y)), row) == row;
    return written && file.flush();
}

int main(int argc, char* argv[]) {
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: render_icon <svg> <size> <output> [<size> <output>]...\n");
        return 2;
    }
    QGuiApplication application(argc, argv);
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "render_icon: cannot read %s\n", argv[1]);
        return 1;
    }
    for (int i = 2; i + 1 < argc; i += 2) {
        const bool scaled = argv[i][0] == '@';
        const int number = std::atoi(argv[i] + (scaled ? 1 : 0));
        const QSize size = scaled ? renderer.defaultSize() * number : QSize(number, number);
        if (size.isEmpty()) {
            std::fprintf(stderr, "render_icon: no size in %s\n", argv[i]);
            return 2;
        }
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        const QString output = QString::fromLocal8Bit(argv[i + 1]);
        if (!(output.endsWith(QStringLiteral(".argb")) ? SavePixels(image, output)
                                                       : image.save(output, "PNG"))) {
            std::fprintf(stderr, "render_icon: cannot write %s\n", argv[i + 1]);
            return 1;
        }
    }
    return 0;
}
