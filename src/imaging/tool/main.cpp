// docuvane-image: looks at image documents with the imaging engine.
//   docuvane-image info FILE
//   docuvane-image render FILE PAGE OUT.png [--width N] [--gray]
//   docuvane-image check FILE...
// Exit status: 0 success, 1 a file could not be read (check stops at the first such
// file), 2 wrong usage.
#include "imaging/annotations/Annotation.h"
#include "imaging/documents/Document.h"
#include "imaging/pixels/ImagingError.h"

#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QTransform>
#include <cstdio>

using namespace imaging;

namespace {

void out(const QString& line) {
    std::printf("%s\n", qPrintable(line));
}
void err(const QString& line) {
    std::fprintf(stderr, "%s\n", qPrintable(line));
}

const char* const kUsage = "usage: docuvane-image info FILE\n"
                           "       docuvane-image render FILE PAGE OUT.png [--width N] [--gray]\n"
                           "       docuvane-image check FILE...";

int usage() {
    err(QString::fromLatin1(kUsage));
    return 2;
}

QString typeName(int type) {
    switch (type) {
    case kFileTiff:
        return QStringLiteral("TIFF");
    case kFileBmp:
        return QStringLiteral("BMP");
    case kFilePng:
        return QStringLiteral("PNG");
    case kFileJpeg:
        return QStringLiteral("JPEG");
    default:
        return QStringLiteral("unknown");
    }
}

QString pages(int n) {
    return n == 1 ? QStringLiteral("1 page") : QStringLiteral("%1 pages").arg(n);
}

int info(const QString& file) {
    DocumentPtr doc = Document::open(file);
    out(QStringLiteral("%1: %2, %3").arg(file, typeName(doc->fileType()), pages(doc->pageCount())));
    for (int i = 0; i < doc->pageCount(); ++i) {
        try {
            const PageInfo p = doc->pageInfo(i);
            const QString dpi = p.xDpi > 0 ? QStringLiteral("%1 x %2 dpi").arg(p.xDpi).arg(p.yDpi)
                                           : QStringLiteral("no resolution");
            QString line = QStringLiteral("page %1: %2 x %3, %4, %5 bit, %6")
                               .arg(i + 1)
                               .arg(p.width)
                               .arg(p.height)
                               .arg(dpi)
                               .arg(p.bitDepth())
                               .arg(p.compression);
            if (p.orientation != 1) line += QStringLiteral(", orientation %1").arg(p.orientation);
            if (p.tiled) line += QStringLiteral(", tiled");
            const size_t notes = doc->annotations(i).size();
            if (notes) line += QStringLiteral(", %1 annotations").arg(notes);
            out(line);
        } catch (const Error& e) {
            out(QStringLiteral("page %1: %2").arg(i + 1).arg(e.description()));
        }
    }
    return 0;
}

int render(const QStringList& args) {
    if (args.size() < 3) return usage();
    bool ok = false;
    const int page = args[1].toInt(&ok);
    if (!ok) return usage();
    int width = 0;
    bool gray = false;
    for (int i = 3; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--gray"))
            gray = true;
        else if (args[i] == QLatin1String("--width") && i + 1 < args.size())
            width = args[++i].toInt(&ok);
        else
            return usage();
        if (!ok || width < 0) return usage();
    }
    DocumentPtr doc = Document::open(args[0]);
    const PageInfo p = doc->pageInfo(page - 1);
    QImage img = width > 0 ? doc->decodePageScaled(page - 1, QSize(width, 1 << 30), gray)
                           : doc->decodePage(page - 1);
    const AnnotationList notes = doc->annotations(page - 1);
    if (!notes.empty()) { // drawn as the page display shows them
        img = img.convertToFormat(QImage::Format_RGB32);
        QPainter painter(&img);
        const double scale = double(img.width()) / p.width;
        paintAnnotations(painter, notes, QTransform::fromScale(scale, scale), p.xDpi);
    }
    QImageWriter writer(args[2], "png");
    if (!writer.write(img)) {
        err(QStringLiteral("%1: %2").arg(args[2], writer.errorString()));
        return 1;
    }
    out(QStringLiteral("%1: page %2 as %3 x %4")
            .arg(args[2])
            .arg(page)
            .arg(img.width())
            .arg(img.height()));
    return 0;
}

int check(const QStringList& files) {
    if (files.isEmpty()) return usage();
    for (const QString& file : files) {
        try {
            DocumentPtr doc = Document::open(file);
            for (int i = 0; i < doc->pageCount(); ++i) {
                if (doc->decodePage(i).isNull())
                    throw Error(kErrBadFile,
                                QStringLiteral("page %1 decodes to nothing").arg(i + 1));
                doc->annotations(i);
            }
            out(QStringLiteral("OK %1 (%2)").arg(file, pages(doc->pageCount())));
        } catch (const Error& e) {
            out(QStringLiteral("BAD %1: %2").arg(file, e.description()));
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // no display needed
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) return usage();
    const QString command = args.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        out(QString::fromLatin1(kUsage));
        return 0;
    }
    try {
        if (command == QLatin1String("info") && args.size() == 1) return info(args[0]);
        if (command == QLatin1String("render")) return render(args);
        if (command == QLatin1String("check")) return check(args);
    } catch (const Error& e) {
        err(e.description());
        return 1;
    }
    return usage();
}
