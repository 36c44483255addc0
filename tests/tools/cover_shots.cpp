// docuvane-cover-shots OUTDIR: cover sheets with the demo's data, headless. Saves the cover
// sheet of admission 260045 printed from the Records dialog into OUTDIR/cover-sheet.pdf and, by
// pdftoppm at 100 dpi, OUTDIR/cover-sheet.png; the Records dialog with its Print Cover Sheet
// button; the File menu's Print Cover Sheet dialog; and the question shown when a scan filed
// for 260045 holds the cover sheet of 230877 (fed by the scanner double), built as the
// program's message box builds it and pictured before it would wait for an answer (answered
// No: nothing is filed).
#include "ShotSupport.h"
#include "capture/CaptureState.h"
#include "capture/CoverSheet.h"
#include "capture/NewRecordDialog.h"
#include "capture/RecordDialog.h"
#include "capture/Workflow.h"
#include "doubles/ScannerFake.h"
#include "doubles/ScriptedDialogs.h"
#include "doubles/TestSession.h"
#include "imaging/controls/ImageScan.h"
#include "imaging/controls/Print.h"
#include "imaging/scanning/ScannerUi.h"
#include "viewer/JobHost.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>

namespace {

using shots::settle;
using shots::waitJobs;

// Shows each message as a message box of the program (title, icon, buttons), pictures the
// cover-sheet question, and answers: No to that question, the first button to any other.
class PicturingPrompter : public app::Prompter {
public:
    explicit PicturingPrompter(QString out) : out_(std::move(out)) {}
    int ask(const app::Message& m) override {
        std::printf("  message: %s\n", qPrintable(QString(m.text).replace("\r\n", " / ")));
        const bool coverSheet = m.title && *m.title == "Cover Sheet";
        if (coverSheet) {
            QMessageBox box;
            box.setWindowTitle(*m.title);
            box.setText(m.text);
            box.setIcon(m.icon == app::mb::Exclamation ? QMessageBox::Warning
                                                       : QMessageBox::Information);
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            box.show();
            settle();
            shots::save(&box, out_, "cover-wrong-id-question");
            return app::mb::No;
        }
        switch (m.buttons) {
        case app::mb::YesNo:
        case app::mb::YesNoCancel: return app::mb::Yes;
        default: return app::mb::OK;
        }
    }

private:
    QString out_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = shots::outputFolder(argc, argv, "docuvane-cover-shots");
    if (out.isEmpty()) return 2;

    doubles::TestSession t;
    shots::scanningSession(t, QStringLiteral("\\\\records-fs\\recfiles"), 200);
    PicturingPrompter prompter(out);
    t.s().svc.prompter = &prompter;

    auto fake = std::make_shared<doubles::FakeScanner>();
    auto printDialogs = std::make_shared<doubles::ScriptedPrintDialogRunner>();
    const QString pdf = out + "/cover-sheet.pdf";
    QFile::remove(pdf);
    viewer::MainWindowOptions options;
    options.imaging.scanner = fake;
    options.imaging.scanUi = std::make_shared<shots::QuietScanUi>();
    options.imaging.printDialog = printDialogs;
    options.imaging.printer = std::make_shared<imaging::PdfPrinterProvider>(pdf);
    viewer::MainWindow w(t.s(), options);
    capture::install(w);
    w.resize(1100, 780);
    w.show();
    w.Form_Load();
    settle(500);
    shots::chooseDepartment(w, "MEDICAL RECORDS");

    // The Records dialog of admission 260045, and its cover sheet printed into the PDF.
    w.ui().mnuFileNew->trigger();
    capture::CaptureState& state = capture::CaptureState::of(w);
    if (!state.newRec) return 1;
    state.newRec->txtAdmNo->setText("260045");
    state.newRec->btnSearch_Click();
    waitJobs(w);
    state.newRec->fgridOpenRec->setCurrentCell(0, 1);
    state.newRec->fgridOpenRec_DblClick();
    capture::RecordDialog* r = state.records;
    if (!r) return 1;
    r->move(40, 40);
    r->cboScanType->setCurrentIndex(r->cboScanType->findText("LABORATORY RESULTS"));
    shots::save(r, out, "frmRecords-print-cover-sheet");
    printDialogs->answer({1, 1, imaging::kPrintActualSize, false});
    r->btnPrintCoverSheet->click();
    waitJobs(w);
    QProcess pdftoppm;
    pdftoppm.start("pdftoppm", {"-r", "100", "-png", "-singlefile", pdf, out + "/cover-sheet"});
    if (!pdftoppm.waitForFinished(60000) || pdftoppm.exitCode() != 0) {
        std::fprintf(stderr, "pdftoppm failed: %s\n", pdftoppm.readAllStandardError().constData());
        return 1;
    }
    std::printf("%s\n%s\n", qPrintable(pdf), qPrintable(out + "/cover-sheet.png"));

    // The File menu's dialog for a typed ID.
    w.ui().mnuFilePrintCoverSheet->trigger();
    auto* typed = w.findChild<QDialog*>("frmCoverSheet");
    if (!typed) return 1;
    typed->move(40, 40);
    typed->findChild<QLineEdit*>("txtAdmID")->setText("230877");
    shots::save(typed, out, "frmCoverSheet");
    typed->close();

    // A scan for 260045 whose first sheet is the cover sheet of 230877.
    capture::CoverSheetContent other;
    other.id = "230877";
    other.recordType = 3;
    other.recordTypeName = "LABORATORY RESULTS";
    other.name = capture::coverSheetName(t.s(), other.id);
    other.date = QDate(2023, 9, 5);
    {
        auto lock = fake->lock();
        fake->script().feederSheets = 3;
        fake->script().sheetImages = {capture::renderCoverSheet(other, 200)};
    }
    r->btnScan->click();
    waitJobs(w);
    return 0;
}
