#include "retrieval/RecordCommands.h"

#include "app/CurrentUser.h"
#include "app/Failure.h"
#include "app/General.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "db/Connection.h"
#include "records/RetrievalStatements.h"
#include "storage/RecordPaths.h"
#include "viewer/MainWindow.h"

#include <QAction>

#include <QPointer>

namespace retrieval {

namespace {

bool traceOn(viewer::MainWindow& w) {
    return w.ui().mTraceMode && w.ui().mTraceMode->isChecked();
}

void copyRowToContext(app::RecordContext& rec, const QStringList& row) {
    auto col = [&](int i) { return row.value(i); };
    rec.gstrRecFileId = col(0);
    rec.gstrAdmissionID = col(1);
    rec.gstrRecTypeName = col(8);
    rec.gstrDescription = col(9);
    rec.gstrEmployeeID = col(5);
    rec.gstrRecDate = col(6);
    rec.gstrScanUpdate = col(7);
    rec.gstrCurrentFile = col(3);
    rec.gstrHospNum = col(10);
    rec.gstrPatientName = col(11) + ", " + col(12) + " " + col(13);
    rec.gstrAdmDate = col(14);
    rec.gstrDisDate = col(15);
}

} // namespace

bool openRecord(viewer::MainWindow& w, const QStringList& row) {
    app::Session& s = w.session();
    // The document shown goes away: its save question comes before anything changes, so a
    // cancelled question leaves the shown document and its record context together.
    // A save asked for in the question runs as a job: the record opens when it is done.
    QPointer<viewer::MainWindow> window(&w);
    if (!w.PerformFileClose([window, row] {
            if (window) openRecord(*window, row);
        }))
        return false;
    copyRowToContext(s.rec, row);

    app::Steps steps(app::FailureStyle::ShowAndStop, s.svc.log, s.svc.prompter);
    db::RecordsetPtr rs;
    bool opened = false;
    const bool queried = steps([&] {
        s.gobjCurrentUser->OpenRec(rs, records::selectRecordFileName(s.rec.gstrRecFileId));
    });
    if (queried) {
        if (!rs || (rs->bof() && rs->eof())) {
            s.svc.prompter->msgBox("Record does not contain a file!", app::mb::OKOnly,
                                   app::mb::Information, QString());
        } else {
            const storage::Resolved f = storage::resolveStoredName(
                *s.svc.paths, s.gstrDefaultDirectory, rs->text("file_name"), s.svc.log);
            if (f.found) {
                w.CurrentFolder = f.currentFolder;
                s.rec.gstrCurrentFile = f.path;
                if (traceOn(w)) s.WriteLog(f.path);
                w.PerformFileOpen(false, f.path, 1);
                opened = true;
            }
        }
    }
    if (rs) rs->close();
    // The panel now describes the chosen row: a document of an earlier record must not stay
    // on screen under it (a save would stamp the wrong row).
    if (!opened && !w.doc().NoDocument) w.mnuFileClose_Click();
    w.SetExamData();
    return true;
}

void deleteRecord(viewer::MainWindow& w) {
    app::Session& s = w.session();
    app::Prompter& ask = *s.svc.prompter;
    if (app::rightsBarChanges(s.gobjCurrentUser->UserRights())) {
        ask.msgBox("No Rights");
        return;
    }
    const QString id = s.rec.gstrRecFileId;
    if (id.isEmpty()) {
        ask.msgBox("No filed record is open, so there is nothing to delete. Open the record "
                   "with Open Record first.",
                   app::mb::OKOnly, app::mb::Exclamation);
        return;
    }
    if (w.doc().FullPathFileName.compare(s.rec.gstrCurrentFile, Qt::CaseInsensitive) != 0) {
        ask.msgBox("The document shown is not the file of record " + id + " (" +
                       s.rec.gstrCurrentFile +
                       "), so that record is not deleted. Open it with Open Record to delete it.",
                   app::mb::OKOnly, app::mb::Exclamation);
        return;
    }
    if (ask.msgBox("Are you sure you want to delete this record? (" + id + ")", app::mb::YesNo) !=
        app::mb::Yes)
        return;
    long removed = 0;
    app::Steps steps(app::FailureStyle::ShowAndStop, s.svc.log, s.svc.prompter);
    steps.format([id](const app::ErrorInfo& e) {
        return e.description + "\r\nRecord " + id + " was not deleted.";
    });
    if (!steps([&] {
            app::recordsConnection(s).execute(records::deleteRecordFile(id), &removed);
        }))
        return;
    if (removed > 0)
        ask.msgBox("Deleted.");
    else
        ask.msgBox("Record " + id + " was not found in the records table; it may have been "
                   "deleted already. Nothing was deleted.",
                   app::mb::OKOnly, app::mb::Exclamation);
}

} // namespace retrieval
