#include "safety/VersionCommands.h"

#include "app/Access.h"
#include "app/Paths.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "imaging/controls/ImageEdit.h"
#include "jobs/Job.h"
#include "safety/VersionsWindow.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"
#include "viewer/MainWindowUi.h"
#include "viewer/History.h"

#include <QFileInfo>
#include <QPointer>

namespace safety {

VersionCommands::VersionCommands(viewer::MainWindow& window) : QObject(&window), w_(window) {
    setObjectName("safetyVersionCommands");
    imaging::ImageEdit* edit = w_.docImgEdit1;
    connect(edit, &imaging::ImageEdit::pageDisplayed, this, [this] { follow(); });
    connect(edit, &imaging::ImageEdit::closing, this, [this] { detach(); });
    const viewer::MainWindowUi& u = w_.ui();
    connect(u.mnuEditUndo, &QAction::triggered, this, [this] { w_.runCommand([this] { undo(); }); });
    connect(u.mnuEditRedo, &QAction::triggered, this, [this] { w_.runCommand([this] { redo(); }); });
    connect(u.mVersions, &QAction::triggered, this,
            [this] { w_.runCommand([this] { showVersions(); }); });
}

VersionCommands::~VersionCommands() {
    // The window is going: only the model's observer is let go.
    if (model_ && history_) model_->removeWriteObserver(history_.get());
}

VersionCommands* VersionCommands::of(viewer::MainWindow& window) {
    return window.findChild<VersionCommands*>("safetyVersionCommands", Qt::FindDirectChildrenOnly);
}

void VersionCommands::follow() {
    const imaging::DocumentModelPtr m = w_.docImgEdit1->model();
    if (m == model_) return;
    detach();
    if (!m) return;
    app::Session& s = w_.session();
    const QString nativeFile = w_.imagingEnvironment()->nativePath(m->path());
    // The storage root's recycle area; a file opened with no storage root known keeps its
    // versions beside it.
    const QString root = s.gstrDefaultDirectory.isEmpty()
                             ? QFileInfo(nativeFile).absolutePath()
                             : s.svc.paths->toNative(s.gstrDefaultDirectory);
    auto store = std::make_shared<VersionStore>(
        versionFolder(root, QFileInfo(nativeFile).completeBaseName()), *s.svc.clock,
        versionLimits(*s.svc.settings));
    store->prune(); // versions past their age go when their record is opened again
    history_ = std::make_shared<RecordHistory>(store);
    // Told on the thread that wrote; the facts change on the window's.
    QPointer<VersionCommands> self(this);
    history_->setChangedHandler([self] {
        QMetaObject::invokeMethod(self, [self] { if (self) self->updateFacts(); },
                                  Qt::QueuedConnection);
    });
    model_ = m;
    model_->addWriteObserver(history_);
    updateFacts();
}

void VersionCommands::detach() {
    if (model_ && history_) model_->removeWriteObserver(history_.get());
    model_.reset();
    history_.reset();
    updateFacts();
}

void VersionCommands::updateFacts() {
    const bool canUndo = history_ && history_->canUndo();
    const bool canRedo = history_ && history_->canRedo();
    if (w_.commandFacts().canUndo == canUndo && w_.commandFacts().canRedo == canRedo) return;
    w_.changeCommandFacts([&](viewer::CommandFacts& f) {
        f.canUndo = canUndo;
        f.canRedo = canRedo;
    });
}

bool VersionCommands::startStep(
    const QString& title, std::function<void(RecordHistory&, imaging::DocumentModel&)> step,
    history::Action action, const QString& details) {
    if (!history_ || !model_) return false;
    if (app::refuseRecordFileChange(w_.session())) return false;
    if (w_.refuseWhileBusy()) return false;
    if (model_->isModified() &&
        w_.session().svc.prompter->msgBox(
            tr("The changes not saved in this record are lost when another version is put "
               "back. Go on?"),
            app::mb::YesNo, app::mb::Question) != app::mb::Yes)
        return false;
    auto* job = new jobs::Job(title, [h = history_, m = model_, step](jobs::Progress&) {
        step(*h, *m);
    });
    return w_.jobs().start(job, viewer::JobHost::Scope::Document, [this, action, details](const jobs::Result& r) {
        updateFacts();
        if (r.ok()) viewer::recordDocumentHistory(w_, action, {}, details);
        if (r.failed()) w_.runCommand([&] { std::rethrow_exception(r.error); });
    });
}

bool VersionCommands::undo() {
    if (!history_ || !history_->canUndo()) return false;
    return startStep(tr("Undoing the last change"),
                     [](RecordHistory& h, imaging::DocumentModel& m) { h.undo(m); },
                     history::Action::Undo);
}

bool VersionCommands::redo() {
    if (!history_ || !history_->canRedo()) return false;
    return startStep(tr("Redoing the change"),
                     [](RecordHistory& h, imaging::DocumentModel& m) { h.redo(m); },
                     history::Action::Redo);
}

bool VersionCommands::restore(const QString& versionPath) {
    return startStep(tr("Restoring a version"),
                     [versionPath](RecordHistory& h, imaging::DocumentModel& m) {
                         h.restore(m, versionPath);
                     },
                     history::Action::VersionRestore, "from " + versionPath);
}

void VersionCommands::showVersions() {
    if (!app::CanChangeSettings(w_.session())) return;
    follow();
    if (!history_ || !model_) return;
    VersionsWindow window(history_->store(), QFileInfo(model_->path()).fileName(),
                          *w_.session().svc.prompter,
                          [this](const QString& path) { restore(path); }, &w_);
    window.exec();
}

void installVersionCommands(viewer::MainWindow& window) { new VersionCommands(window); }

} // namespace safety
