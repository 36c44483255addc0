// Fuzz target: opening a document from arbitrary bytes, reading every page's facts,
// decoding pages (scaled and, when small, at full size), reading annotations, and copying
// the pages raw into a new file, which must then decode exactly as the source did.
#include "imaging/documents/Document.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/documents/PageOps.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

using namespace imaging;

namespace {
QString scratch() {
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/docuvane-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/docuvane-fuzz-XXXXXX"));
    return dir.filePath(QStringLiteral("copy.tif"));
}
} // namespace

namespace {
// Qt's image plugins report damaged data as warnings: expected here, and only noise.
void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}
const bool silenced = (qInstallMessageHandler(quiet), true);
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    DocumentPtr doc;
    try {
        doc = Document::openBytes(bytes, QStringLiteral("fuzz.tif"));
    } catch (const Error&) {
        return 0;
    }
    const int pages = std::min(doc->pageCount(), 8);
    auto decoded = std::vector<QImage>(size_t(pages));
    for (int i = 0; i < pages; ++i) {
        try {
            // Large pages are legal but slow under the sanitizers: bitonal ones (decoded a
            // row at a time when scaled) up to 64 megapixels, others up to 4.
            const PageInfo info = doc->pageInfo(i);
            const qint64 pixels = qint64(info.width) * info.height;
            if (pixels <= (info.bitonal() ? 64 : 4) * 1024 * 1024)
                doc->decodePageScaled(i, QSize(64, 64), i % 2 == 0);
            if (pixels <= 4 * 1024 * 1024) decoded[size_t(i)] = doc->decodePage(i);
            doc->annotations(i);
        } catch (const Error&) {
        }
    }
    if (doc->fileType() != kFileTiff || pages > 4) return 0;
    for (int i = 0; i < pages; ++i) { // copying may decode and encode a page again
        try {
            const PageInfo info = doc->pageInfo(i);
            if (qint64(info.width) * info.height > 16 * 1024 * 1024) return 0;
        } catch (const Error&) {
        }
    }
    std::vector<PageSource> copy;
    for (int i = 0; i < pages; ++i)
        copy.push_back(PageSource::copy(doc, i));
    try {
        writeDocument(scratch(), copy);
    } catch (const Error&) {
        return 0;
    }
    // What decoded before must decode the same from the copy.
    DocumentPtr back = Document::open(scratch());
    if (back->pageCount() != pages) std::abort();
    for (int i = 0; i < pages; ++i) {
        if (decoded[size_t(i)].isNull()) continue;
        QImage again;
        try {
            again = back->decodePage(i);
        } catch (const Error& e) {
            std::fprintf(stderr, "copy of page %d no longer decodes: %s\n", i + 1,
                         qPrintable(e.description()));
            std::abort();
        }
        // Pixels, not formats: a colour page whose pixels are all gray is stored as gray.
        const QImage& before = decoded[size_t(i)];
        if (again.format() != before.format() ? again.convertToFormat(QImage::Format_ARGB32) !=
                                                    before.convertToFormat(QImage::Format_ARGB32)
                                              : again != before) {
            std::fprintf(stderr, "copy of page %d decodes differently\n", i + 1);
            std::abort();
        }
    }
    return 0;
}
