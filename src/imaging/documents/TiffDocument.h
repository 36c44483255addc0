#pragma once
// The TIFF implementation of Document, visible to the writer so that it can copy pages
// without decoding them.
#include "imaging/documents/Document.h"
#include "imaging/documents/IfdChain.h"
#include "imaging/documents/TiffReader.h"

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace imaging {

class TiffDocument final : public Document {
public:
    // Walks the page chain of `source` and checks the first page's directory. Raises Error;
    // a chain that loops back gives the pages before the loop and damage().
    TiffDocument(QString path, ByteSourcePtr source, qint64 modifiedMsecs);

    QString path() const override { return path_; }
    int fileType() const override { return kFileTiff; }
    int pageCount() const override { return int(offsets_.size()); }
    PageInfo pageInfo(int index) const override;
    QImage decodePage(int index) const override;
    QImage decodePageScaled(int index, QSize box, bool grayScaling) const override;
    AnnotationList annotations(int index) const override;
    qint64 fileSize() const override { return qint64(file_.source()->size()); }
    qint64 modifiedMsecs() const override { return modified_; }
    QString damage() const override { return damage_; }

    const tiff::TiffFile& file() const { return file_; }
    // The directory of page `index` (0-based). Raises Error.
    tiff::Ifd directory(int index) const;
    // A libtiff handle on page `index` (0-based). Raises Error.
    std::unique_ptr<TiffHandle> handle(int index) const;

private:
    void checkIndex(int index) const;
    QString path_;
    tiff::TiffFile file_;
    QString damage_;
    std::vector<quint64> offsets_;
    qint64 modified_;
    mutable std::mutex infoMutex_;
    mutable std::vector<std::optional<PageInfo>> infos_;
};

// Page facts from a directory's tags. Resolutions outside (0, 1e6) dpi count as none.
// Raises Error (kErrBadFile, kErrTooLarge).
PageInfo tiffPageInfo(const tiff::TiffFile& file, const tiff::Ifd& ifd, int pageNo);

// "CCITT G4", "LZW", ... for a TIFF Compression tag value.
QString compressionName(int code);

// A decoded image in the forms Document hands out: 1-bit as Format_Mono with index 0
// white, gray as Grayscale8, colour as RGB32 or ARGB32.
QImage normalizePageImage(const QImage& image);

} // namespace imaging
