#include "imaging/pixels/Barcode.h"

#include "imaging/pixels/ImagingError.h"

#include <QFontDatabase>
#include <QPainter>
#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>
#include <ZXing/ReadBarcode.h>
#include <cmath>
#include <stdexcept>

namespace imaging {

bool isCode39Font(const QString& fontName) {
    return fontName.trimmed().compare(QLatin1String(kCode39FontName), Qt::CaseInsensitive) == 0;
}

bool code39FontInstalled() {
    static const bool installed =
        QFontDatabase::families().contains(QLatin1String(kCode39FontName), Qt::CaseInsensitive);
    return installed;
}

std::vector<bool> code39Modules(const QString& text) {
    QString t = text;
    if (t.size() >= 2 && t.startsWith(QLatin1Char('*')) && t.endsWith(QLatin1Char('*')))
        t = t.mid(1, t.size() - 2);
    if (t.isEmpty()) throw Error(kErrBadArgument, QStringLiteral("A barcode needs some text"));
    for (QChar c : t)
        if (c.unicode() > 127)
            throw Error(kErrBadArgument,
                        QStringLiteral("A Code 39 barcode can hold only ASCII characters"));
    try {
        ZXing::MultiFormatWriter writer(ZXing::BarcodeFormat::Code39);
        writer.setMargin(0);
        const ZXing::BitMatrix m = writer.encode(t.toStdString(), 1, 1);
        std::vector<bool> modules(size_t(m.width()));
        for (int x = 0; x < m.width(); ++x)
            modules[size_t(x)] = m.get(x, 0);
        return modules;
    } catch (const std::exception& e) {
        throw Error(
            kErrBadArgument,
            QStringLiteral("The text cannot be a barcode: %1").arg(QString::fromUtf8(e.what())));
    }
}

void paintModules(QPainter& painter, const QRectF& box, const std::vector<bool>& modules,
                  const QColor& color) {
    if (modules.empty() || box.isEmpty()) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    // Modules of a whole number of pixels keep the ratio of wide to narrow bars exact, which
    // readers rely on; the symbol is centred in the box. Boxes too narrow for one pixel a
    // module get fractional modules.
    const double n = double(modules.size());
    double w = std::floor(box.width() / n);
    double left = std::round(box.left() + (box.width() - w * n) / 2);
    if (w < 1) {
        w = box.width() / n;
        left = box.left();
    }
    for (size_t i = 0; i < modules.size();) {
        if (!modules[i]) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < modules.size() && modules[j])
            ++j;
        painter.drawRect(QRectF(left + double(i) * w, box.top(), double(j - i) * w, box.height()));
        i = j;
    }
    painter.restore();
}

QStringList readCode39(const QImage& image) {
    if (image.isNull()) return {};
    const QImage gray = image.format() == QImage::Format_Grayscale8
                            ? image
                            : image.convertToFormat(QImage::Format_Grayscale8);
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::Code39);
    hints.setTryHarder(true); // every row, not only the middle of the page
    hints.setTryRotate(false);
    // One pass at the size given: merging the results of several passes trips an assertion of
    // the library (1.4) on linear symbols read on several rows.
    hints.setTryDownscale(false);
    hints.setTryCode39ExtendedMode(false);
    hints.setValidateCode39CheckSum(false);
    hints.setBinarizer(ZXing::Binarizer::LocalAverage);
    const ZXing::ImageView view(gray.constBits(), gray.width(), gray.height(),
                                ZXing::ImageFormat::Lum, int(gray.bytesPerLine()));
    QStringList texts;
    for (const ZXing::Result& r : ZXing::ReadBarcodes(view, hints)) {
        if (!r.isValid() || r.format() != ZXing::BarcodeFormat::Code39) continue;
        const ZXing::ByteArray& bytes = r.bytes(); // the symbol's characters, all ASCII
        const QString text = QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()),
                                                 qsizetype(bytes.size()));
        if (!texts.contains(text)) texts.append(text);
    }
    return texts;
}

} // namespace imaging
