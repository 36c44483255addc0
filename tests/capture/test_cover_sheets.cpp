// Cover sheets: reading printed-and-scanned sheets (1-bit and gray, 200 and 300 dpi, slightly
// skewed, specked), refusing pages that are not our sheets, and the check at the end of a
// filed scan (same ID filed silently; another ID stopped with a question).
#include "CaptureFixture.h"

#include "app/Settings.h"

#include "capture/CoverSheet.h"
#include "viewer/BlankPages.h"
#include "capture/NewRecordOtherDialog.h"
#include "capture/RecordDialog.h"
#include "imaging/documents/Document.h"
#include "imaging/pixels/Barcode.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
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

// Filing with cover sheets, through the Records dialog and the scanner double: the stack is
// a cover sheet (printed at 200 dpi, put in a little crooked, scanned 1-bit at 200 dpi) and two
// marker pages.
class CoverSheetFiling : public CaptureFixture {
protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        t.settings.write(app::kAppPrefs, "Scanner", "Resolution", "200");
    }
    // Feeds a cover sheet of `id` (record type 3) and two marker pages.
    void feed(const QString& id) {
        capture::CoverSheetContent content;
        content.id = id;
        content.recordType = 3;
        content.recordTypeName = "LABORATORY RESULTS";
        content.date = QDate(2026, 1, 19);
        auto lock = fake->lock();
        fake->script().feederSheets = 3;
        fake->script().sheetImages = {asScanned(capture::renderCoverSheet(content, 200), 1.2, false)};
    }
    void scanFor(const QString& id, std::deque<int> answers) {
        auto& r = chooseAdmission(id);
        selectType(r.cboScanType, "LABORATORY RESULTS");
        t.prompter.answers = std::move(answers);
        t.prompter.shown.clear();
        r.btnScan->click();
        waitJobs();
        EXPECT_TRUE(t.prompter.answers.empty()) << "questions not asked";
    }
    int rows(const QString& id) {
        return scalar("SELECT COUNT(*) FROM dbRecords..tblRecFiles WHERE admission_id = '" + id +
                      "' AND rectype_id = 3")
            .toInt();
    }
    // The files below a folder of the share (native), recursively.
    QStringList filesBelow(const QString& logical) {
        QStringList out;
        const QString dir = native(logical);
        QDirIterator it(dir, {"*.tif"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) out << QDir(dir).relativeFilePath(it.next());
        return out;
    }
    const QString record = root + "\\2026\\2026-01-19\\260045-3.tif";
    const QString dateFolder = root + "\\2026\\2026-01-19";
};

TEST_F(CoverSheetFiling, SheetOfTheSameIdIsFiledWithoutAQuestionAndStaysPageOne) {
    load();
    feed("260045");
    scanFor("260045", {app::mb::OK}); // Ready? - and nothing more
    ASSERT_EQ(t.prompter.shown.size(), 1u) << t.prompter.lastText().toStdString();
    EXPECT_EQ(rows("260045"), 1);
    ASSERT_TRUE(QFileInfo::exists(native(record)));
    EXPECT_EQ(w->doc().FullPathFileName, record);
    const auto doc = imaging::Document::open(native(record));
    ASSERT_EQ(doc->pageCount(), 3);
    const auto sheet = capture::readCoverSheet(doc->decodePage(0));
    ASSERT_TRUE(sheet.has_value());
    EXPECT_EQ(sheet->id, "260045");
    EXPECT_EQ(doubles::FakeScanner::readLabel(doc->decodePage(1)), 2);
    EXPECT_EQ(doubles::FakeScanner::readLabel(doc->decodePage(2)), 3);
    // The filed pages were checked for blank ones: the marker pages are white sheets with
    // only their label blocks at the edge; the cover sheet is not blank.
    EXPECT_EQ(w->blankPages().marked(), (std::vector<int>{2, 3}));
}

TEST_F(CoverSheetFiling, SheetOfAnotherIdStopsTheFilingUntilTheUserFilesAnyway) {
    load();
    // No: nothing filed, nothing at the record's name, the scan in the recycle folder.
    feed("230877");
    scanFor("260045", {app::mb::OK, app::mb::No});
    ASSERT_EQ(t.prompter.shown.size(), 3u);
    const app::Message& question = t.prompter.shown[1];
    EXPECT_EQ(question.buttons, app::mb::YesNo);
    // Whose pages they are (the demo's admission 230877 is D'Souza's), on which page.
    EXPECT_TRUE(question.text.contains(
        "Page 1: ID 230877 - D'Souza, Anil Kumar, record type LABORATORY RESULTS (3)"))
        << question.text.toStdString();
    EXPECT_TRUE(question.text.contains("ID 260045 - O'Brien, Patrick Sean"))
        << question.text.toStdString();
    EXPECT_TRUE(t.prompter.shown[2].text.startsWith("Nothing was filed for ID 260045"))
        << t.prompter.shown[2].text.toStdString();
    EXPECT_EQ(rows("260045"), 0);
    EXPECT_EQ(rows("230877"), 0);
    EXPECT_FALSE(QFileInfo::exists(native(record)));
    EXPECT_TRUE(filesBelow(dateFolder).isEmpty()) << filesBelow(dateFolder).join(", ").toStdString();
    const QStringList recycled = filesBelow(root + "\\Recycled");
    ASSERT_EQ(recycled.size(), 1) << recycled.join(", ").toStdString();
    EXPECT_EQ(imaging::Document::open(native(root + "\\Recycled") + "/" + recycled[0])->pageCount(), 3);
    EXPECT_TRUE(w->doc().NoDocument);

    // Yes: filed as it was scanned, the other ID's sheet kept as page 1.
    feed("230877");
    scanFor("260045", {app::mb::OK, app::mb::Yes});
    EXPECT_EQ(rows("260045"), 1);
    EXPECT_EQ(rows("230877"), 0);
    ASSERT_TRUE(QFileInfo::exists(native(record)));
    EXPECT_EQ(w->doc().FullPathFileName, record);
    const auto doc = imaging::Document::open(native(record));
    ASSERT_EQ(doc->pageCount(), 3);
    const auto sheet = capture::readCoverSheet(doc->decodePage(0));
    ASSERT_TRUE(sheet.has_value());
    EXPECT_EQ(sheet->id, "230877");
}

// "Print Cover Sheet" from the File menu's dialog, the Records dialog and the other
// departments' dialog: each prints one Letter page at its actual size that reads back as the
// ID and record type chosen there.
TEST_F(CaptureFixture, CoverSheetsPrintedFromEachPlaceReadBack) {
    load();
    // The printed PDF as scanned: rendered at 200 dpi, 1-bit.
    auto printedSheet = [this]() -> std::optional<capture::CoverSheetCodes> {
        const QString out = t.dir.file("printed");
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        QProcess p;
        p.start("pdftoppm", {"-r", "200", "-mono", "-singlefile", printed, out + "/sheet"});
        EXPECT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        const QImage sheet(out + "/sheet.pbm");
        EXPECT_EQ(sheet.size(), QSize(1700, 2200)); // Letter at its actual size
        QFile::remove(printed);
        return capture::readCoverSheet(sheet);
    };
    auto print = [this](QWidget* dialog) {
        auto* button = dialog->findChild<QPushButton*>("btnPrintCoverSheet");
        ASSERT_NE(button, nullptr);
        printDialogs->answer({1, 1, 0, false});
        button->click();
        waitJobs();
    };

    w->ui().mnuFilePrintCoverSheet->trigger();
    auto* typed = dialog<QDialog>("frmCoverSheet");
    ASSERT_NE(typed, nullptr);
    typed->findChild<QLineEdit*>("txtAdmID")->setText("230877");
    selectType(typed->findChild<QComboBox*>("cboScanType"), "OPERATIVE REPORT");
    print(typed);
    auto codes = printedSheet();
    ASSERT_TRUE(codes.has_value());
    EXPECT_EQ(codes->id, "230877");
    EXPECT_EQ(codes->recordType, 4);
    typed->close();

    auto& records = chooseAdmission("260045");
    selectType(records.cboScanType, "LABORATORY RESULTS");
    print(&records);
    codes = printedSheet();
    ASSERT_TRUE(codes.has_value());
    EXPECT_EQ(codes->id, "260045");
    EXPECT_EQ(codes->recordType, 3);
    records.close();

    // A cancelled print dialog prints nothing.
    printDialogs->cancel();
    w->ui().mnuFilePrintCoverSheet->trigger();
    typed = dialog<QDialog>("frmCoverSheet");
    typed->findChild<QLineEdit*>("txtAdmID")->setText("230877");
    typed->findChild<QPushButton*>("btnPrintCoverSheet")->click();
    waitJobs();
    EXPECT_FALSE(QFileInfo::exists(printed));
    typed->close();
    EXPECT_EQ(printDialogs->requests().size(), 3u);
}

TEST_F(CaptureFixture, CoverSheetPrintedFromTheOtherDepartmentsDialogReadsBack) {
    load("HUMAN RESOURCES");
    w->ui().mnuFileNew->trigger();
    auto* other = dialog<capture::NewRecordOtherDialog>("frmNewRecOther");
    ASSERT_NE(other, nullptr);
    other->txtAdmID->setText("E-1042");
    selectType(other->cboScanType, "EMPLOYMENT CONTRACT");
    printDialogs->answer({1, 1, 0, false});
    other->btnPrintCoverSheet->click();
    waitJobs();
    const QString out = t.dir.file("printed-hr");
    QDir().mkpath(out);
    QProcess p;
    p.start("pdftoppm", {"-r", "300", "-gray", "-singlefile", printed, out + "/sheet"});
    ASSERT_TRUE(p.waitForFinished(60000));
    const auto codes = capture::readCoverSheet(QImage(out + "/sheet.pgm"));
    ASSERT_TRUE(codes.has_value());
    EXPECT_EQ(codes->id, "E-1042");
    EXPECT_EQ(codes->recordType, 7);
}

} // namespace
} // namespace capturetest
