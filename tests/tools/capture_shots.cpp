// docuvane-capture-shots OUTDIR: starts the program on a scratch folder (its demo database and
// share), signs in 1001 and saves pictures of record capture with the demo's data: the admission
// search with rows, the Records dialog of the chosen admission, the main window with the record
// just filed (scanned with SANE's test scanner when SANE_CONFIG_DIR names the demo's
// configuration, scripts/sane-demo; otherwise filed without scanning), the manual dialog, and in
// HUMAN RESOURCES the other-department dialog with the employee lookup.
#include "ShotSupport.h"
#include "doubles/RenderWait.h"
#include "app/Browse.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "app/SignIn.h"
#include "capture/CaptureState.h"
#include "capture/NewRecordDialog.h"
#include "capture/NewRecordOtherDialog.h"
#include "capture/RecordDialog.h"
#include "doubles/ScriptedCredentials.h"
#include "imaging/controls/ImageEdit.h"
#include "main/Program.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"
#include "viewer/SessionCommands.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// Answers every question with its first button (Yes, OK) and prints what was shown.
class AnswerYes : public app::Prompter {
public:
    int ask(const app::Message& m) override {
        std::printf("  message: %s\n", qPrintable(QString(m.text).replace("\r\n", " / ")));
        return m.buttons == app::mb::YesNo || m.buttons == app::mb::YesNoCancel ? app::mb::Yes
                                                                                 : app::mb::OK;
    }
};

using shots::settle;
using shots::waitJobs;

void save(QWidget* w, const QString& out, const QString& name) {
    settle();
    shots::save(w, out, name);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = shots::outputFolder(argc, argv, "[SANE_CONFIG_DIR=scripts/sane-demo] docuvane-capture-shots");
    if (out.isEmpty()) return 2;
    QTemporaryDir scratch;
    doubles::ScriptedCredentialsPrompt credentials;
    credentials.answers.push_back(app::Credentials{"1001", "records"});
    AnswerYes prompter;
    {
        // The scanner's preferences are read when the main window is made: SANE's test
        // scanner, its feeder, 1-bit gray at 100 dpi.
        QDir().mkpath(scratch.filePath("config"));
        app::IniSettingsStore settings(scratch.filePath("config"));
        settings.write(app::kAppPrefs, "Scanner", "Device", "test:0");
        settings.write(app::kAppPrefs, "Scanner", "Source", "Automatic Document Feeder");
        settings.write(app::kAppPrefs, "Scanner", "Mode", "Gray");
        settings.write(app::kAppPrefs, "Scanner", "Depth", "1");
        settings.write(app::kAppPrefs, "Scanner", "Resolution", "100");
    }
    program::Program p(program::Folders{scratch.filePath("config"), scratch.filePath("data")},
                       &credentials, &prompter);
    if (!p.start() || !p.mainWindow()) {
        std::fprintf(stderr, "the program did not reach the main window\n");
        return 1;
    }
    viewer::MainWindow& w = *p.mainWindow();
    w.resize(1180, 820);
    w.move(0, 0);
    const bool sane = !qEnvironmentVariableIsEmpty("SANE_CONFIG_DIR");
    shots::chooseDepartment(w, "MEDICAL RECORDS");

    // The admission search: "smi" with out-patients, by name.
    w.ui().mnuFileNew->trigger();
    capture::CaptureState& state = capture::CaptureState::of(w);
    capture::NewRecordDialog* f = state.newRec;
    if (!f) return 1;
    f->move(40, 40);
    f->txtAdmNo->setText("smi");
    f->chkIncludeOutPatient->setChecked(true);
    f->btnSearch_Click();
    waitJobs(w);
    save(f, out, "frmNewRec");

    // The third row chosen: the Records dialog with a record type and a description.
    f->fgridOpenRec->setCurrentCell(2, 1);
    f->fgridOpenRec_DblClick();
    capture::RecordDialog* r = state.records;
    if (!r) return 1;
    r->move(60, 60);
    r->cboScanType->setCurrentIndex(r->cboScanType->findText("LABORATORY RESULTS"));
    r->txtDesc->setText("CBC and urinalysis");
    r->chkSkipScan->setChecked(!sane);
    save(r, out, "frmRecords");

    // Filed: the main window with the new record at page 1.
    r->btnScan->click();
    waitJobs(w);
    doubles::waitForIdle(*w.docImgEdit1, 10000);
    save(&w, out, "main-just-filed");

    // The manual dialog.
    w.ui().mnuFileManual->trigger();
    capture::RecordDialog* m = state.manual;
    if (!m) return 1;
    m->move(60, 60);
    m->txtAdmID->setText("267012");
    save(m, out, "frmManual");
    m->btnClose->click();
    settle();

    // Human resources: the other-department dialog and the employee lookup.
    shots::chooseDepartment(w, "HUMAN RESOURCES");
    w.ui().mnuFileNew->trigger();
    capture::NewRecordOtherDialog* o = state.newRecOther;
    if (!o) return 1;
    o->move(60, 60);
    save(o, out, "frmNewRecOther");
    o->cmdSelectID->click();
    auto* b = w.findChild<app::BrowseWindow*>("frmBrowse");
    if (!b) return 1;
    b->move(100, 100);
    save(b, out, "frmBrowse");
    b->txtFind1->setText("s");
    b->find("LastName", "s");
    save(b, out, "frmBrowse-found");
    b->fgridBrowse->setCurrentCell(1, 0);
    b->choose();
    save(o, out, "frmNewRecOther-chosen");
    return 0;
}
