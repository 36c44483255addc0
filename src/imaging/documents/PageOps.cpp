#include "imaging/documents/PageOps.h"

#include "imaging/documents/AtomicFile.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/documents/PathResolver.h"
#include "imaging/documents/TiffDocument.h"
#include "imaging/documents/TiffWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QSet>

namespace imaging {

PageSource PageSource::copy(DocumentPtr doc, int index) {
    PageSource s;
    s.document = std::move(doc);
    s.index = index;
    return s;
}

PageSource PageSource::pixels(QImage image, double xDpi, double yDpi, AnnotationList annotations) {
    PageSource s;
    s.image = std::move(image);
    s.xDpi = xDpi;
    s.yDpi = yDpi;
    s.annotations = std::move(annotations);
    return s;
}

namespace {

void checkSource(const PageSource& s, int n) {
    if (!s.image.isNull()) return;
    if (!s.document)
        throw Error(kErrBadArgument,
                    QStringLiteral("Page %1 to write has neither pixels nor a source").arg(n));
    if (s.index < 0 || s.index >= s.document->pageCount())
        throw Error(kErrBadPage, QStringLiteral("Page %1 does not exist in %2")
                                     .arg(s.index + 1)
                                     .arg(QFileInfo(s.document->path()).fileName()));
}

// The pixels, resolution and annotations of a page to encode.
struct Pixels {
    QImage image;
    double xDpi = 0, yDpi = 0;
    bool preferJpeg = false;
};

Pixels pixelsOf(const PageSource& s) {
    Pixels p;
    if (!s.image.isNull()) {
        p.image = s.image;
        p.xDpi = std::max(0.0, s.xDpi);
        p.yDpi = s.yDpi > 0 ? s.yDpi : p.xDpi;
        p.preferJpeg = s.preferJpeg;
        return p;
    }
    const PageInfo info = s.document->pageInfo(s.index);
    p.image = s.document->decodePage(s.index);
    p.xDpi = info.xDpi;
    p.yDpi = info.yDpi;
    // A TIFF page that cannot be copied is stored losslessly from what it decodes to; a
    // JPEG file's picture is stored as JPEG again.
    p.preferJpeg = s.preferJpeg || s.document->fileType() == kFileJpeg;
    return p;
}

void writeBmp(const QString& nativeDest, const PageSource& s) {
    Pixels p = pixelsOf(s);
    const AnnotationList annotations =
        s.annotations ? *s.annotations
                      : (s.document ? s.document->annotations(s.index) : AnnotationList{});
    burnAnnotations(p.image, annotations, p.xDpi);
    if (p.xDpi > 0) {
        p.image.setDotsPerMeterX(int(p.xDpi / 0.0254 + 0.5));
        p.image.setDotsPerMeterY(int((p.yDpi > 0 ? p.yDpi : p.xDpi) / 0.0254 + 0.5));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    if (!writer.write(p.image))
        throw Error(
            kErrBadArgument,
            QStringLiteral("The page cannot be written as BMP: %1").arg(writer.errorString()));
    AtomicFile out(nativeDest);
    out.write(bytes.constData(), size_t(bytes.size()));
    out.commit();
}

} // namespace

void writeDocument(const QString& path, const std::vector<PageSource>& pages, int type,
                   const PathResolver& resolve) {
    if (type == kFileAwd)
        throw Error(kErrUnsupported, QStringLiteral("AWD files are not supported"));
    if (type != kFileTiff && type != kFileBmp)
        throw Error(kErrBadArgument, QStringLiteral("Unknown file type %1").arg(type));
    if (pages.empty())
        throw Error(kErrBadArgument, QStringLiteral("A document needs at least one page"));
    for (size_t i = 0; i < pages.size(); ++i)
        checkSource(pages[i], int(i) + 1);
    const QString native = resolvePath(resolve, path);
    if (type == kFileBmp) {
        if (pages.size() != 1)
            throw Error(kErrBadArgument, QStringLiteral("A BMP file holds exactly one page"));
        writeBmp(native, pages.front());
        return;
    }

    // Samples over 8 bits are stored in the file's byte order: the file takes the order of
    // the first such page, so that page (usually all of them) is copied unchanged.
    bool bigEndian = false;
    for (const PageSource& s : pages) {
        const auto* doc = dynamic_cast<const TiffDocument*>(s.document.get());
        if (s.image.isNull() && doc && doc->pageInfo(s.index).bitsPerSample > 8) {
            bigEndian = doc->file().header().bigEndian;
            break;
        }
    }

    std::vector<std::unique_ptr<tiff::TiffFile>> encoded;
    std::vector<WritePage> out;
    out.reserve(pages.size());
    for (size_t i = 0; i < pages.size(); ++i) {
        const PageSource& s = pages[i];
        WritePage w;
        if (s.annotations) w.annotations = serializeAnnotations(*s.annotations);
        const auto* doc = dynamic_cast<const TiffDocument*>(s.document.get());
        if (s.image.isNull() && doc) {
            w.file = &doc->file();
            w.ifd = doc->directory(s.index);
            w.pageNo = s.index + 1;
            if (rawCopyObstacle(doc->file(), w.ifd, bigEndian).isEmpty()) {
                out.push_back(std::move(w));
                continue;
            }
            if (!w.annotations) { // keep the tag's bytes as they are, even unreadable ones
                const tiff::Entry* e = w.ifd.find(kAnnotationTiffTag);
                w.annotations = e && e->valid ? doc->file().value(*e) : QByteArray();
            }
        }
        const Pixels p = pixelsOf(s);
        encoded.push_back(std::make_unique<tiff::TiffFile>(
            memorySource(encodeTiffPage(p.image, p.xDpi, p.yDpi, p.preferJpeg))));
        w.file = encoded.back().get();
        w.ifd = w.file->readIfd(w.file->header().firstIfd);
        w.pageNo = int(i) + 1;
        if (!w.annotations) w.annotations = QByteArray();
        out.push_back(std::move(w));
    }
    AtomicFile file(native);
    writeTiff(file, out, bigEndian);
    file.commit();
}

namespace {

std::shared_ptr<const Document> openTiffForChange(const QString& dest,
                                                  const PathResolver& resolve) {
    DocumentPtr doc = Document::open(dest, resolve);
    if (doc->fileType() != kFileTiff)
        throw Error(
            kErrUnsupported,
            QStringLiteral("Pages can only be inserted into or deleted from TIFF documents"));
    requireIntact(*doc);
    return doc;
}

void checkRange(qint64 first, qint64 count, int pages, const QString& what) {
    if (count < 1 || first < 1 || first + count - 1 > pages)
        throw Error(kErrBadPage,
                    QStringLiteral("%1: pages %2 to %3 are outside the document (%4 pages)")
                        .arg(what)
                        .arg(first)
                        .arg(first + count - 1)
                        .arg(pages));
}

} // namespace

void insertPages(const QString& dest, const QString& source, int sourcePage, int destPage,
                 int count, const PathResolver& resolve) {
    DocumentPtr target = openTiffForChange(dest, resolve);
    DocumentPtr from = Document::open(source, resolve);
    checkRange(sourcePage, count, from->pageCount(), QStringLiteral("Insert"));
    if (destPage < 1 || destPage > target->pageCount() + 1)
        throw Error(kErrBadPage,
                    QStringLiteral("Insert: page %1 is outside the document (%2 pages)")
                        .arg(destPage)
                        .arg(target->pageCount()));
    std::vector<PageSource> pages;
    pages.reserve(size_t(target->pageCount() + count));
    for (int i = 0; i < destPage - 1; ++i)
        pages.push_back(PageSource::copy(target, i));
    for (int i = 0; i < count; ++i)
        pages.push_back(PageSource::copy(from, sourcePage - 1 + i));
    for (int i = destPage - 1; i < target->pageCount(); ++i)
        pages.push_back(PageSource::copy(target, i));
    writeDocument(dest, pages, kFileTiff, resolve);
}

void appendPages(const QString& dest, const QString& source, int firstPage, int count,
                 const PathResolver& resolve) {
    const int n = openTiffForChange(dest, resolve)->pageCount();
    insertPages(dest, source, firstPage, n + 1, count, resolve);
}

void deletePages(const QString& dest, int firstPage, int count, const PathResolver& resolve) {
    DocumentPtr doc = openTiffForChange(dest, resolve);
    checkRange(firstPage, count, doc->pageCount(), QStringLiteral("Delete"));
    if (count >= doc->pageCount())
        throw Error(kErrBadArgument,
                    QStringLiteral("Every page of the document would be deleted; a document needs "
                                   "at least one page"));
    std::vector<PageSource> pages;
    for (int i = 0; i < doc->pageCount(); ++i)
        if (i < firstPage - 1 || i >= firstPage - 1 + count)
            pages.push_back(PageSource::copy(doc, i));
    writeDocument(dest, pages, kFileTiff, resolve);
}

QString uniqueFileName(const QString& folder, const QString& prefix, const QString& extension,
                       const PathResolver& resolve) {
    const QDir dir(resolvePath(resolve, folder));
    if (!dir.exists())
        throw Error(kErrFileNotFound, QStringLiteral("The folder %1 does not exist").arg(folder));
    QString ext = extension;
    while (ext.startsWith(QLatin1Char('.')))
        ext.remove(0, 1);
    const QStringList list = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
    const QSet<QString> used(list.begin(), list.end());
    for (qint64 n = 1; n <= qint64(used.size()) + 1; ++n) {
        QString name = prefix + QString::number(n);
        if (!ext.isEmpty()) name += QLatin1Char('.') + ext;
        if (!used.contains(name)) return name;
    }
    throw Error(kErrFileAccess, QStringLiteral("No free file name in %1").arg(folder));
}

} // namespace imaging
