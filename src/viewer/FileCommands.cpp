#include "viewer/FileCommands.h"

#include "app/Access.h"
#include "app/Clock.h"
#include "app/CurrentUser.h"
#include "app/Failure.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "db/Connection.h"
#include "imaging/documents/Document.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/controls/ImageAdmin.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageScan.h"
#include "imaging/controls/ImageThumbnail.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/documents/PathResolver.h"
#include "imaging/controls/Print.h"
#include "records/Statements.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"
#include "viewer/History.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QStatusBar>
#include <QThread>
#include <QCoreApplication>

namespace viewer {

namespace {

const QString kImgEdit = QStringLiteral("ImgEdit");
const QString kImgAdmin = QStringLiteral("ImgAdmin");

// The file types Save As offers; AWD only where the platform still reads it.
const QString kSaveFilterNt = QStringLiteral("TIFF files (*.tif)|*.tif|BMP files (*.bmp)|*.bmp|");
const QString kSaveFilterOther = kSaveFilterNt + QStringLiteral("AWD files (*.awd)|*.awd|");

const QString kOpenFilter =
    QStringLiteral("Image Files (*.tif *.tiff *.bmp *.png *.jpg *.jpeg)|*.tif;*.tiff;*.bmp;*.png;"
                   "*.jpg;*.jpeg|All Files (*)|*|");

// File-type code of the page display for the filter chosen in Save As.
int fileTypeForFilter(int filterIndex) {
    switch (filterIndex) {
    case 1:
        return imaging::kFileTiff;
    case 2:
        return imaging::kFileBmp;
    default:
        return imaging::kFileAwd;
    }
}

// The same file, whether named by the same text or by two paths that lead to it (a logical
// path and the native path a file dialog answers, or a path through a link).
bool sameFile(const imaging::Environment& env, const QString& a, const QString& b) {
    if (a == b) return true;
    if (a.isEmpty() || b.isEmpty()) return false;
    const QFileInfo fa(env.nativePath(a)), fb(env.nativePath(b));
    return fa.exists() && fb.exists() && fa.canonicalFilePath() == fb.canonicalFilePath();
}

} // namespace

QString engineErrorText(const QString& description, const QString& control, int status) {
    return description + " (" + control + " error " + QString::number(uint(status), 16).toUpper() +
           ")";
}

FileCommands::FileCommands(MainWindow& w) : QObject(&w), w_(w) {
    MainWindowUi& ui = w.ui();
    auto on = [&](QAction* a, auto f) {
        connect(a, &QAction::triggered, this, [this, f] { w_.runCommand(f); });
    };
    on(ui.mnuFileOpen, [this] { mnuFileOpen_Click(); });
    on(ui.mnuFileSave, [this] { mnuFileSave_Click(); });
    on(ui.mnuFileSaveAs, [this] { mnuFileSaveAs_Click(); });
    on(ui.mnuFileClose, [this] { mnuFileClose_Click(); });
    on(ui.mnuFileExit, [this] { mnuFileExit_Click(); });
    on(ui.mnuFilePrint, [this] { mnuFilePrint_Click(); });
    on(ui.mnuPagePrintPage, [this] { mnuPagePrintPage_Click(); });
    ui.mnuFileSave->setShortcut(QKeySequence::Save);
    ui.mnuFilePrint->setShortcut(QKeySequence::Print);
}

void FileCommands::showEngineError(const QString& description, const QString& control, int status) {
    w_.session().svc.prompter->msgBox(engineErrorText(description, control, status),
                                      app::mb::OKOnly, app::mb::Critical);
}

// ---- Open Image ----

void FileCommands::mnuFileOpen_Click() {
    app::Steps steps(app::FailureStyle::Skip);
    bool go = true;
    steps([&] { go = w_.PerformFileClose([this] { mnuFileOpen_Click(); }); });
    if (!go) return;

    imaging::ImageAdmin& admin = *w_.docImgAdmin1;
    steps([&] { admin.setInitDir(QStringLiteral("c:\\")); });
    steps([&] { admin.setImage(QString()); });
    steps([&] { admin.setFlags(4); });
    // Every image type the engine reads, whatever filter the last Save As left behind.
    steps([&] { admin.setFilter(kOpenFilter); });
    steps([&] { admin.setFilterIndex(1); });
    steps.clearError();
    steps([&] { admin.showFileDialog(imaging::kFileDialogOpen, &w_); });
    const int status = admin.statusCode();
    if (status != 0) {
        // The document on screen stays: the administration object goes back to its file, and
        // a later close of it asks again.
        admin.setImage(w_.docImgEdit1->image());
        w_.resetCloseAnswer();
        if (status != imaging::kCancelError)
            showEngineError(steps.lastError().description, kImgAdmin, status);
        return;
    }
    w_.doc().gblnNewDocument = false;
    const QString path = admin.image();
    // The file is opened (its chain of pages walked, which on a share takes its time) on a
    // worker; the document is shown when that is done. A file that cannot be opened is
    // reported by the page display as it takes it.
    auto opened = std::make_shared<imaging::DocumentModelPtr>();
    const imaging::EnvironmentPtr env = w_.imagingEnvironment();
    auto* job = new jobs::Job(tr("Opening %1").arg(QFileInfo(env->nativePath(path)).fileName()),
                              [path, env, opened](jobs::Progress&) {
                                  try {
                                      *opened = imaging::DocumentModel::acquire(path, env->paths);
                                  } catch (const imaging::Error&) {
                                      return;
                                  }
                                  // The window's controls receive its notices.
                                  if ((*opened)->thread() == QThread::currentThread())
                                      (*opened)->moveToThread(QCoreApplication::instance()->thread());
                              });
    startDocumentJob(job, [this, path, opened](const jobs::Result&) {
        // The model opened stays held until the page display has taken it.
        app::Steps(app::FailureStyle::Skip)([&] { w_.PerformFileOpen(false, path, 1); });
        if (isFiledRecordFile(path)) recordDocumentHistory(w_, history::Action::OpenImage);
        opened->reset();
    });
}

// ---- Save ----

FileCommands::EngineResult FileCommands::engineResultOf(const jobs::Result& result) {
    if (!result.failed()) return {};
    try {
        std::rethrow_exception(result.error);
    } catch (const imaging::Error& e) {
        return {e.number(), e.description()};
    } catch (const std::bad_alloc&) {
        return {imaging::kErrTooLarge, tr("There is not enough memory for this operation.")};
    } catch (...) {
        return {imaging::kErrFileAccess, result.errorText};
    }
}

bool FileCommands::startDocumentJob(jobs::Job* job, std::function<void(const jobs::Result&)> then) {
    if (w_.jobs().start(job, JobHost::Scope::Document, std::move(then))) return true;
    w_.refuseWhileBusy();
    return false;
}

void FileCommands::saveDocument(const QString& path, int fileType,
                                std::function<void(EngineResult)> then) {
    imaging::ImageEdit& edit = *w_.docImgEdit1;
    const bool ownFile = fileType == 0;
    const QString status =
        tr("Saving %1").arg(ownFile ? w_.doc().FileName : QFileInfo(path).fileName());
    const imaging::DocumentModelPtr model = edit.model();
    const bool writable =
        ownFile || fileType == imaging::kFileTiff || fileType == imaging::kFileBmp;
    if (model && writable && !edit.pastePending()) {
        // The pages are written on a worker thread; a save cannot be stopped half way.
        const int index = edit.page() - 1;
        auto* job = new jobs::Job(status, [model, path, fileType, ownFile, index](jobs::Progress&) {
            if (ownFile)
                model->save();
            else
                model->saveAs(path, fileType, index);
        });
        if (!startDocumentJob(job, [then](const jobs::Result& r) { then(engineResultOf(r)); }))
            then({imaging::kErrFileAccess, QString()});
        return;
    }
    // The page display itself places a pasted picture not yet placed, and refuses what it
    // cannot write with its own words.
    app::Steps steps(app::FailureStyle::Skip);
    steps([&] {
        if (ownFile)
            edit.save();
        else
            edit.saveAs(path, fileType);
    });
    if (edit.statusCode() == 0) return then({});
    then({edit.statusCode(),
          steps.lastError().isSet() ? steps.lastError().description : edit.statusDescription()});
}

void FileCommands::saveToOwnFile(std::function<void(bool)> then) {
    saveDocument(QString(), 0, [this, then](const EngineResult& r) {
        // A save refused because another job was running has told the user already.
        if (r.status != 0 && !r.description.isEmpty())
            showEngineError(r.description, kImgEdit, r.status);
        then(r.status == 0);
    });
}

void FileCommands::stampRecord() {
    app::Session& s = w_.session();
    app::Prompter& prompter = *s.svc.prompter;
    const QString statement =
        records::stampSavedRecordFile(s.gobjCurrentUser->EmployeeCode(), s.rec.gstrRecFileId);
    long rows = -1; // stays -1 when the server does not count the rows
    try {
        app::recordsConnection(s).execute(statement, &rows);
    } catch (...) {
        // The image itself is saved; only the record's stamp is missing.
        prompter.msgBox(tr("The image was saved, but its record could not be updated in the "
                           "database: %1")
                            .arg(app::describeCurrentException().description),
                        app::mb::OKOnly, app::mb::Exclamation);
        return;
    }
    if (rows == 0) {
        prompter.msgBox(tr("The image was saved, but its record no longer exists in the "
                           "database."),
                        app::mb::OKOnly, app::mb::Exclamation);
        return;
    }
    s.rec.gstrScanUpdate = s.svc.clock->now().toString(QStringLiteral("MM/dd/yyyy h:mm:ss AP"));
    w_.SetExamData();
    prompter.msgBox(QStringLiteral("Saved."), app::mb::OKOnly);
}

void FileCommands::mnuFileSave_Click(std::function<void(bool)> then) {
    if (!then) then = [](bool) {};
    app::Session& s = w_.session();
    if (w_.doc().gblnNewDocument) return mnuFileSaveAs_Click(std::move(then));
    if (app::refuseWithoutRights(s)) return then(false);
    // An image that is not the record's file (one opened with Open Image after a record, whose
    // panel stays) is saved without a database change.
    const bool recordFile = isOpenRecordFile();
    saveToOwnFile([this, then, recordFile](bool saved) {
        if (saved && recordFile) stampRecord();
        if (saved) recordDocumentHistory(w_, history::Action::Save);
        then(saved);
    });
}

// ---- Save As ----

void FileCommands::mnuFileSaveAs_Click(std::function<void(bool)> then) {
    if (!then) then = [](bool) {};
    app::Session& s = w_.session();
    DocumentState& doc = w_.doc();
    imaging::ImageAdmin& admin = *w_.docImgAdmin1;
    imaging::ImageEdit& edit = *w_.docImgEdit1;
    app::Steps steps(app::FailureStyle::Skip);

    steps([&] { admin.setInitDir(s.gstrDefaultDirectory); });
    if (doc.gblnNewDocument) steps([&] { admin.setImage(QStringLiteral("*.tif")); });
    steps([&] { admin.setFilter(s.gintPlatformId == 2 ? kSaveFilterNt : kSaveFilterOther); });
    steps([&] { admin.setFlags(0); });
    steps.clearError();
    steps([&] { admin.showFileDialog(imaging::kFileDialogSave, &w_); });
    // Nothing chosen or written: the administration object goes back to the document's file
    // (the path the engine opened, which is the document's name unless it was an address).
    auto giveUp = [this] {
        w_.docImgAdmin1->setImage(w_.docImgEdit1->image());
    };
    if (admin.statusCode() == imaging::kCancelError) {
        giveUp();
        return then(false);
    }
    if (admin.statusCode() != 0) {
        // Without a chosen name there is nothing to save to.
        showEngineError(steps.lastError().description, kImgAdmin, admin.statusCode());
        giveUp();
        return then(false);
    }

    const QString chosen = admin.image();
    const int fileType = fileTypeForFilter(admin.filterIndex());
    // Save As must not overwrite a filed record for a user barred from changing records.
    if (isFiledRecordFile(chosen) && app::refuseWithoutRights(s)) {
        giveUp();
        return then(false);
    }

    const bool wasNew = doc.gblnNewDocument;
    if (sameFile(*w_.imagingEnvironment(), chosen, edit.image())) {
        // The document's own file: saved in place, keeping its file type and its name.
        doc.gblnNewDocument = false;
        admin.setImage(edit.image());
        return saveToOwnFile([this, wasNew, then](bool saved) {
            if (!saved) w_.doc().gblnNewDocument = wasNew;
            then(saved);
        });
    }
    if (fileType == imaging::kFileBmp) {
        return exportBmp(chosen, [giveUp, then](bool whole) {
            if (!whole) giveUp();
            then(whole);
        });
    }
    doc.gblnNewDocument = false;

    saveDocument(chosen, fileType, [this, chosen, wasNew, giveUp, then](const EngineResult& r) {
        if (r.status != 0) {
            // Nothing was written (an AWD file, a full disk...): the document keeps its name.
            if (!r.description.isEmpty()) showEngineError(r.description, kImgEdit, r.status);
            w_.doc().gblnNewDocument = wasNew;
            giveUp();
            return then(false);
        }
        recordDocumentHistory(w_, history::Action::SaveAs, {}, "to " + chosen);
        // The same document under its new name: only the names change.
        app::Steps steps(app::FailureStyle::Skip);
        steps([&] { w_.docImgEdit1->setImage(chosen); });
        steps([&] { w_.docImgAdmin1->setImage(chosen); });
        steps([&] { w_.PerformFileOpen(true, chosen, 1); });
        then(true);
    });
}

void FileCommands::exportBmp(const QString& path, std::function<void(bool)> then) {
    imaging::ImageEdit& edit = *w_.docImgEdit1;
    const int pages = edit.pageCount();
    if (pages > 1) {
        const int answer = w_.session().svc.prompter->msgBox(
            tr("A BMP file holds one page only: page %1 of %2 will be saved to %3.\r\n"
               "The document stays open as it is, with all its pages.")
                .arg(edit.page())
                .arg(pages)
                .arg(QFileInfo(w_.imagingEnvironment()->nativePath(path)).fileName()),
            app::mb::OKCancel, app::mb::Information);
        if (answer != app::mb::OK) return then(false);
    }
    saveDocument(path, imaging::kFileBmp, [this, pages, then](const EngineResult& r) {
        if (r.status != 0) {
            if (!r.description.isEmpty()) showEngineError(r.description, kImgEdit, r.status);
            return then(false);
        }
        // A copy of one page: the document keeps its name, its unsaved changes and, for a
        // scan not yet named, its place in the temporary folder. Only a one-page document is
        // saved whole by it (a close that asked for the save may then go on).
        w_.docImgAdmin1->setImage(w_.docImgEdit1->image());
        then(pages <= 1);
    });
}

bool FileCommands::isOpenRecordFile() const {
    const app::Session& s = w_.session();
    return !s.rec.gstrRecFileId.isEmpty() &&
           sameFile(*w_.imagingEnvironment(), s.rec.gstrCurrentFile, w_.docImgEdit1->image());
}

bool FileCommands::isFiledRecordFile(const QString& path) const {
    const app::Session& s = w_.session();
    if (!s.rec.gstrRecFileId.isEmpty() && sameFile(*w_.imagingEnvironment(), path, w_.docImgEdit1->image())) return true;
    // Every file below the storage root is a record's file (or one recycled).
    const QFileInfo target(w_.imagingEnvironment()->nativePath(path));
    if (!target.exists()) return false;
    const QString file = target.canonicalFilePath();
    for (const QString& root : {s.gstrDefaultDirectoryD, s.gstrDefaultDirectory}) {
        if (root.isEmpty()) continue;
        const QString folder =
            QFileInfo(w_.imagingEnvironment()->nativePath(root)).canonicalFilePath();
        if (!folder.isEmpty() && file.startsWith(folder + '/')) return true;
    }
    return false;
}

// ---- Close Record and Exit ----

void FileCommands::mnuFileClose_Click(std::function<void()> then) {
    app::Session& s = w_.session();
    app::Steps steps(app::FailureStyle::Log, s.svc.log, s.svc.prompter);
    bool go = true;
    steps([&] {
        go = w_.PerformFileClose([this, then] { mnuFileClose_Click(then); });
    });
    if (!go) return;
    MainWindowUi& ui = w_.ui();
    steps([&] {
        w_.docImgThumbnail1->hide();
        ui.imgDivider->hide();
        w_.docImgEdit1->hide();
    });
    w_.doc().NoDocument = true;
    // The closed scan is gone: no later close asks to save it again.
    w_.doc().gblnNewDocument = false;
    steps([&] {
        w_.docImgThumbnail1->clearThumbs();
        w_.docImgThumbnail1->refresh();
    });
    steps([&] { w_.docImgEdit1->clearDisplay(); });
    steps([&] { w_.docImgAdmin1->setImage(QString()); });
    steps([&] { w_.docImgEdit1->setImage(QString()); });
    steps([&] { w_.docImgThumbnail1->setImage(QString()); });
    steps([&] { w_.docImgScan1->setImage(QString()); });
    steps([&] { w_.SetWindowTitle(); });
    steps([&] { w_.SetDocumentMode("NoFile"); });
    steps([&] { w_.SetViewMode(0); });
    w_.resetCloseAnswer();
    if (then) then();
}

// Exactly as closing the window: the save question first, then the unload.
void FileCommands::mnuFileExit_Click() {
    w_.close();
}

// ---- Printing ----

void FileCommands::printStoredPages(int firstPage, int lastPage, int option, bool annotations) {
    imaging::DocumentPtr stored;
    try {
        // Printing shows the document as stored in its file.
        stored = imaging::Document::open(w_.docImgEdit1->image(), w_.imagingEnvironment()->paths);
    } catch (const imaging::Error& e) {
        showEngineError(e.description(), kImgEdit, e.number());
        return;
    }
    // The pages go out on a worker thread with their progress in the status bar; Cancel stops
    // after the page being printed.
    startDocumentJob(imaging::makePrintJob(w_.imagingEnvironment()->printer, stored, firstPage,
                                           lastPage, option, annotations),
                     [this](const jobs::Result& r) {
                         if (const EngineResult e = engineResultOf(r); e.status != 0)
                             showEngineError(e.description, kImgEdit, e.status);
                     });
}

void FileCommands::mnuFilePrint_Click() {
    if (w_.refuseWhileBusy()) return;
    app::Session& s = w_.session();
    imaging::ImageEdit& edit = *w_.docImgEdit1;
    app::Steps steps(app::FailureStyle::Skip);

    bool modified = false;
    steps([&] { modified = edit.imageModified(); });
    if (modified) {
        const int answer = s.svc.prompter->msgBox(
            "The image must be saved first if changes are to be printed.  Do you want to save "
            "the image?",
            app::mb::YesNo, app::mb::NoIcon);
        if (answer == app::mb::Yes) {
            // Whatever the save's outcome, the print dialog follows it.
            QPointer<FileCommands> self(this);
            steps([&] {
                mnuFileSave_Click([self](bool) {
                    if (self) self->printChosenPages();
                });
            });
            return;
        }
    }
    printChosenPages();
}

void FileCommands::printChosenPages() {
    imaging::ImageAdmin& admin = *w_.docImgAdmin1;
    app::Steps steps(app::FailureStyle::Skip);
    steps([&] { admin.setFlags(0); });
    steps.clearError();
    steps([&] { admin.showPrintDialog(&w_); });
    if (admin.statusCode() == imaging::kCancelError) return;
    if (admin.statusCode() != 0) {
        showEngineError(steps.lastError().description, kImgAdmin, admin.statusCode());
        return;
    }
    recordDocumentHistory(w_, history::Action::Print,
                          pageRange(admin.printStartPage(), admin.printEndPage()));
    printStoredPages(admin.printStartPage(), admin.printEndPage(), admin.printOutputFormat(),
                     admin.printAnnotations());
}

void FileCommands::mnuPagePrintPage_Click() {
    if (w_.refuseWhileBusy()) return;
    const int page = w_.docImgEdit1->page();
    recordDocumentHistory(w_, history::Action::PrintPage, pageRange(page, page));
    printStoredPages(page, page, imaging::kPrintActualSize, true);
}

} // namespace viewer
