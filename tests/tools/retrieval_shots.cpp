// docuvane-retrieval-shots OUTDIR: starts the program on a scratch folder (its demo database
// and share), signs in 1001 and saves pictures of the record search in both modes, an opened
// record with its panel and the maintenance dialog with a loaded row.
#include "ShotSupport.h"
#include "doubles/RenderWait.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "app/SignIn.h"
#include "doubles/ScriptedCredentials.h"
#include "doubles/ScriptedPrompter.h"
#include "imaging/controls/ImageEdit.h"
#include "main/Program.h"
#include "maintenance/MaintenanceDialog.h"
#include "retrieval/OpenRecordWindow.h"
#include "retrieval/SearchResultModel.h"
#include "retrieval/Workflow.h"
#include "viewer/MainWindow.h"
#include "viewer/SessionCommands.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>

namespace {

void search(retrieval::OpenRecordWindow& f) {
    f.btnSearch_Click();
    while (f.searchRunning()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QApplication::processEvents();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = shots::outputFolder(argc, argv, "docuvane-retrieval-shots");
    if (out.isEmpty()) return 2;
    QTemporaryDir scratch;
    doubles::ScriptedCredentialsPrompt credentials;
    credentials.answers.push_back(app::Credentials{"1001", "records"});
    doubles::ScriptedPrompter prompter;
    program::Program p(program::Folders{scratch.filePath("config"), scratch.filePath("data")},
                       &credentials, &prompter);
    QElapsedTimer started;
    started.start();
    if (!p.start() || !p.mainWindow()) {
        std::fprintf(stderr, "the program did not reach the main window\n");
        return 1;
    }
    std::printf("start with the demo database and share made: %lld ms\n", started.elapsed());
    viewer::MainWindow& w = *p.mainWindow();
    w.resize(1180, 820);
    shots::chooseDepartment(w, "MEDICAL RECORDS");

    // Patient mode: a last name, out-patients included.
    w.ui().mnuFileOpenRec->trigger();
    auto* f = retrieval::searchWindow(w);
    if (!f) return 1;
    f->move(40, 40);
    f->resize(1120, 560);
    f->txtPatName->setText("Garcia");
    f->chkIncludeOutPatient->setChecked(true);
    search(*f);
    shots::save(f, out, "search-patient-mode");

    // Open a laboratory result (three pages) and show it with its thumbnails.
    auto* view = f->fgridOpenRec;
    for (int r = 0; r < view->model()->rowCount(); ++r)
        if (view->model()->index(r, 8).data().toString() == "LABORATORY RESULTS" && view->model()->index(r, 0).data().toInt() % 8 == 1) {
            view->setCurrentIndex(view->model()->index(r, 1));
            break;
        }
    const QString id = f->currentRow().value(0);
    f->fgridOpenRec_DblClick();
    w.findChild<QAction*>("mnuViewModeItem_2")->trigger();
    doubles::waitForIdle(*w.docImgEdit1, 5000);
    QApplication::processEvents();
    shots::save(&w, out, "opened-record");

    // The maintenance dialog with that row loaded.
    {
        maintenance::MaintenanceDialog d(p.session(), w, &w);
        d.txtRecFileID->setText(id);
        d.cmdGo->click();
        d.resize(760, 360);
        d.show();
        shots::save(&d, out, "maintenance-loaded");
    }

    // Department mode (HRD), no criteria, ordered by date.
    shots::chooseDepartment(w, "HUMAN RESOURCES");
    w.ui().mnuFileOpenRec->trigger();
    f = retrieval::searchWindow(w);
    f->move(40, 40);
    f->resize(1120, 560);
    f->chkBydate->setChecked(true);
    search(*f);
    shots::save(f, out, "search-department-mode");
    for (const auto& m : prompter.shown) std::printf("  message: %s\n", qPrintable(m.text));
    return 0;
}
