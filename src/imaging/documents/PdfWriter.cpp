#include "imaging/documents/PdfWriter.h"

#include "imaging/documents/AtomicFile.h"
#include "imaging/documents/TiffDocument.h"
#include "imaging/documents/TiffWriter.h"
#include "imaging/pixels/ImagingError.h"

#include <QBuffer>
#include <QColorSpace>
#include <QCryptographicHash>
#include <QFont>
#include <QFontMetrics>
#include <QImageReader>
#include <QPainter>
#include <QTimeZone>
#include <cmath>
#include <optional>
#include <vector>

namespace imaging {

namespace {

using namespace tiff;

// An image ready for a PDF image XObject: its dictionary entries and its stream bytes.
struct PdfImage {
    QByteArray dict; // entries after /Type /XObject /Subtype /Image
    QByteArray data;
};

QByteArray num(double v) {
    QByteArray s = QByteArray::number(v, 'f', 4);
    while (s.contains('.') && (s.endsWith('0') || s.endsWith('.')))
        s.chop(1);
    return s;
}

QByteArray flate(const QByteArray& raw) {
    // qCompress gives a zlib stream behind a 4-byte length: FlateDecode reads the stream.
    return qCompress(raw, 6).mid(4);
}

// The bytes of the single strip of a G4 TIFF page when they can be embedded as they are,
// with BlackIs1 as the page's photometric says.
std::optional<std::pair<QByteArray, bool>> rawG4Strip(const Document& doc, int index) {
    const auto* tiffDoc = dynamic_cast<const TiffDocument*>(&doc);
    if (!tiffDoc) return std::nullopt;
    const TiffFile& file = tiffDoc->file();
    const Ifd ifd = tiffDoc->directory(index);
    auto tag = [&](quint16 t, quint64 fallback) {
        return file.uintValue(ifd, t).value_or(fallback);
    };
    if (tag(kTagCompression, 1) != 4 || tag(kTagBitsPerSample, 1) != 1 ||
        tag(kTagSamplesPerPixel, 1) != 1 || tag(kTagFillOrder, 1) != 1 ||
        tag(kTagOrientation, 1) != 1 || ifd.find(kTagTileOffsets) || tag(293, 0) != 0)
        return std::nullopt;
    const quint64 photometric = tag(kTagPhotometric, 0);
    if (photometric > 1) return std::nullopt;
    const Entry* offs = ifd.find(kTagStripOffsets);
    const Entry* counts = ifd.find(kTagStripByteCounts);
    if (!offs || !counts || offs->count != 1 || counts->count != 1) return std::nullopt;
    const quint64 offset = file.uintValues(*offs).at(0);
    const quint64 count = file.uintValues(*counts).at(0);
    if (count == 0 || count > kMaxValueBytes * 4 || offset + count > file.source()->size())
        return std::nullopt;
    QByteArray bytes(qsizetype(count), Qt::Uninitialized);
    if (!file.source()->readExact(offset, bytes.data(), size_t(count))) return std::nullopt;
    // Coded white runs are the 0 samples of a WhiteIsZero page: those are white in PDF when
    // BlackIs1 is false; a BlackIsZero page shows them black.
    return std::make_pair(bytes, photometric == 1);
}

PdfImage ccittImage(const QByteArray& g4, int w, int h, bool blackIs1) {
    PdfImage im;
    im.dict = "/Width " + QByteArray::number(w) + " /Height " + QByteArray::number(h) +
              " /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /CCITTFaxDecode"
              " /DecodeParms << /K -1 /Columns " +
              QByteArray::number(w) + " /Rows " + QByteArray::number(h) +
              (blackIs1 ? " /BlackIs1 true" : " /BlackIs1 false") + " >>";
    im.data = g4;
    return im;
}

// A 1-bit image encoded as G4 with the engine's TIFF encoder, its strip taken.
PdfImage encodeBitonal(const QImage& page) {
    const QByteArray tiffBytes = encodeTiffPage(page, 0, 0, false);
    const DocumentPtr one = Document::openBytes(tiffBytes, QStringLiteral("page.tif"));
    auto strip = rawG4Strip(*one, 0);
    if (!strip) throw Error(kErrBadFile, QStringLiteral("A bitonal page could not be encoded."));
    return ccittImage(strip->first, page.width(), page.height(), strip->second);
}

// A JPEG file's page embedded as its own DCT data, when the file is shown as stored (no
// orientation to apply) with gray or YCbCr colour samples the PDF reader decodes alike.
std::optional<PdfImage> rawJpeg(const Document& doc, int w, int h) {
    if (doc.fileType() != kFileJpeg) return std::nullopt;
    const QByteArray bytes = doc.imageFileBytes();
    QBuffer buffer(const_cast<QByteArray*>(&bytes));
    QImageReader reader(&buffer, "jpeg");
    if (reader.transformation() != QImageIOHandler::TransformationNone) return std::nullopt;
    // The frame header (SOF0..SOF2): precision, height, width, components; no Adobe marker.
    int components = 0;
    for (qsizetype i = 2; i + 9 < bytes.size();) {
        if (uchar(bytes[i]) != 0xFF) return std::nullopt;
        const uchar marker = uchar(bytes[i + 1]);
        const int len = (uchar(bytes[i + 2]) << 8) | uchar(bytes[i + 3]);
        if (marker == 0xEE) return std::nullopt; // Adobe: colour transform of its own
        if (marker >= 0xC0 && marker <= 0xC2) {
            const int fh = (uchar(bytes[i + 5]) << 8) | uchar(bytes[i + 6]);
            const int fw = (uchar(bytes[i + 7]) << 8) | uchar(bytes[i + 8]);
            if (fw != w || fh != h || uchar(bytes[i + 4]) != 8) return std::nullopt;
            components = uchar(bytes[i + 9]);
            break;
        }
        i += 2 + len;
    }
    if (components != 1 && components != 3) return std::nullopt;
    PdfImage im;
    im.dict = "/Width " + QByteArray::number(w) + " /Height " + QByteArray::number(h) +
              (components == 1 ? " /ColorSpace /DeviceGray" : " /ColorSpace /DeviceRGB") +
              " /BitsPerComponent 8 /Filter /DCTDecode";
    im.data = bytes;
    return im;
}

PdfImage encodePixels(const QImage& page) {
    if (page.depth() == 1) return encodeBitonal(page);
    PdfImage im;
    QByteArray raw;
    const int w = page.width(), h = page.height();
    if (page.format() == QImage::Format_Grayscale8 || page.allGray()) {
        const QImage g = page.convertToFormat(QImage::Format_Grayscale8);
        raw.reserve(qsizetype(w) * h);
        for (int y = 0; y < h; ++y)
            raw.append(reinterpret_cast<const char*>(g.constScanLine(y)), w);
        im.dict = "/ColorSpace /DeviceGray";
    } else {
        const QImage c = page.convertToFormat(QImage::Format_RGB888);
        raw.reserve(qsizetype(w) * h * 3);
        for (int y = 0; y < h; ++y)
            raw.append(reinterpret_cast<const char*>(c.constScanLine(y)), qsizetype(w) * 3);
        im.dict = "/ColorSpace /DeviceRGB";
    }
    im.dict = "/Width " + QByteArray::number(w) + " /Height " + QByteArray::number(h) + " " +
              im.dict + " /BitsPerComponent 8 /Filter /FlateDecode";
    im.data = flate(raw);
    return im;
}

// The footer line drawn as a bitonal mask of `width` x `height` pixels (1 = ink).
PdfImage footerMask(const QString& text, int width, int height) {
    QImage band(width, height, QImage::Format_Grayscale8);
    band.fill(255);
    {
        QPainter p(&band);
        QFont font(QStringLiteral("Sans"));
        font.setPixelSize(std::max(8, height * 55 / 100));
        // A line wider than the page is set smaller, so that it stays whole.
        const int room = std::max(1, width - height);
        const int wide = QFontMetrics(font).horizontalAdvance(text);
        if (wide > room) font.setPixelSize(std::max(6, font.pixelSize() * room / wide));
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QRect(height / 2, 0, width - height, height), Qt::AlignLeft | Qt::AlignVCenter,
                   text);
    }
    QByteArray raw;
    const int rowBytes = (width + 7) / 8;
    raw.reserve(qsizetype(rowBytes) * height);
    for (int y = 0; y < height; ++y) {
        const uchar* s = band.constScanLine(y);
        QByteArray row(rowBytes, '\0');
        for (int x = 0; x < width; ++x)
            if (s[x] < 128) row[x / 8] = char(uchar(row[x / 8]) | (0x80 >> (x % 8)));
        raw += row;
    }
    PdfImage im;
    im.dict = "/Width " + QByteArray::number(width) + " /Height " + QByteArray::number(height) +
              " /ImageMask true /Decode [1 0] /Filter /FlateDecode";
    im.data = flate(raw);
    return im;
}

QByteArray pdfDate(const QDateTime& t) {
    const int off = t.offsetFromUtc() / 60;
    const QByteArray sign = off < 0 ? "-" : "+";
    return "D:" + t.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() + sign +
           QByteArray::number(std::abs(off) / 60).rightJustified(2, '0') + "'" +
           QByteArray::number(std::abs(off) % 60).rightJustified(2, '0') + "'";
}

QByteArray xmpDate(const QDateTime& t) {
    const int off = t.offsetFromUtc() / 60;
    return t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() + (off < 0 ? "-" : "+") +
           QByteArray::number(std::abs(off) / 60).rightJustified(2, '0') + ":" +
           QByteArray::number(std::abs(off) % 60).rightJustified(2, '0');
}

// A text string of the document information: UTF-16BE with its byte-order mark, in hex.
QByteArray pdfText(const QString& s) {
    QByteArray hex = "<FEFF";
    for (QChar c : s)
        hex += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
    return hex + ">";
}

QByteArray xmlEscape(const QString& s) {
    return s.toHtmlEscaped().toUtf8();
}

// Writes numbered objects one after the other and keeps their offsets for the xref table.
class ObjectWriter {
public:
    explicit ObjectWriter(AtomicFile& out) : out_(out) {}
    int reserve() {
        offsets_.push_back(0);
        return int(offsets_.size());
    }
    void raw(const QByteArray& b) { out_.write(b.constData(), size_t(b.size())); }
    void object(int id, const QByteArray& body) {
        offsets_[size_t(id - 1)] = out_.position();
        raw(QByteArray::number(id) + " 0 obj\n" + body + "\nendobj\n");
    }
    void stream(int id, const QByteArray& dict, const QByteArray& data) {
        offsets_[size_t(id - 1)] = out_.position();
        raw(QByteArray::number(id) + " 0 obj\n<< " + dict + " /Length " +
            QByteArray::number(data.size()) + " >>\nstream\n");
        raw(data);
        raw("\nendstream\nendobj\n");
    }
    void finish(int catalog, int info, const QByteArray& id) {
        const quint64 xref = out_.position();
        QByteArray t = "xref\n0 " + QByteArray::number(qsizetype(offsets_.size() + 1)) +
                       "\n0000000000 65535 f \n";
        for (quint64 o : offsets_)
            t += QByteArray::number(o).rightJustified(10, '0') + " 00000 n \n";
        t += "trailer\n<< /Size " + QByteArray::number(qsizetype(offsets_.size() + 1)) + " /Root " +
             QByteArray::number(catalog) + " 0 R /Info " + QByteArray::number(info) +
             " 0 R /ID [<" + id + "> <" + id + ">] >>\nstartxref\n" + QByteArray::number(xref) +
             "\n%%EOF\n";
        raw(t);
    }

private:
    AtomicFile& out_;
    std::vector<quint64> offsets_;
};

} // namespace

int pdfFooterHeight(double dpi) {
    return std::max(12, int(std::lround(dpi / 4)));
}

void writePdf(const QString& nativePath, const DocumentModel& model, int firstPage, int lastPage,
              const PdfOptions& options) {
    const int count = model.pageCount();
    if (firstPage < 1 || lastPage < firstPage || lastPage > count)
        throw Error(
            kErrBadPage,
            QStringLiteral("Pages %1 to %2 are not in the document.").arg(firstPage).arg(lastPage));
    const DocumentPtr stored = model.document();
    const QDateTime created =
        (options.created.isValid() ? options.created : QDateTime::currentDateTime());
    const int total = lastPage - firstPage + 1;

    AtomicFile out(nativePath);
    ObjectWriter pdf(out);
    pdf.raw("%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
    const int catalog = pdf.reserve(), pagesId = pdf.reserve(), metadata = pdf.reserve(),
              icc = pdf.reserve(), info = pdf.reserve();

    std::vector<int> kids;
    for (int n = 1; n <= total; ++n) {
        if (options.progress) options.progress(n - 1, total);
        const int index = firstPage - 1 + n - 1;
        const PageInfo pageInfo = model.pageInfo(index);
        const double xDpi = pageInfo.xDpi > 0 ? pageInfo.xDpi : kPdfDefaultDpi;
        const double yDpi = pageInfo.yDpi > 0 ? pageInfo.yDpi : kPdfDefaultDpi;
        const AnnotationList annotations =
            options.burnAnnotations ? model.annotations(index) : AnnotationList{};

        std::optional<PdfImage> image;
        int w = pageInfo.width, h = pageInfo.height;
        if (!model.isPageModified(index) && annotations.empty() && index < stored->pageCount()) {
            if (auto strip = rawG4Strip(*stored, index))
                image = ccittImage(strip->first, w, h, strip->second);
            else
                image = rawJpeg(*stored, w, h);
        }
        if (!image) {
            QImage pixels = model.pageImage(index);
            burnAnnotations(pixels, annotations, xDpi);
            w = pixels.width(), h = pixels.height();
            image = encodePixels(pixels);
        }
        const double pw = w * 72.0 / xDpi, ph = h * 72.0 / yDpi;

        const int imageId = pdf.reserve();
        pdf.stream(imageId, "/Type /XObject /Subtype /Image " + image->dict, image->data);
        QByteArray content = "q " + num(pw) + " 0 0 " + num(ph) + " 0 0 cm /Im0 Do Q\n";
        QByteArray xobjects = "/Im0 " + QByteArray::number(imageId) + " 0 R";
        const QString footer = options.footer ? options.footer(n, total) : QString();
        if (!footer.isEmpty()) {
            const int fh = std::min(h, pdfFooterHeight(yDpi));
            const PdfImage mask = footerMask(footer, w, fh);
            const int maskId = pdf.reserve();
            pdf.stream(maskId, "/Type /XObject /Subtype /Image " + mask.dict, mask.data);
            content += "q 0 g " + num(pw) + " 0 0 " + num(fh * 72.0 / yDpi) + " 0 0 cm /Ft Do Q\n";
            xobjects += " /Ft " + QByteArray::number(maskId) + " 0 R";
        }
        const int contentId = pdf.reserve();
        pdf.stream(contentId, "/Filter /FlateDecode", flate(content));
        const int pageId = pdf.reserve();
        pdf.object(pageId, "<< /Type /Page /Parent " + QByteArray::number(pagesId) +
                               " 0 R /MediaBox [0 0 " + num(pw) + " " + num(ph) +
                               "] /Resources << /XObject << " + xobjects + " >> >> /Contents " +
                               QByteArray::number(contentId) + " 0 R >>");
        kids.push_back(pageId);
    }
    if (options.progress) options.progress(total, total);

    QByteArray kidList;
    for (int k : kids)
        kidList += QByteArray::number(k) + " 0 R ";
    pdf.object(pagesId, "<< /Type /Pages /Count " + QByteArray::number(qsizetype(kids.size())) +
                            " /Kids [" + kidList + "] >>");

    const QString producer = QStringLiteral("Docuvane");
    const QByteArray xmp =
        "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
        "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
        "<rdf:Description rdf:about=\"\" xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\">\n"
        "<pdfaid:part>2</pdfaid:part>\n<pdfaid:conformance>B</pdfaid:conformance>\n"
        "</rdf:Description>\n"
        "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
        "<dc:format>application/pdf</dc:format>\n"
        "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">" +
        xmlEscape(options.title) +
        "</rdf:li></rdf:Alt></dc:title>\n"
        "</rdf:Description>\n"
        "<rdf:Description rdf:about=\"\" xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\">\n"
        "<pdf:Producer>" +
        xmlEscape(producer) +
        "</pdf:Producer>\n</rdf:Description>\n"
        "<rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\">\n"
        "<xmp:CreateDate>" +
        xmpDate(created) + "</xmp:CreateDate>\n<xmp:ModifyDate>" + xmpDate(created) +
        "</xmp:ModifyDate>\n</rdf:Description>\n"
        "</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?>";
    pdf.stream(metadata, "/Type /Metadata /Subtype /XML", xmp);

    const QByteArray profile = QColorSpace(QColorSpace::SRgb).iccProfile();
    pdf.stream(icc, "/N 3 /Filter /FlateDecode", flate(profile));
    pdf.object(info, "<< /Title " + pdfText(options.title) + " /Producer " + pdfText(producer) +
                         " /CreationDate (" + pdfDate(created) + ") /ModDate (" + pdfDate(created) +
                         ") >>");
    pdf.object(catalog,
               "<< /Type /Catalog /Pages " + QByteArray::number(pagesId) + " 0 R /Metadata " +
                   QByteArray::number(metadata) +
                   " 0 R /OutputIntents [<< /Type /OutputIntent /S /GTS_PDFA1"
                   " /OutputConditionIdentifier (sRGB IEC61966-2.1) /Info (sRGB IEC61966-2.1)"
                   " /DestOutputProfile " +
                   QByteArray::number(icc) + " 0 R >>] >>");
    const QByteArray id =
        QCryptographicHash::hash(nativePath.toUtf8() + xmpDate(created) + QByteArray::number(total),
                                 QCryptographicHash::Md5)
            .toHex()
            .toUpper();
    pdf.finish(catalog, info, id);
    out.commit();
}

} // namespace imaging
