#pragma once
// Cover sheets: a printed page placed in front of a record's pages before they are scanned.
// It carries the record's ID as a Code 39 barcode and a second barcode for the record type,
// so a scan can be checked against the record it is being filed under.
#include <QDate>
#include <QImage>
#include <QString>
#include <optional>

class QComboBox;
class QWidget;

namespace app {
struct Session;
}
namespace viewer {
class MainWindow;
}

namespace imaging {
class Document;
}

namespace capture {

// What a scanned cover sheet says: the ID and the record type's number.
struct CoverSheetCodes {
    QString id;
    int recordType = 0;
};

// What a printed cover sheet shows.
struct CoverSheetContent {
    QString id;
    int recordType = 0;
    QString recordTypeName;
    QString name;
    QDate date;
    QString department;
};

// The text of the record-type barcode ("DV-T" + the type's number; no patient label or other
// barcode a chart carries looks like it).
QString recordTypeBarcode(int recordType);

// The cover sheet as a page image (Letter, `dpi`), as printed: ID barcode (Code 39, the ID
// exactly), record-type barcode, name, record type, date, a large "COVER SHEET" marking and a
// line telling the clerk to scan it in front of the record's pages.
QImage renderCoverSheet(const CoverSheetContent& content, double dpi);

// Reads a scanned page for a cover sheet: both barcodes read -> the codes; otherwise nullopt
// (a page with only other barcodes is no cover sheet). Safe on a worker thread.
std::optional<CoverSheetCodes> readCoverSheet(const QImage& page);
// Page `index` (0-based) of a scanned document as the cover-sheet reader takes it: decoded at
// about 150 dpi (bitonal pages area-averaged into gray while decoding), its resolution set.
// Safe on a worker thread; raises what decoding the page raises.
QImage pageForReading(const imaging::Document& doc, int index);
// readCoverSheet(pageForReading(doc, index)).
std::optional<CoverSheetCodes> readCoverSheetOfPage(const imaging::Document& doc, int index);

// The name a cover sheet of `id` shows: the patient of the admission (in- or out-patient,
// "Last, First Middle") for the medical-records department, the payroll employee of that
// employee number for another department; "" when the database knows none (a failure to ask
// is logged).
QString coverSheetName(app::Session& s, const QString& id);
// The name of a record type ("" when there is none of that number).
QString recordTypeName(app::Session& s, int recordType);

// "Print Cover Sheet": the print dialog (whose printer may be a PDF file), then the sheet of
// `content` (date: today when not set; name and type name looked up when empty) printed at
// its actual size as a background job of `window`. Nothing is printed when the dialog is
// cancelled.
void printCoverSheet(viewer::MainWindow& window, CoverSheetContent content, QWidget* owner);
// The same for a dialog's ID, record type combo and record date (mm/dd/yyyy; today when it is
// no date), with the department chosen in the main window.
void printCoverSheet(viewer::MainWindow& window, const QString& id, const QComboBox& recordTypes,
                     const QString& recordDate, QWidget* owner);

// "Print Cover Sheet..." of the File menu: a small dialog (`frmCoverSheet`) for a typed ID and
// a record type of the department.
void mnuFilePrintCoverSheet_Click(viewer::MainWindow& window);

} // namespace capture
