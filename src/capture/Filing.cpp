#include "capture/Filing.h"

#include "app/CurrentUser.h"
#include "app/Failure.h"
#include "app/Paths.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "app/Clock.h"
#include "capture/CoverSheet.h"
#include "db/Connection.h"
#include "imaging/documents/Document.h"
#include "imaging/controls/Environment.h"
#include "imaging/controls/ImageAdmin.h"
#include "imaging/controls/ImageScan.h"
#include "records/CaptureStatements.h"
#include "records/RetrievalStatements.h"
#include "storage/LocationTools.h"
#include "storage/RecordPaths.h"
#include "viewer/JobHost.h"
#include "viewer/BlankPages.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

#include <algorithm>
#include <unistd.h>

namespace capture {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

db::Connection& connection(app::Session& s) { return app::recordsConnection(s); }

// ScanStart's failure rule: each failing step is logged as its description followed by
// "- ScanStart", and the next step runs.
app::Steps scanStartSteps(app::Session& s) {
    app::Steps steps(app::FailureStyle::Log, s.svc.log, s.svc.prompter);
    steps.format([](const app::ErrorInfo& e) { return e.description + "- ScanStart"; });
    return steps;
}

// Closes the document shown (with its save question where one is asked); false when the
// user kept it, or while the save the user asked for is still running: `resume` runs when it
// has closed the document then.
bool closeShownDocument(viewer::MainWindow& w, std::function<void()> resume) {
    if (w.doc().NoDocument) return true;
    auto waiting = std::make_shared<bool>(false); // set once the close waits for its save
    w.mnuFileClose_Click([waiting, resume = std::move(resume)] {
        if (*waiting && resume) resume();
    });
    *waiting = true;
    return w.doc().NoDocument;
}

// What a filing was asked to file, copied when it starts: the row is written from this copy,
// whatever happens to the dialogs or the session's record context while the scan runs.
struct FilingRequest {
    QString id;
    int type = 0;
    QDate date;
    storage::RecordPath rp;
    QString employee;
    FilingOptions options;
};

// A new file beside the record's name for the scan to go into ("55-4.scanning.tif"): never an
// existing file, so new pages are never added to pages already there.
QString scanningPath(const app::Session& s, const storage::RecordPath& rp) {
    const QString base = rp.fullPath.chopped(4) + ".scanning";
    QString candidate = base + ".tif";
    for (int n = 2; QFileInfo::exists(s.svc.paths->toNative(candidate)); ++n)
        candidate = base + "-" + QString::number(n) + ".tif";
    return candidate;
}

bool fileExists(const app::Session& s, const QString& logical) {
    return QFileInfo::exists(s.svc.paths->toNative(logical));
}

bool moveFile(const app::Session& s, const QString& from, const QString& to) {
    return QFile::rename(s.svc.paths->toNative(from), s.svc.paths->toNative(to));
}

struct Commit {
    bool filed = false;
    QString error;    // why nothing was filed
    QString keptFile; // where the scanned pages are when nothing was filed
};

// The one step that files a record: the replaced files and a file left at the record's name
// without a row go to the recycle folder, the scanned file takes the record's name, the row is
// written and the replaced rows are removed. Any failure before the row is written puts
// everything back as it was. `scanned` is empty for a skipped scan (the file at the record's
// name, if any, is the one filed).
Commit commitFiling(app::Session& s, const FilingRequest& r, const QString& scanned) {
    db::Connection& db = connection(s);
    const storage::RecordPath& rp = r.rp;
    Commit c;
    c.keptFile = scanned;
    std::vector<storage::RecycledRecordFile> replaced;
    auto fail = [&](const QString& why) {
        storage::restoreRecycledFiles(s, replaced);
        c.error = why;
        return c;
    };
    try {
        if (r.options.replace)
            replaced = storage::DeleteRecordTypeFiles(s, r.id, r.type, scanned.isEmpty() ? rp.fullPath : QString());
    } catch (const std::exception& e) {
        return fail(QString::fromStdString(e.what()));
    }
    if (!scanned.isEmpty() && fileExists(s, rp.fullPath)) {
        // Pages at the record's name that no row names (a cancelled or jammed scan, a deleted
        // row, a crash) are moved aside, never added to.
        bool named = false;
        try {
            db::RecordsetPtr rs = db.open(records::selectFiledRecordId(r.id, rp.storedName, r.type));
            named = !rs->eof();
        } catch (const std::exception& e) {
            return fail(QString::fromStdString(e.what()));
        }
        if (named)
            return fail("The file " + rp.fullPath + " belongs to a filed record.");
        try {
            const QString recycled = storage::recycleRecordFile(s, s.gstrDefaultDirectory, rp.fullPath);
            s.WriteLog("The file " + rp.fullPath + " had no record; it was moved to " + recycled +
                       " before the new scan was filed.");
            replaced.push_back({QString(), rp.fullPath, recycled});
        } catch (const std::exception& e) {
            return fail(QString::fromStdString(e.what()));
        }
    }
    if (!scanned.isEmpty() && !moveFile(s, scanned, rp.fullPath))
        return fail("The scanned file could not be renamed to " + rp.fullPath + ".");
    try {
        db.execute(records::insertRecordFile(r.id, rp.storedName, r.type, r.employee,
                                             r.options.description,
                                             r.date.toString("yyyy-MM-dd")));
    } catch (const std::exception& e) {
        // The scan keeps the record's name (so Skip Scan can file it later) unless a replaced
        // file is to go back there; the replaced files go back where they were.
        const bool nameTaken = std::any_of(replaced.begin(), replaced.end(), [&](const auto& f) {
            return f.original == rp.fullPath && !f.recycled.isEmpty();
        });
        c.keptFile = rp.fullPath;
        if (!scanned.isEmpty() && nameTaken && moveFile(s, rp.fullPath, scanned))
            c.keptFile = scanned;
        storage::restoreRecycledFiles(s, replaced);
        c.error = QString::fromStdString(e.what());
        s.WriteLog(c.error + "- ScanStart");
        return c;
    }
    for (const auto& f : replaced) {
        if (f.recfileId.isEmpty()) continue;
        app::Steps(app::FailureStyle::Log, s.svc.log, s.svc.prompter)(
            [&] { db.execute(records::deleteRecordFile(f.recfileId)); });
    }
    c.filed = true;
    c.keptFile = rp.fullPath;
    return c;
}

// Tells the user that nothing was filed, and why.
void sayNothingFiled(app::Session& s, const FilingRequest& r, const QString& why,
                     const QString& keptFile) {
    QString text = "Nothing was filed for ID " + r.id + ": " + why;
    if (r.options.replace) text += kCrLf + "The earlier files and their rows are kept as they were.";
    if (!keptFile.isEmpty() && fileExists(s, keptFile)) {
        text += kCrLf + kCrLf + "The scanned pages are kept in the file " + keptFile + ".";
        if (r.options.skipScanOffered && keptFile == r.rp.fullPath)
            text += " File them with Skip Scan when the database can be reached.";
    }
    s.svc.prompter->msgBox(text, app::mb::OKOnly, app::mb::Exclamation);
}

// Steps 5 and 6 of the filing sequence, once the pages are scanned (or none were to be):
// the record is filed in one step and opened.
void fileAndOpen(viewer::MainWindow& w, const FilingRequest& r, const QString& scanned) {
    app::Session& s = w.session();
    app::Steps steps = scanStartSteps(s);
    const Commit c = commitFiling(s, r, scanned);
    if (!c.filed) {
        sayNothingFiled(s, r, "the record could not be written:" + kCrLf + c.error, c.keptFile);
        if (r.options.done) r.options.done(false);
        return;
    }
    // The panel describes the new row from now on: a save stamps this row, not the row of a
    // record opened earlier.
    s.rec.gstrRecFileId.clear();
    steps([&] {
        db::RecordsetPtr rs =
            connection(s).open(records::selectFiledRecordId(r.id, r.rp.storedName, r.type));
        if (!rs->eof()) s.rec.gstrRecFileId = rs->text("recfile_id");
    });
    s.rec.gstrRecDate = r.date.toString("yyyy-MM-dd");
    s.rec.gstrScanUpdate = s.svc.clock->now().toString(QStringLiteral("MM/dd/yyyy h:mm:ss AP"));
    if (fileExists(s, r.rp.fullPath)) {
        steps([&] { w.PerformFileOpen(false, r.rp.fullPath, 1); });
        if (!scanned.isEmpty()) w.blankPages().checkAll(); // the pages just scanned
    }
    w.SetExamData();
    if (r.options.done) r.options.done(true);
}

// A cover sheet found among scanned pages: its page (1-based) and what it says.
struct FoundSheet {
    int page = 0;
    CoverSheetCodes codes;
};

// The job that reads every page of `scanned` for cover sheets, into `found`.
jobs::Job* makeCoverSheetCheck(const QString& scanned, imaging::PathResolver paths,
                               std::shared_ptr<std::vector<FoundSheet>> found) {
    return new jobs::Job(
        QStringLiteral("Checking the scanned pages for cover sheets"),
        [scanned, paths = std::move(paths), found](jobs::Progress& progress) {
            const auto doc = imaging::Document::open(scanned, paths);
            const int pages = doc->pageCount();
            progress.set(0, pages, QStringLiteral("Checking the scanned pages for cover sheets..."));
            for (int i = 0; i < pages; ++i) {
                progress.checkCancel();
                if (const auto codes = readCoverSheetOfPage(*doc, i)) found->push_back({i + 1, *codes});
                progress.setValue(i + 1);
            }
        });
}

// "ID 260045 - O'Brien, Patrick Sean, record type LABORATORY RESULTS (3)"
QString describeRecord(app::Session& s, const QString& id, int type) {
    const QString name = coverSheetName(s, id);
    const QString typeName = recordTypeName(s, type);
    return "ID " + id + (name.isEmpty() ? QString() : " - " + name) + ", record type " +
           (typeName.isEmpty() ? QString::number(type)
                               : typeName + " (" + QString::number(type) + ")");
}

// The question when scanned pages hold cover sheets of another record: true to file anyway.
// A sheet of the same ID but of another record type is asked about as well: its pages would be
// filed under the wrong type.
bool fileDespiteCoverSheets(app::Session& s, const FilingRequest& r,
                            const std::vector<FoundSheet>& others) {
    QString text = QStringLiteral("The scanned pages hold a cover sheet of another record:");
    constexpr size_t kListed = 10;
    for (size_t i = 0; i < others.size() && i < kListed; ++i)
        text += kCrLf + "Page " + QString::number(others[i].page) + ": " +
                describeRecord(s, others[i].codes.id, others[i].codes.recordType);
    if (others.size() > kListed)
        text += kCrLf + "(" + QString::number(others.size() - kListed) + " more)";
    text += kCrLf + kCrLf + "The scan is being filed as " + describeRecord(s, r.id, r.type) + "." +
            kCrLf + kCrLf + "Press YES to file all the pages under ID " + r.id +
            " anyway, NO to file nothing (the scanned pages go to the recycle folder).";
    return s.svc.prompter->msgBox(text, app::mb::YesNo, app::mb::Exclamation,
                                  QStringLiteral("Cover Sheet")) == app::mb::Yes;
}

// After the scan, before anything is filed: the pages are read for cover sheets (a document
// job), and a sheet naming another record stops the filing for the user's answer. Sheets of
// the record itself are accepted without a word; every sheet stays in the file.
void checkCoverSheetsThenFile(viewer::MainWindow& w, const FilingRequest& r,
                              const QString& scanned) {
    app::Session& s = w.session();
    auto found = std::make_shared<std::vector<FoundSheet>>();
    QPointer<viewer::MainWindow> window(&w);
    // The window closed meanwhile: nothing is filed, the pages stay in `scanned` beside the
    // record's name (a later scan of the record moves them aside, never adds to them).
    auto checked = [window, r, scanned, found](const jobs::Result& result) {
        if (!window) return;
        app::Session& s = window->session();
        if (!result.ok()) {
            sayNothingFiled(s, r,
                            "the scanned pages could not be checked for cover sheets" +
                                (result.errorText.isEmpty() ? QString(".")
                                                            : ":" + kCrLf + result.errorText),
                            scanned);
            if (r.options.done) r.options.done(false);
            return;
        }
        std::vector<FoundSheet> others;
        std::copy_if(found->begin(), found->end(), std::back_inserter(others),
                     [&](const FoundSheet& f) {
                         return f.codes.id.compare(r.id, Qt::CaseInsensitive) != 0 ||
                                f.codes.recordType != r.type;
                     });
        if (!others.empty() && !fileDespiteCoverSheets(s, r, others)) {
            QString why = QStringLiteral("the scanned pages hold a cover sheet of another record.");
            QString kept = scanned;
            try {
                const QString recycled =
                    storage::recycleRecordFile(s, s.gstrDefaultDirectory, scanned);
                why += kCrLf + "The scanned pages were moved to " + recycled + ".";
                kept.clear();
            } catch (const std::exception& e) {
                s.WriteLog(QString::fromStdString(e.what()) + "- ScanStart");
            }
            sayNothingFiled(s, r, why, kept);
            if (r.options.done) r.options.done(false);
            return;
        }
        fileAndOpen(*window, r, scanned);
    };
    if (!w.jobs().start(makeCoverSheetCheck(scanned, w.imagingEnvironment()->paths, found),
                        viewer::JobHost::Scope::Document, checked)) {
        sayNothingFiled(s, r, "another operation is running on the document.", scanned);
        if (r.options.done) r.options.done(false);
    }
}

// Copies `from` to `to` (a new file) and flushes it to disk; false when it cannot.
bool copyDurably(const QString& nativeFrom, const QString& nativeTo) {
    QFile in(nativeFrom);
    QFile out(nativeTo);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::NewOnly | QIODevice::WriteOnly))
        return false;
    QByteArray chunk;
    bool ok = true;
    while (ok && !(chunk = in.read(1 << 20)).isEmpty())
        ok = out.write(chunk) == chunk.size();
    ok = ok && in.error() == QFileDevice::NoError && out.flush() && ::fsync(out.handle()) == 0;
    out.close();
    if (!ok) out.remove();
    return ok;
}

} // namespace

QString fileScannedPages(app::Session& s, const QString& id, int type, const QString& recordDate,
                         const QString& scannedFile, bool replace, const QString& description) {
    if (const QString why = fileableProblem(id, recordDate); !why.isEmpty()) return why;
    storage::CreateStorageFolder(s);
    FilingRequest r;
    r.id = id;
    r.type = type;
    r.date = storage::parseRecordDate(recordDate);
    r.rp = storage::buildRecordPath(s, s.gstrDefaultDirectory, id, type, r.date);
    r.options.replace = replace;
    r.options.description = description;
    if (!storage::staysInsideRoot(*s.svc.paths, s.gstrDefaultDirectory, r.rp.fullPath))
        return "its folder " + r.rp.fullPath.left(r.rp.fullPath.lastIndexOf('\\')) +
               " is a link that leads out of the storage folder.";
    app::Steps(app::FailureStyle::Log, s.svc.log, s.svc.prompter)(
        [&] { r.employee = s.gobjCurrentUser->EmployeeCode(); });
    const QString copy = scanningPath(s, r.rp);
    if (!copyDurably(s.svc.paths->toNative(scannedFile), s.svc.paths->toNative(copy)))
        return "the scanned pages could not be copied to " + copy + ".";
    const Commit c = commitFiling(s, r, copy);
    if (c.filed) return {};
    // The pages are still in `scannedFile`: the copy is moved aside, never left to be filed.
    if (!c.keptFile.isEmpty() && fileExists(s, c.keptFile))
        app::Steps(app::FailureStyle::Log, s.svc.log, s.svc.prompter)(
            [&] { storage::recycleRecordFile(s, s.gstrDefaultDirectory, c.keptFile); });
    return c.error;
}

bool startScanJob(viewer::MainWindow& w, std::function<void(int status)> then) {
    jobs::Job* job = w.docImgScan1->createScanJob();
    if (!job) return false;
    QPointer<viewer::MainWindow> window(&w);
    const bool started = w.jobs().start(job, viewer::JobHost::Scope::Document,
                                        [window, then = std::move(then)](const jobs::Result&) {
                                            if (window) then(window->docImgScan1->lastError());
                                        });
    if (!started)
        w.session().svc.prompter->msgBox(
            "Another operation is still running on the document; scan again when it has "
            "finished.",
            app::mb::OKOnly, app::mb::Exclamation);
    return started;
}

int selectedRecordType(const QComboBox& combo) {
    return combo.currentIndex() < 0 ? 0 : combo.currentData().toInt();
}

QString fileableProblem(const QString& id, const QString& recordDate) {
    if (const auto why = storage::invalidIdReason(id))
        return "The ID \"" + id + "\" cannot be filed: " + *why;
    if (!storage::parseRecordDate(recordDate).isValid())
        return "The record date \"" + recordDate +
               "\" is not a valid date (mm/dd/yyyy); the record cannot be filed.";
    return {};
}

bool CheckAlreadyScanned(viewer::MainWindow& w, const QString& prefix, const QString& id,
                         const QComboBox& recordTypes, bool& replace) {
    app::Session& s = w.session();
    replace = false;
    if (recordTypes.currentIndex() < 0) {
        s.svc.prompter->msgBox("Select record type.");
        return false;
    }
    const int type = selectedRecordType(recordTypes);
    db::RecordsetPtr rs = connection(s).execute(records::checkScanned(id, type));
    const bool scanned = rs && !rs->eof() && rs->value("scanRes").toInt() == 1;
    if (rs) rs->close();
    if (!scanned) return true;
    const QString question = prefix + id + " have been scanned already." + kCrLf +
                             "Pressing YES will delete all the previous files and newly scanned "
                             "will be filed!" +
                             kCrLf + "Do you want to continue?";
    if (s.svc.prompter->msgBox(question, app::mb::YesNo, app::mb::Information, QString()) !=
        app::mb::Yes)
        return false;
    replace = true;
    return true;
}

bool windowFree(viewer::MainWindow& w) {
    if (!w.jobs().documentBusy() && !w.docImgScan1->scanning()) return true;
    w.session().svc.prompter->msgBox(
        "Another operation is still running on the document; try again when it has finished.",
        app::mb::OKOnly, app::mb::Exclamation);
    return false;
}

void ScanStart(viewer::MainWindow& w, const QString& strId, int intScanType, const QString& aDate,
               int SkipScan) {
    FilingOptions options;
    options.description = w.session().rec.gstrDescription;
    ScanStart(w, strId, intScanType, aDate, SkipScan, std::move(options));
}

void ScanStart(viewer::MainWindow& w, const QString& strId, int intScanType, const QString& aDate,
               int SkipScan, FilingOptions options) {
    app::Session& s = w.session();
    if (const QString why = fileableProblem(strId, aDate); !why.isEmpty()) {
        s.svc.prompter->msgBox(why, app::mb::OKOnly, app::mb::Exclamation);
        return;
    }
    QPointer<viewer::MainWindow> again(&w);
    if (!windowFree(w) || !closeShownDocument(w, [=] {
            if (again) ScanStart(*again, strId, intScanType, aDate, SkipScan, options);
        }))
        return;
    const QDate date = storage::parseRecordDate(aDate);
    app::Steps steps = scanStartSteps(s);

    // 1-2: the folders and the name; the filing employee. A department's folder that does not
    // exist yet on the share is made first (as Test Write makes it), or no year folder could be.
    storage::CreateStorageFolder(s);
    FilingRequest r;
    r.id = strId;
    r.type = intScanType;
    r.date = date;
    r.rp = storage::buildRecordPath(s, s.gstrDefaultDirectory, strId, intScanType, date);
    r.options = std::move(options);
    if (!storage::staysInsideRoot(*s.svc.paths, s.gstrDefaultDirectory, r.rp.fullPath)) {
        s.svc.prompter->msgBox("The record cannot be filed: its folder " +
                                   r.rp.fullPath.left(r.rp.fullPath.lastIndexOf('\\')) +
                                   " is a link that leads out of the storage folder.",
                               app::mb::OKOnly, app::mb::Exclamation);
        return;
    }
    s.rec.gstrCurrentFile = r.rp.fullPath;
    steps([&] { s.rec.gstrEmployeeID = s.gobjCurrentUser->EmployeeCode(); });
    r.employee = s.rec.gstrEmployeeID;

    if (SkipScan != 0) {
        fileAndOpen(w, r, QString());
        return;
    }
    // 3: the scanner's settings, in their order, then the scan as a job, into a new file.
    const QString scanned = scanningPath(s, r.rp);
    imaging::ImageScan& scan = *w.docImgScan1;
    steps([&] { scan.setScanTo(imaging::kScanToFile); });
    steps([&] { scan.setDestImageControl(QStringLiteral("docImgEdit1")); });
    steps([&] { scan.setImage(scanned); });
    steps([&] { scan.setFileType(1); });
    steps([&] { scan.setMultiPage(true); });
    // A placement left by a page command must not apply to a record file.
    steps([&] { scan.setPageOption(2); });
    steps([&] { scan.setShowSetupBeforeScan(w.ui().mnuShowScanSetupbeforeScan->isChecked()); });
    QPointer<viewer::MainWindow> window(&w);
    auto finish = [window, r, scanned](int status) {
        if (!window) return;
        app::Session& s = window->session();
        // 4: a scan that did not succeed files nothing and changes nothing; pages it wrote are
        // moved aside, not left to be added to.
        int pages = 0;
        if (status == 0 && fileExists(s, scanned))
            app::Steps(app::FailureStyle::Skip)([&] {
                pages = imaging::Document::open(scanned, window->imagingEnvironment()->paths)->pageCount();
            });
        if (status != 0 || pages < 1) {
            if (fileExists(s, scanned))
                app::Steps(app::FailureStyle::Log, s.svc.log, s.svc.prompter)(
                    [&] { storage::recycleRecordFile(s, s.gstrDefaultDirectory, scanned); });
            sayNothingFiled(s, r, status != 0 ? QStringLiteral("the scan did not complete.")
                                              : QStringLiteral("no page was scanned."),
                            QString());
            if (r.options.done) r.options.done(false);
            return;
        }
        checkCoverSheetsThenFile(*window, r, scanned);
    };
    if (startScanJob(w, finish)) {
        if (r.options.started) r.options.started();
    }
}

void mnuFileScanNew_Click(viewer::MainWindow& w) {
    app::Session& s = w.session();
    QPointer<viewer::MainWindow> again(&w);
    if (!windowFree(w) || !closeShownDocument(w, [again] {
            if (again) mnuFileScanNew_Click(*again);
        }))
        return;
    imaging::ImageScan& scan = *w.docImgScan1;
    app::Steps steps(app::FailureStyle::ShowAndStop, s.svc.log, s.svc.prompter);
    QString dest;
    const bool ready = steps([&] {
        scan.setScanTo(imaging::kScanToDisplayAndFile);
        scan.setMultiPage(true);
        scan.setFileType(1);
        scan.setPageOption(2);
        const QString name = w.docImgAdmin1->getUniqueName(s.gstrTempDir, "Img", "Tif");
        dest = s.gstrTempDir + "\\" + name;
        scan.setImage(dest);
    });
    if (!ready) return;
    QPointer<viewer::MainWindow> window(&w);
    auto opened = [window, dest](int) {
        if (!window) return;
        viewer::MainWindow& w = *window;
        w.docImgScan1->setDestImageControl(QStringLiteral("docImgEdit1"));
        if (!QFileInfo::exists(w.session().svc.paths->toNative(dest))) return;
        w.doc().gblnNewDocument = true;
        w.doc().gblnReadOnly = false;
        w.PerformFileOpen(false, dest, 1);
        w.blankPages().checkAll();
    };
    if (!startScanJob(w, opened)) opened(scan.lastError());
}

void mnuScanSet_Click(viewer::MainWindow& w) {
    app::Steps steps(app::FailureStyle::ShowAndStop, nullptr, w.session().svc.prompter);
    steps.format([](const app::ErrorInfo& e) {
        return "Scanner may not support TWAIN Setup, please use Scan Preferences Instead." +
               kCrLf + kCrLf + e.description;
    });
    steps([&] { w.docImgScan1->showScannerSetup(); });
}

void mnuFileSelectScanner_Click(viewer::MainWindow& w) {
    app::Steps(app::FailureStyle::Skip)([&] { w.docImgScan1->showSelectScanner(); });
}

void mnuFileScanPreferences_Click(viewer::MainWindow& w) {
    app::Steps(app::FailureStyle::Skip)([&] { w.docImgScan1->showScanPreferences(); });
}

} // namespace capture
