#include "retrieval/RecordCommands.h"

#include "app/CurrentUser.h"
#include "app/Failure.h"
#include "app/General.h"
#include "app/Paths.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "db/Connection.h"
#include "history/Event.h"
#include "records/RetrievalStatements.h"
#include "storage/RecordPaths.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QFileInfo>
#include <QPointer>
#include <memory>

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

// Where a search row's file is: looked up before the document shown is let go, so that the
// document is closed one way or the other with one save question.
struct RowFile {
    bool queried = false; // false: the lookup failed (and said so)
    bool hasRow = false;  // the row is still in the records table
    storage::Resolved file;
    bool exists = false; // the resolved file is there to open
    bool opens() const { return hasRow && file.found && exists; }
};

RowFile lookUpRowFile(app::Session& s, const QString& recFileId) {
    RowFile r;
    app::Steps steps(app::FailureStyle::ShowAndStop, s.svc.log, s.svc.prompter);
    db::RecordsetPtr rs;
    r.queried = steps([&] {
        s.gobjCurrentUser->OpenRec(rs, records::selectRecordFileName(recFileId));
    });
    if (r.queried && rs && !(rs->bof() && rs->eof())) {
        r.hasRow = true;
        r.file = storage::resolveStoredName(*s.svc.paths, s.gstrDefaultDirectory,
                                            rs->text("file_name"), s.svc.log);
        r.exists = r.file.found && QFileInfo::exists(s.svc.paths->toNative(r.file.path));
    }
    if (rs) rs->close();
    return r;
}

} // namespace

bool openRecord(viewer::MainWindow& w, const QStringList& row) {
    app::Session& s = w.session();
    QPointer<viewer::MainWindow> window(&w);
    auto again = [window, row] {
        if (window) openRecord(*window, row);
    };
    const RowFile found = lookUpRowFile(s, row.value(0));
    // The document shown goes away before anything changes, asked about once: a cancelled
    // question leaves the shown document and its record context together, and a save asked
    // for runs as a job while the context still describes the saved file (its row is the one
    // stamped); the record opens when the save is done. When nothing will replace the
    // document it is closed, so that no document of an earlier record stays on screen under
    // the chosen row's panel.
    if (found.opens()) {
        if (!w.PerformFileClose(again)) return false;
    } else if (!w.doc().NoDocument) {
        auto asking = std::make_shared<bool>(true);
        auto closed = std::make_shared<bool>(false);
        w.mnuFileClose_Click([asking, closed, again] {
            *closed = true;
            if (!*asking) again(); // closed once a save job ended
        });
        *asking = false;
        if (!*closed) return false;
    }
    copyRowToContext(s.rec, row);
    if (found.queried && !found.hasRow) {
        s.svc.prompter->msgBox("Record does not contain a file!", app::mb::OKOnly,
                               app::mb::Information, QString());
    } else if (found.file.found) {
        w.CurrentFolder = found.file.currentFolder;
        s.rec.gstrCurrentFile = found.file.path;
        if (traceOn(w)) s.WriteLog(found.file.path);
        if (found.exists) {
            w.PerformFileOpen(false, found.file.path, 1);
            s.recordRecordHistory(history::Action::OpenRecord);
        } else
            s.WriteLog("The file of record " + s.rec.gstrRecFileId +
                       " cannot be found: " + found.file.path);
    }
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
    long removed = -1; // stays -1 when the server does not count rows (SET NOCOUNT ON)
    app::Steps steps(app::FailureStyle::ShowAndStop, s.svc.log, s.svc.prompter);
    steps.format([id](const app::ErrorInfo& e) {
        return e.description + "\r\nRecord " + id + " was not deleted.";
    });
    if (!steps([&] {
            app::recordsConnection(s).execute(records::deleteRecordFile(id), &removed);
        }))
        return;
    // An unknown count says nothing: what the table holds now does.
    bool stillThere = false;
    if (removed < 0) {
        app::Steps check(app::FailureStyle::ShowAndStop, s.svc.log, s.svc.prompter);
        check.format([id](const app::ErrorInfo& e) {
            return "The delete of record " + id + " was sent, but whether its row is gone "
                   "could not be read back: " + e.description;
        });
        if (!check([&] {
                auto rs = app::recordsConnection(s).open(records::selectRecordFileName(id),
                                                         db::kClientReadOnly);
                stillThere = rs->isOpen() && !rs->eof();
                rs->close();
            }))
            return;
        removed = stillThere ? 0 : 1;
    }
    if (removed > 0) s.recordRecordHistory(history::Action::DeleteRecord);
    if (removed > 0)
        ask.msgBox("Deleted.");
    else if (stillThere)
        ask.msgBox("Record " + id + " was not deleted: it is still in the records table.",
                   app::mb::OKOnly, app::mb::Exclamation);
    else
        ask.msgBox("Record " + id + " was not found in the records table; it may have been "
                   "deleted already. Nothing was deleted.",
                   app::mb::OKOnly, app::mb::Exclamation);
}

} // namespace retrieval
