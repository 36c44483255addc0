// docuvane-export-shots OUTDIR: starts the program on a scratch folder as the medical-records
// user, opens a three-page record and saves pictures of the File menu with "Export PDF..." and
// of the Export PDF dialog with a page range and a "Released to" name.
#include "ShotRecord.h"
#include "viewer/ExportCommands.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = shots::outputFolder(argc, argv, "docuvane-export-shots");
    if (out.isEmpty()) return 2;
    shots::RecordsClerkProgram clerk;
    viewer::MainWindow* started = clerk.start();
    if (!started) return 1;
    viewer::MainWindow& w = *started;
    w.resize(1100, 800);
    viewer::MainWindowUi& u = w.ui();

    shots::openThreePageRecord(w, clerk.scratch.path());
    QTest::qWait(100);

    u.mnuFile->popup(w.mapToGlobal(QPoint(10, 25)));
    QTest::qWait(100);
    std::printf("Export PDF enabled: %d\n", u.mnuFileExportPdf->isEnabled());
    shots::save(u.mnuFile, out, "file-menu-export-pdf");
    u.mnuFile->hide();

    viewer::ExportPdfDialog dialog(3, 2, &w);
    dialog.findChild<QRadioButton*>("optRange")->setChecked(true);
    dialog.findChild<QSpinBox*>("spnFrom")->setValue(2);
    dialog.findChild<QSpinBox*>("spnTo")->setValue(3);
    dialog.findChild<QLineEdit*>("txtReleasedTo")->setText("Blue Cross Insurance");
    dialog.show();
    QTest::qWait(100);
    shots::save(&dialog, out, "export-pdf-dialog");
    dialog.hide();
    return 0;
}
