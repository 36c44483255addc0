#include "safety/FileGuard.h"

#include "app/Prompter.h"
#include "app/Session.h"
#include "imaging/controls/ImageAdmin.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageThumbnail.h"
#include "imaging/documents/Document.h"
#include "imaging/documents/FileType.h"
#include "imaging/pixels/ImagingError.h"
#include "jobs/Job.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"

#include <QDateTime>
#include <QFileInfo>

namespace safety {

namespace {

QString fileNameOf(const QString& path) {
    const int cut = std::max(path.lastIndexOf('\\'), path.lastIndexOf('/'));
    return path.mid(cut + 1);
}

} // namespace

FileGuard::FileGuard(const imaging::DocumentModel& model, const QString& nativePath,
                     std::function<void(bool)> refused)
    : refused_(std::move(refused)) {
    const imaging::DocumentPtr doc = model.document();
    const imaging::FileIdentity now = imaging::readFileIdentity(nativePath);
    // The file as the model read it: a file already changed since then is not that file.
    if (now.exists && now.size == doc->fileSize() && now.modifiedMsecs == doc->modifiedMsecs())
        seen_ = now;
}

void FileGuard::beforeWrite(const imaging::DocumentModel&, const QString& nativePath) {
    std::lock_guard lock(mutex_);
    const imaging::FileIdentity now = imaging::readFileIdentity(nativePath);
    if (now.exists && now == seen_) return;
    const QString name = fileNameOf(nativePath);
    if (refused_) refused_(!now.exists);
    if (!now.exists)
        throw imaging::Error(imaging::kErrChangedElsewhere,
                             "The file " + name +
                                 " was deleted or moved by another user since it was opened: it "
                                 "is not written again here.");
    throw imaging::Error(imaging::kErrChangedElsewhere,
                         "The file " + name +
                             " was changed by another user or program since it was opened: "
                             "nothing was written.");
}

void FileGuard::afterWrite(const imaging::DocumentModel&, const QString& nativePath) {
    std::lock_guard lock(mutex_);
    seen_ = imaging::readFileIdentity(nativePath);
}

GuardCommands::GuardCommands(viewer::MainWindow& w) : QObject(&w), w_(w) {
    connect(&w, &viewer::MainWindow::documentOpened, this, &GuardCommands::attach);
    connect(&w.jobs(), &viewer::JobHost::documentBusyChanged, this, [this](bool busy) {
        if (busy || !pending_) return;
        pending_ = false;
        if (auto model = model_.lock()) showAsItIsNow(model);
    });
}

void GuardCommands::attach(const QString&) {
    // A fresh guard each time a document is shown (after a reload too): it knows the file as
    // the model read it last.
    const imaging::DocumentModelPtr model = w_.docImgEdit1->model();
    if (auto old = model_.lock(); old && guard_) old->removeWriteObserver(guard_.get());
    guard_.reset();
    model_ = model;
    if (!model) return;
    QPointer<GuardCommands> self(this);
    std::weak_ptr<imaging::DocumentModel> weak = model;
    const QString native = w_.imagingEnvironment()->nativePath(model->path());
    guard_ = std::make_shared<FileGuard>(*model, native, [self, weak](bool gone) {
        QMetaObject::invokeMethod(
            self.data(), [self, weak, gone] { if (self) self->refused(weak, gone); },
            Qt::QueuedConnection);
    });
    model->addWriteObserver(guard_);
}

void GuardCommands::refused(std::weak_ptr<imaging::DocumentModel> weak, bool gone) {
    const imaging::DocumentModelPtr model = weak.lock();
    if (!model || model != model_.lock()) return;
    if (gone) {
        w_.session().svc.prompter->msgBox(
            "The file " + fileNameOf(w_.doc().FullPathFileName) +
                " was deleted or moved by another user while it was open. It is not written "
                "again here; Save As keeps what is shown under another name.",
            app::mb::OKOnly, app::mb::Exclamation);
        return;
    }
    // Once the refused job has ended.
    if (w_.jobs().documentBusy())
        pending_ = true;
    else
        showAsItIsNow(model);
}

void GuardCommands::showAsItIsNow(const imaging::DocumentModelPtr& model) {
    const QString shown = w_.doc().FullPathFileName;
    const int page = std::max(1, w_.docImgEdit1->page());
    QString text = "The file " + fileNameOf(shown) +
                   " was changed by another user or program since it was opened: nothing was "
                   "overwritten. It is shown as it is now.";
    if (model->isModified()) {
        // The unsaved edits go under a new name beside it first.
        const QString enginePath = model->path();
        const int cut = std::max(enginePath.lastIndexOf('\\'), enginePath.lastIndexOf('/'));
        const QString stem = QFileInfo(fileNameOf(enginePath)).completeBaseName();
        const QString stamp = QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss");
        QString target = enginePath.left(cut + 1) + stem + "-unsaved-" + stamp + ".tif";
        for (int n = 2; QFileInfo::exists(w_.imagingEnvironment()->nativePath(target)); ++n)
            target = enginePath.left(cut + 1) + stem + "-unsaved-" + stamp + "-" +
                     QString::number(n) + ".tif";
        // The copy is written by a document job, so the window keeps painting; then the
        // controls let go of the model (now the new file's) and read the file again.
        auto outcome = std::make_shared<QString>();
        auto* job = new jobs::Job(tr("Saving your changes beside %1").arg(fileNameOf(shown)),
                                  [model, target, page, outcome](jobs::Progress&) {
                                      try {
                                          model->saveAs(target, imaging::kFileTiff, page - 1);
                                          *outcome = "\r\nYour unsaved changes were saved as " +
                                                     target + ".";
                                      } catch (const imaging::Error& e) {
                                          *outcome = "\r\nYour unsaved changes could not be "
                                                     "saved beside it (" +
                                                     e.description() + "); they are discarded.";
                                          model->reload();
                                      }
                                  });
        QPointer<GuardCommands> self(this);
        const bool started = w_.jobs().start(
            job, viewer::JobHost::Scope::Document, [self, shown, text, outcome](const jobs::Result&) {
                if (!self) return;
                viewer::MainWindow& w = self->w_;
                w.docImgEdit1->setImage(QString());
                w.docImgThumbnail1->setImage(QString());
                w.docImgAdmin1->setImage(QString());
                w.PerformFileOpen(false, shown, 1);
                w.session().svc.prompter->msgBox(text + *outcome, app::mb::OKOnly,
                                                 app::mb::Exclamation);
            });
        if (!started) pending_ = true; // another job came first: again when it has ended
        return;
    }
    model->reload();
    w_.PerformFileOpen(false, shown, 1);
    w_.session().svc.prompter->msgBox(text, app::mb::OKOnly, app::mb::Exclamation);
}

void installFileGuard(viewer::MainWindow& window) { new GuardCommands(window); }

} // namespace safety
