// Writes the seed corpora of the fuzz targets into DIR/document and DIR/annotations (both
// emptied first): small documents of every kind the engine reads, and annotation data of
// every kind.
#include "CoreFixtures.h"
#include "imaging/annotations/Annotation.h"
#include "imaging/documents/PageOps.h"

#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>
#include <cstdio>

using namespace corefx;
using namespace imaging;

namespace {

bool black(int x, int y) {
    return (x / 4 + y / 3) % 3 == 0;
}

void documents(const QDir& dir) {
    auto path = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    for (uint16_t c : {COMPRESSION_CCITTFAX4, COMPRESSION_CCITTFAX3, COMPRESSION_PACKBITS})
        writeTiff(path(qPrintable(QStringLiteral("bitonal-%1.tif").arg(c))),
                  {bitonalPage(64, 32, true, c, black)});
    Page gray = grayPage(32, 24, 8, [](int x, int y) { return x * 8 + y; });
    gray.compression = COMPRESSION_LZW;
    gray.rowsPerStrip = 8;
    gray.orientation = 6;
    writeTiff(path("gray-lzw.tif"), {gray, bitonalPage(16, 16, false, COMPRESSION_NONE, black)});
    Page jpeg = rgbPage(32, 32, [](int x, int y) { return qRgb(x * 8, y * 8, 99); });
    jpeg.compression = COMPRESSION_JPEG;
    jpeg.jpegRgb = true;
    jpeg.rowsPerStrip = 16;
    writeTiff(path("ycbcr-jpeg.tif"), {jpeg});
    Page tiled = grayPage(40, 20, 4, [](int x, int y) { return x + y; });
    tiled.compression = COMPRESSION_ADOBE_DEFLATE;
    tiled.tileWidth = 16;
    tiled.tileHeight = 16;
    writeTiff(path("tiled-bigtiff.tif"), {tiled}, "w8");
    writeTiff(path("wide-bigendian.tif"),
              {grayPage(8, 8, 16, [](int x, int y) { return x * 9000 + y; })}, "wb");
    Page palette = grayPage(16, 8, 8, [](int x, int) { return x; });
    palette.photometric = PHOTOMETRIC_PALETTE;
    for (int i = 0; i < 256; ++i) {
        palette.red.push_back(uint16_t(i * 257));
        palette.green.push_back(uint16_t(65535 - i * 257));
        palette.blue.push_back(0);
    }
    writeTiff(path("palette.tif"), {palette});
    // A file written by the engine itself, with annotations.
    QImage mono(48, 24, QImage::Format_Mono);
    mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    mono.fill(0);
    Annotation a;
    a.kind = AnnotationKind::TypedText;
    a.bounds = QRect(2, 2, 20, 10);
    a.text = QStringLiteral("seed");
    writeDocument(path("engine.tif"), {PageSource::pixels(mono, 200, 200, {a})});
    QImage small(12, 8, QImage::Format_RGB32);
    small.fill(Qt::blue);
    QImageWriter(path("one.png"), "png").write(small);
    QImageWriter(path("one.bmp"), "bmp").write(small);
}

void annotations(const QDir& dir) {
    AnnotationList all;
    for (int k = 1; k <= 11; ++k) {
        Annotation a;
        a.kind = AnnotationKind(k);
        a.bounds = QRect(k, k * 2, 20, 10);
        if (k <= 3) a.points << QPoint(1, 1) << QPoint(k * 5, 9);
        if (k >= 6 && k <= 10) a.text = QStringLiteral("text %1").arg(k);
        if (k == 6) {
            a.fontName = QStringLiteral("Free 3 of 9");
            a.rotation = 1;
        }
        if (k == 11) {
            a.image = QImage(4, 4, QImage::Format_ARGB32);
            a.image.fill(Qt::red);
        }
        a.style = k % 2;
        QFile one(dir.filePath(QStringLiteral("kind-%1.json").arg(k)));
        one.open(QIODevice::WriteOnly);
        one.write(serializeAnnotations({a}));
        all.push_back(a);
    }
    QFile f(dir.filePath(QStringLiteral("all.json")));
    f.open(QIODevice::WriteOnly);
    f.write(serializeAnnotations(all));
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (const char* sub : {"document", "annotations"}) {
        QDir d(root + QLatin1Char('/') + QLatin1String(sub));
        d.removeRecursively();
        QDir().mkpath(d.path());
    }
    documents(QDir(root + QStringLiteral("/document")));
    annotations(QDir(root + QStringLiteral("/annotations")));
    std::printf("seeds written to %s\n", argv[1]);
    return 0;
}
