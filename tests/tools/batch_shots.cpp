// docuvane-batch-shots OUTDIR: "Scan Batch..." with the demo's data, headless. The scanner
// double feeds a stack of a stray page, the cover sheet of 230877 with two pages, a sheet of
// the unknown ID 999999 with one page, the sheet of 260045 (filed already as OPERATIVE REPORT)
// with one page, and the sheet of 240311 with three pages. Saves OUTDIR/frmScanBatch.png (the
// batch list as read) and OUTDIR/frmScanBatch-filed.png (after File: 230877 and 240311 filed,
// 260045 waiting for its replace tick).
#include "ShotSupport.h"
#include "capture/BatchWindow.h"
#include "capture/CoverSheet.h"
#include "capture/Workflow.h"
#include "doubles/ScannerFake.h"
#include "doubles/TestSession.h"
#include "imaging/controls/ImageScan.h"
#include "imaging/scanning/ScannerUi.h"

#include <QAction>
#include <QPushButton>
#include <QTableWidget>

namespace {

QImage coverSheet(const QString& id, int type) {
    capture::CoverSheetContent content;
    content.id = id;
    content.recordType = type;
    content.recordTypeName = "RECORD TYPE";
    content.date = QDate(2008, 11, 25);
    return capture::renderCoverSheet(content, 200);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = shots::outputFolder(argc, argv, "docuvane-batch-shots");
    if (out.isEmpty()) return 2;
    doubles::TestSession t;
    shots::scanningSession(t, QStringLiteral("\\\\records-fs\\recfiles"), 200);
    auto fake = std::make_shared<doubles::FakeScanner>();
    {
        QImage plain(600, 800, QImage::Format_RGB32);
        plain.fill(Qt::white);
        auto lock = fake->lock();
        fake->script().sheetImages = {plain,
                                      coverSheet("230877", 3), plain, plain,
                                      coverSheet("999999", 3), plain,
                                      coverSheet("260045", 4), plain,
                                      coverSheet("240311", 3), plain, plain, plain};
        fake->script().feederSheets = int(fake->script().sheetImages.size());
    }
    viewer::MainWindowOptions options;
    options.imaging.scanner = fake;
    options.imaging.scanUi = std::make_shared<shots::QuietScanUi>();
    viewer::MainWindow w(t.s(), options);
    capture::install(w);
    w.resize(1100, 780);
    w.show();
    w.Form_Load();
    shots::settle(500);
    shots::chooseDepartment(w, "MEDICAL RECORDS");
    QElapsedTimer probe;
    probe.start();
    while (!w.ui().mnuFileScanBatch->isEnabled() && probe.elapsed() < 10000) shots::settle(50);
    w.ui().mnuFileScanBatch->trigger();
    shots::waitJobs(w);
    shots::waitJobs(w);
    auto* list = w.findChild<capture::BatchWindow*>("frmScanBatch");
    if (!list) {
        std::fprintf(stderr, "no batch list\n");
        return 1;
    }
    list->resize(1050, 330);
    list->move(40, 40);
    shots::settle();
    shots::save(list, out, "frmScanBatch");
    list->cmdFile->click();
    shots::waitJobs(w);
    list->lvwBatchParts->selectRow(1);
    shots::settle();
    shots::save(list, out, "frmScanBatch-filed");
    for (const auto& m : t.prompter.shown)
        std::printf("  message: %s\n", qPrintable(QString(m.text).replace("\r\n", " / ")));
    return 0;
}
