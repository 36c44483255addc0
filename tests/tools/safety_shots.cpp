// docuvane-safety-shots OUTDIR: starts the program on a scratch folder as the medical-records
// user while another workstation holds the edit lock of record 1, opens that record (it opens
// read-only) and saves pictures of the window and of the lock message; then the other lock is
// left unconfirmed for 10 minutes and the record opened again: the takeover message.
#include "ShotSupport.h"
#include "doubles/FixedClock.h"
#include "app/CurrentUser.h"
#include "app/Prompter.h"
#include "safety/EditLock.h"
#include "viewer/MainWindow.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

namespace {

// The message box the program shows for `m`, shown beside the window and saved.
void saveMessage(const app::Message& m, QWidget* owner, const QString& out, const QString& name) {
    QMessageBox box(owner);
    box.setWindowTitle(m.title.value_or(app::kProgramTitle));
    box.setText(m.text);
    box.setIcon(m.icon == app::mb::Exclamation ? QMessageBox::Warning : QMessageBox::Information);
    box.setStandardButtons(QMessageBox::Ok);
    box.show();
    box.adjustSize();
    shots::save(&box, out, name);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = shots::outputFolder(argc, argv, "docuvane-safety-shots");
    if (out.isEmpty()) return 2;
    shots::RecordsClerkProgram clerk;
    viewer::MainWindow* started = clerk.start();
    if (!started) return 1;
    viewer::MainWindow& w = *started;
    app::Session& s = w.session();
    w.resize(1100, 800);

    const QString path = clerk.scratch.filePath("250123-1.tif");
    imaging::writeDocument(path, {shots::textPage("ADMISSION RECORD - Garcia, Maria Santos", 20)});

    // Another workstation opened record 1 twelve minutes ago.
    const QDateTime then = QDateTime::currentDateTime().addSecs(-12 * 60);
    doubles::FixedClock otherClock(then);
    safety::EditLock other(app::recordsConnection(s), otherClock,
                           {"2001", "Santos, Ana", "NURSES-PC", "another-instance"});
    other.take(1);
    // It confirmed the lock a minute ago.
    doubles::FixedClock lastMinute(QDateTime::currentDateTime().addSecs(-60));
    safety::EditLock(app::recordsConnection(s), lastMinute, other.me()).refresh(1);

    s.rec.gstrRecFileId = "1";
    s.rec.gstrAdmissionID = "250123";
    s.rec.gstrRecTypeName = "ADMISSION RECORD";
    s.rec.gstrCurrentFile = path;
    w.SetExamData();
    w.PerformFileOpen(false, path, 1);
    QApplication::processEvents();
    shots::save(&w, out, "main-record-locked");
    if (clerk.prompter.shown.empty()) {
        std::fprintf(stderr, "no lock message\n");
        return 1;
    }
    saveMessage(clerk.prompter.shown.back(), &w, out, "record-lock-message");
    std::printf("message: %s\n", qPrintable(clerk.prompter.lastText()));

    // The other workstation stops: its last confirmation is now 11 minutes old.
    doubles::FixedClock stopped(QDateTime::currentDateTime().addSecs(-11 * 60));
    safety::EditLock(app::recordsConnection(s), stopped, other.me()).refresh(1);
    clerk.prompter.shown.clear();
    w.mnuFileClose_Click();
    w.PerformFileOpen(false, path, 1);
    QApplication::processEvents();
    if (clerk.prompter.shown.empty()) {
        std::fprintf(stderr, "no takeover message\n");
        return 1;
    }
    saveMessage(clerk.prompter.shown.back(), &w, out, "record-lock-taken-over");
    std::printf("message: %s\n", qPrintable(clerk.prompter.lastText()));
    w.mnuFileClose_Click();
    return 0;
}
