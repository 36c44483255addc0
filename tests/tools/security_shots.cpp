// docuvane-security-shots OUTDIR: starts the program on the demo database as the
// medical-records user, opens a record and saves pictures of the main window with the status
// bar's note on the database, of the window locked after the idle time, and of the Change
// Password dialog.
#include "ShotSupport.h"
#include "app/SignIn.h"
#include "viewer/IdleLock.h"
#include "viewer/MainWindow.h"

#include <QApplication>
#include <QLineEdit>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = shots::outputFolder(argc, argv, "docuvane-security-shots");
    if (out.isEmpty()) return 2;
    shots::RecordsClerkProgram clerk;
    viewer::MainWindow* started = clerk.start();
    if (!started) return 1;
    viewer::MainWindow& w = *started;
    w.resize(1100, 800);
    const QString path = clerk.scratch.filePath("250123-1.tif");
    imaging::writeDocument(path, {shots::textPage("ADMISSION RECORD - Garcia, Maria Santos", 20)});
    w.PerformFileOpen(false, path, 1);
    QApplication::processEvents();
    shots::save(&w, out, "main-demo-database-note");

    if (!w.idleLock()) {
        std::fprintf(stderr, "no idle lock\n");
        return 1;
    }
    w.idleLock()->lock();
    w.findChild<QLineEdit*>("txtPassword")->setText("wrong");
    w.idleLock()->cmdUnlock_Click();
    shots::save(&w, out, "main-locked");

    app::ChangePasswordDialog d("Change the password of employee 1001.");
    d.show();
    d.adjustSize();
    shots::save(&d, out, "change-password");
    return 0;
}
