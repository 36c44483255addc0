// docuvane-versions-shots OUTDIR: starts the program on a scratch folder as the
// medical-records user, opens a three-page record, deletes its first page and saves pictures
// of the Edit menu with Undo enabled, of the window after Undo (three pages again), and of
// the Versions window listing the kept versions.
#include "ShotRecord.h"
#include "imaging/controls/ImageEdit.h"
#include "safety/VersionCommands.h"
#include "safety/VersionsWindow.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"

#include <QApplication>
#include <QMenu>
#include <QTableWidget>
#include <QTest>
#include <cstdio>

using shots::finishJobs;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = shots::outputFolder(argc, argv, "docuvane-versions-shots");
    if (out.isEmpty()) return 2;
    shots::RecordsClerkProgram clerk;
    viewer::MainWindow* started = clerk.start();
    if (!started) return 1;
    viewer::MainWindow& w = *started;
    w.resize(1100, 800);
    viewer::MainWindowUi& u = w.ui();

    w.session().gstrDefaultDirectory = clerk.scratch.path();
    shots::openThreePageRecord(w, clerk.scratch.path());

    clerk.prompter.answers = {app::mb::Yes};
    u.mnuEditActionItem[5]->trigger(); // Delete Pages: page 1
    finishJobs(w);
    std::printf("pages after the deletion: %d\n", w.docImgEdit1->pageCount());
    shots::save(&w, out, "main-after-deletion");
    u.mnuEdit->popup(w.mapToGlobal(QPoint(60, 25)));
    QTest::qWait(100);
    std::printf("Undo enabled: %d, Redo enabled: %d\n", u.mnuEditUndo->isEnabled(),
                u.mnuEditRedo->isEnabled());
    shots::save(u.mnuEdit, out, "edit-menu-undo");
    u.mnuEdit->hide();

    u.mnuEditUndo->trigger();
    finishJobs(w);
    std::printf("pages after Undo: %d\n", w.docImgEdit1->pageCount());
    shots::save(&w, out, "main-after-undo");

    safety::VersionCommands* commands = safety::VersionCommands::of(w);
    if (!commands || !commands->history()) {
        std::fprintf(stderr, "no versions of the record\n");
        return 1;
    }
    safety::VersionsWindow versions(commands->history()->store(), "250123-1.tif", clerk.prompter,
                                    [](const QString&) {}, &w);
    versions.show();
    versions.table()->selectRow(0);
    QTest::qWait(50);
    shots::save(&versions, out, "versions-window");
    return 0;
}
