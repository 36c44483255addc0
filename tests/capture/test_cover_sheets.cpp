// Cover sheets: reading printed-and-scanned sheets (1-bit and gray, 200 and 300 dpi, slightly
// skewed, specked), refusing pages that are not our sheets, and the check at the end of a
// filed scan (same ID filed silently; another ID stopped with a question).
#include "CaptureFixture.h"

#include "capture/CoverSheet.h"
#include "capture/RecordDialog.h"
#include "imaging/documents/Document.h"
#include "imaging/pixels/Barcode.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTransform>

namespace capturetest {
namespace {

// A page as an office scanner would deliver it: turned by `degrees` about its centre (white
// showing at the corners), with a sprinkle of specks, as gray or thresholded at mid-gray.
QImage asScanned(const QImage& page, double degrees, bool bitonal, quint32 seed = 7) {
    QImage turned(page.size(), QImage::Format_RGB32);
    turned.fill(Qt::white);
    {
        QPainter p(&turned);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.translate(page.width() / 2.0, page.height() / 2.0);
        p.rotate(degrees);
        p.translate(-page.width() / 2.0, -page.height() / 2.0);
        p.drawImage(0, 0, page);
        QRandomGenerator random(seed);
        for (int i = 0; i < 60; ++i)
            p.fillRect(random.bounded(page.width() - 3), random.bounded(page.height() - 3), 2, 2,
                       Qt::black);
    }
    turned.setDotsPerMeterX(page.dotsPerMeterX());
    turned.setDotsPerMeterY(page.dotsPerMeterY());
    QImage gray = turned.convertToFormat(QImage::Format_Grayscale8);
    if (!bitonal) return gray;
    QImage mono(gray.size(), QImage::Format_Mono);
    mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    mono.fill(0);
    for (int y = 0; y < gray.height(); ++y) {
        const uchar* in = gray.constScanLine(y);
        for (int x = 0; x < gray.width(); ++x)
            if (in[x] < 128) mono.setPixel(x, y, 1);
    }
    mono.setDotsPerMeterX(page.dotsPerMeterX());
    mono.setDotsPerMeterY(page.dotsPerMeterY());
    return mono;
}

// A Letter page holding one plain Code 39 symbol of `text` (a chart's own ID label).
QImage pageWithBarcode(const QString& text, double dpi) {
    QImage page(int(8.5 * dpi), int(11 * dpi), QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    imaging::paintModules(p, QRectF(dpi, 2 * dpi, 4 * dpi, 0.6 * dpi),
                          imaging::code39Modules(text), Qt::black);
    return page;
}

TEST(CoverSheetReading, ScannedSheetsGiveTheirCodesOtherPagesNone) {
    struct Case {
        QString id;
        int type;
        double dpi;
        bool bitonal;
        double degrees;
    };
    // IDs as the departments file them: admission numbers, an employee number with letters
    // and a blank, and one whose characters need the full-ASCII set (lower case, '+', '$').
    const Case cases[] = {
        {"260045", 3, 300, true, 0.0},      {"260045", 3, 200, true, 1.5},
        {"HR-0042 B", 12, 300, false, -1.0}, {"HR-0042 B", 12, 200, false, 0.8},
        {"ab+c$1", 7, 200, true, -1.2},      {"T100233", 1234, 300, true, 180.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString("%1 type %2 at %3 dpi, %4, %5 degrees")
                         .arg(c.id).arg(c.type).arg(c.dpi)
                         .arg(c.bitonal ? "1-bit" : "gray").arg(c.degrees)
                         .toStdString());
        capture::CoverSheetContent content;
        content.id = c.id;
        content.recordType = c.type;
        content.recordTypeName = "DISCHARGE SUMMARY";
        content.name = "O'Brien, Patrick Sean";
        content.date = QDate(2026, 1, 19);
        const QImage scanned = asScanned(capture::renderCoverSheet(content, c.dpi), c.degrees,
                                         c.bitonal);
        ASSERT_EQ(scanned.width(), int(8.5 * c.dpi)); // a Letter page at that resolution
        const auto codes = capture::readCoverSheet(scanned);
        ASSERT_TRUE(codes.has_value());
        EXPECT_EQ(codes->id, c.id);
        EXPECT_EQ(codes->recordType, c.type);
    }
    EXPECT_EQ(capture::recordTypeBarcode(7), "DV-T7");

    // Not cover sheets: a chart page carrying an ID label only (its barcode readable: the
    // refusal is not a failure to read), a record-type barcode alone, a blank page.
    const QImage label = asScanned(pageWithBarcode("260045", 300), 1.0, true);
    EXPECT_TRUE(imaging::readCode39(label).contains("260045"));
    EXPECT_FALSE(capture::readCoverSheet(label).has_value());
    EXPECT_FALSE(capture::readCoverSheet(asScanned(pageWithBarcode("DV-T3", 200), 0, true)));
    QImage blank(1700, 2200, QImage::Format_RGB32);
    blank.fill(Qt::white);
    EXPECT_FALSE(capture::readCoverSheet(asScanned(blank, 0.5, true)).has_value());
}

} // namespace
} // namespace capturetest
