#include "safety/LockCommands.h"

#include "app/Access.h"
#include "app/CurrentUser.h"
#include "app/Failure.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "app/SystemInfo.h"
#include "db/DbError.h"
#include "jobs/Job.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QUuid>

namespace safety {

namespace {

// "Invalid object name": the lock table is missing.
constexpr int kNoSuchTable = 208;

// The record a path belongs to: the filed record of the record context when the path is its
// file (0 for any other document: an image opened from disk, a new scan).
qint64 filedRecordOf(const app::Session& s, const QString& path) {
    if (s.rec.gstrRecFileId.isEmpty() || path.isEmpty() ||
        path.compare(s.rec.gstrCurrentFile, Qt::CaseInsensitive) != 0)
        return 0;
    bool ok = false;
    const qint64 id = s.rec.gstrRecFileId.trimmed().toLongLong(&ok);
    return ok && id > 0 ? id : 0;
}

} // namespace

LockCommands::LockCommands(viewer::MainWindow& window)
    : QObject(&window), w_(window),
      instance_(QUuid::createUuid().toString(QUuid::WithoutBraces)) {
    setObjectName("safetyLockCommands");
    timer_.setInterval(kRefreshSeconds * 1000);
    connect(&timer_, &QTimer::timeout, this, [this] { refreshNow(); });
    w_.documentOpening = [this](const QString& path, bool readWrite) {
        return documentOpening(path, readWrite);
    };
    w_.documentClosed = [this] { releaseHeld(); };
    connect(&w_, &viewer::MainWindow::programEnded, this, &LockCommands::releaseHeld);
    connect(&w_, &viewer::MainWindow::departmentChanged, this, &LockCommands::releaseHeld);
    // The sign-in may change: the record stays on screen, read-only, without a lock.
    connect(&w_, &viewer::MainWindow::startupWindowRequested, this, [this] {
        if (!held_) return;
        releaseHeld();
        w_.doc().gblnReadOnly = true;
        w_.ui().txtReadOnly->setVisible(true);
        w_.SetDocumentMode(viewer::DocumentMode::ReadOnly);
    });
}

LockCommands* LockCommands::of(viewer::MainWindow& window) {
    return window.findChild<LockCommands*>("safetyLockCommands", Qt::FindDirectChildrenOnly);
}

LockOwner LockCommands::me() const {
    const app::Session& s = w_.session();
    LockOwner o;
    if (s.gobjCurrentUser) {
        o.employeeId = s.gobjCurrentUser->EmployeeCode();
        o.employeeName = s.gobjCurrentUser->EmployeeName();
    }
    if (s.svc.system) o.workstation = s.svc.system->computerName();
    o.instanceId = instance_;
    return o;
}

EditLock LockCommands::lock() const {
    app::Session& s = w_.session();
    return EditLock(app::recordsConnection(s), *s.svc.clock, me());
}

bool LockCommands::documentOpening(const QString& path, bool readWrite) {
    app::Session& s = w_.session();
    const qint64 id = readWrite ? filedRecordOf(s, path) : 0;
    // The lock of the document shown before goes (the same record opened again keeps it).
    if (held_ && held_ != id) releaseHeld();
    if (!id) return false;
    std::optional<LockClaim> claim;
    const QString record = "Record " + QString::number(id);
    try {
        claim = lock().take(id);
    } catch (const db::Error& e) {
        if (e.number() == kNoSuchTable) {
            // A records database from before the edit lock: nothing to take, and nobody to
            // refuse.
            s.WriteLog(record + " is opened without an edit lock: the records database has no "
                                "lock table (Maintenance, Update Database adds it).");
            return false;
        }
        s.WriteLog(record + ": the edit lock could not be taken: " + e.description());
    }
    if (!claim) {
        s.svc.prompter->msgBox(record +
                                   " is opened read-only: whether another workstation is "
                                   "editing it could not be checked (the records database "
                                   "did not answer).",
                               app::mb::OKOnly, app::mb::Exclamation);
        return true;
    }
    switch (claim->outcome) {
    case LockClaim::Outcome::HeldElsewhere:
        s.svc.prompter->msgBox(record + " is being edited by " + describeHolder(claim->other) +
                                   ".\r\nIt is opened read-only.",
                               app::mb::OKOnly, app::mb::Information, "Record Locked");
        return true;
    case LockClaim::Outcome::TakenOver:
        s.svc.prompter->msgBox(
            record + " was locked by " + describeHolder(claim->other) +
                ", but that lock was last confirmed at " +
                claim->other.refreshed.toString("MM/dd/yyyy h:mm AP") + ", more than " +
                QString::number(EditLock::kStaleMinutes) +
                " minutes ago (the workstation may have stopped).\r\nThe lock is now yours.",
            app::mb::OKOnly, app::mb::Information, "Record Lock Taken Over");
        break;
    case LockClaim::Outcome::Taken:
        break;
    }
    held_ = id;
    timer_.start();
    return false;
}

void LockCommands::releaseHeld() {
    if (!held_) return;
    const qint64 id = held_;
    held_ = 0;
    timer_.stop();
    app::Session& s = w_.session();
    app::Steps(app::FailureStyle::Log, s.svc.log)([&] { lock().release(id); });
}

bool LockCommands::refreshNow() {
    if (!held_ || refreshing_) return false;
    app::Session& s = w_.session();
    db::Connection* connection = nullptr;
    if (!app::Steps(app::FailureStyle::Log, s.svc.log)(
            [&] { connection = &app::recordsConnection(s); }))
        return false;
    const qint64 id = held_;
    auto lock = std::make_shared<EditLock>(*connection, *s.svc.clock, me());
    auto stillHeld = std::make_shared<bool>(true);
    auto* job = new jobs::Job(
        QStringLiteral("Confirming the record lock"),
        [lock, id, stillHeld](jobs::Progress&) { *stillHeld = lock->refresh(id); });
    refreshing_ = true;
    QPointer<LockCommands> self(this);
    return w_.jobs().start(job, viewer::JobHost::Scope::Background,
                           [self, id, stillHeld](const jobs::Result& r) {
                               if (!self) return;
                               self->refreshing_ = false;
                               app::Session& s = self->w_.session();
                               if (r.failed()) {
                                   // Tried again at the next tick; the window goes on.
                                   s.WriteLog("The lock of record " + QString::number(id) +
                                              " could not be confirmed: " + r.errorText);
                                   return;
                               }
                               if (!r.ok() || *stillHeld || self->held_ != id) return;
                               self->held_ = 0;
                               self->timer_.stop();
                               s.svc.prompter->msgBox(
                                   "The lock of record " + QString::number(id) +
                                       " was released from another workstation. Save your "
                                       "changes under another name, or close the record and "
                                       "open it again before changing it.",
                                   app::mb::OKOnly, app::mb::Exclamation);
                           });
}

void LockCommands::releaseRecordLockCommand() {
    app::Session& s = w_.session();
    if (!app::CanChangeSettings(s)) return;
    bool ok = false;
    const qint64 id = s.rec.gstrRecFileId.trimmed().toLongLong(&ok);
    if (!ok || id <= 0) {
        s.svc.prompter->msgBox("Open the record whose lock is to be released first (it opens "
                               "read-only), then choose Release Record Lock again.",
                               app::mb::OKOnly, app::mb::Information);
        return;
    }
    const QString record = "record " + QString::number(id);
    std::optional<LockHolder> holder;
    if (!app::Steps(app::FailureStyle::ShowAndStop, s.svc.log, s.svc.prompter)(
            [&] { holder = lock().holder(id); }))
        return;
    if (!holder) {
        s.svc.prompter->msgBox("Nobody holds the lock of " + record + ".", app::mb::OKOnly,
                               app::mb::Information);
        return;
    }
    if (s.svc.prompter->msgBox("Release the lock of " + record + ", held by " +
                                   describeHolder(*holder) +
                                   "?\r\nChanges that workstation saves afterwards may "
                                   "overwrite changes made elsewhere.",
                               app::mb::YesNo, app::mb::Question) != app::mb::Yes)
        return;
    if (!app::Steps(app::FailureStyle::ShowAndStop, s.svc.log, s.svc.prompter)(
            [&] { EditLock::forceRelease(app::recordsConnection(s), id); }))
        return;
    if (held_ == id) {
        held_ = 0;
        timer_.stop();
    }
    s.svc.prompter->msgBox("The lock of " + record +
                               " is released. Open the record again to edit it.",
                           app::mb::OKOnly, app::mb::Information);
}

void installLockCommands(viewer::MainWindow& w) {
    auto* commands = new LockCommands(w);
    auto& ui = w.ui();
    auto* item = new QAction("Release Record Lock...", ui.mnuMaintenanceMenu);
    item->setObjectName("mReleaseRecordLock");
    ui.mnuMaintenanceMenu->insertAction(ui.mChangeType, item);
    QObject::connect(item, &QAction::triggered, commands, [&w, commands] {
        w.runCommand([commands] { commands->releaseRecordLockCommand(); });
    });
}

} // namespace safety
