// docuvane-report-shots OUTDIR: starts the program on a scratch folder as the demo clerk 1001
// (medical records, the demo's filed records) and saves pictures of the record type windows
// (the list, the add dialog, the edit dialog of a type), the scanning accomplishment report
// with the rows of the first half of 2023, and its print preview; the report itself is saved
// as OUTDIR/scan-report.pdf.
#include "ShotSupport.h"
#include "doubles/ScriptedCredentials.h"
#include "doubles/ScriptedDialogs.h"
#include "doubles/ScriptedPrompter.h"
#include "main/Program.h"
#include "app/Session.h"
#include "rectypes/RecTypeWindows.h"
#include "rectypes/Workflow.h"
#include "reports/ReportPreviewWindow.h"
#include "reports/ScanReportWindow.h"
#include "reports/Workflow.h"
#include "viewer/MainWindow.h"
#include "viewer/SessionCommands.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <cstdio>

namespace {

template <class Done> void waitFor(Done done) {
    while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = shots::outputFolder(argc, argv, "docuvane-report-shots");
    if (out.isEmpty()) return 2;
    QTemporaryDir scratch;
    doubles::ScriptedCredentialsPrompt credentials;
    credentials.answers.push_back(app::Credentials{"1001", "records"});
    doubles::ScriptedPrompter prompter;
    program::Program p({scratch.filePath("config"), scratch.filePath("data")}, &credentials,
                       &prompter);
    if (!p.start() || !p.mainWindow()) {
        std::fprintf(stderr, "the program did not reach the main window\n");
        return 1;
    }
    viewer::MainWindow& w = *p.mainWindow();
    w.ui().cboDept->setCurrentIndex(w.ui().cboDept->findText("MEDICAL RECORDS"));
    w.sessionCommands().cboDept_Click();

    // Record types: the list, its add dialog with a name typed, the edit dialog of a row.
    p.session().gblnSettingsUnlocked = true;
    w.ui().mnuRectype->trigger();
    rectypes::RecTypeListWindow* list = rectypes::listWindow(w);
    if (!list) {
        std::fprintf(stderr, "no record type list\n");
        return 1;
    }
    shots::save(list, out, "frmRectype");
    {
        rectypes::RecTypeAddDialog add(*list);
        add.txtName->setText("CONSULTATION NOTES");
        add.txtDesc->setText("Notes of visiting consultants");
        add.show();
        shots::save(&add, out, "frmRectype_Add");
    }
    list->fgridRectype->setCurrentCell(3, 2);
    {
        rectypes::RecTypeEditDialog edit(*list);
        edit.show();
        shots::save(&edit, out, "frmRectype_Edit");
    }
    list->close();

    // The report window with the first half of 2023.
    w.ui().mScanningAcc->trigger();
    reports::ScanReportWindow* f = reports::scanReportWindow(w);
    if (!f) {
        std::fprintf(stderr, "no report window\n");
        return 1;
    }
    f->DTPicker1[0]->setDate(QDate(2023, 1, 1));
    f->DTPicker1[1]->setDate(QDate(2023, 6, 30));
    bool searched = false;
    QObject::connect(f, &reports::ScanReportWindow::searchFinished, [&] { searched = true; });
    f->cmdSearch_Click();
    waitFor([&] { return searched; });
    shots::save(f, out, "frmScanReport");

    reports::ReportPreviewWindow* preview = nullptr;
    QObject::connect(f, &reports::ScanReportWindow::previewOpened,
                     [&](reports::ReportPreviewWindow* r) { preview = r; });
    f->cmdPrint_Click();
    waitFor([&] { return preview != nullptr || !prompter.shown.empty(); });
    if (!preview) {
        std::fprintf(stderr, "no preview: %s\n", qPrintable(prompter.lastText()));
        return 1;
    }
    preview->resize(900, 1000);
    shots::save(preview, out, "frmReportPreview");
    auto files = std::make_shared<doubles::ScriptedFileDialogRunner>();
    files->answer(out + "/scan-report.pdf");
    preview->setFileDialogRunner(files);
    preview->cmdSavePdf_Click();
    std::printf("%s\n", qPrintable(out + "/scan-report.pdf"));
    return 0;
}
