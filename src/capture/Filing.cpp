#include "capture/Filing.h"

#include "app/CurrentUser.h"
#include "app/Failure.h"
#include "app/Paths.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "app/Clock.h"
#include "db/Connection.h"
#include "imaging/ImageAdmin.h"
#include "imaging/ImageScan.h"
#include "records/CaptureStatements.h"
#include "storage/LocationTools.h"
#include "storage/RecordPaths.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QPointer>

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

// Steps 5 and 6 of the filing sequence, once the pages are in the file (or none were to be
// scanned).
void fileAndOpen(viewer::MainWindow& w, const QString& id, int type, const QDate& date,
                 const storage::RecordPath& rp, bool skipped) {
    app::Session& s = w.session();
    app::Steps steps = scanStartSteps(s);
    const QString employee = s.gobjCurrentUser ? s.gobjCurrentUser->EmployeeCode() : QString();
    const bool filed = steps([&] {
        connection(s).execute(records::insertRecordFile(
            id, rp.storedName, type, employee, s.rec.gstrDescription, date.toString("yyyy-MM-dd")));
    });
    if (!filed && !skipped)
        s.svc.prompter->msgBox(
            "The pages were scanned into the file " + rp.fullPath +
                ", but the record was not filed in the database:" + kCrLf +
                steps.lastError().description + kCrLf + kCrLf +
                "The file is kept and opened; file it again (Skip Scan) when the database can "
                "be reached.",
            app::mb::OKOnly, app::mb::Exclamation);
    // The panel describes the new row from now on: a save stamps this row, not the row of a
    // record opened earlier.
    s.rec.gstrRecFileId.clear();
    if (filed)
        steps([&] {
            db::RecordsetPtr rs =
                connection(s).open(records::selectFiledRecordId(id, rp.storedName, type));
            if (!rs->eof()) s.rec.gstrRecFileId = rs->text("recfile_id");
        });
    s.rec.gstrRecDate = date.toString("yyyy-MM-dd");
    s.rec.gstrScanUpdate = s.svc.clock->now().toString(QStringLiteral("MM/dd/yyyy h:mm:ss AP"));
    // A skipped scan opens the record's own file when there is one (the scanner's destination
    // would still name the file of an earlier scan).
    const QString path = skipped ? rp.fullPath : w.docImgScan1->image();
    const bool exists = QFileInfo::exists(s.svc.paths->toNative(path));
    if (exists) steps([&] { w.PerformFileOpen(false, path, 1); });
    w.SetExamData();
}

} // namespace

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
                         const QComboBox& recordTypes) {
    app::Session& s = w.session();
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
    storage::DeleteRecordTypeFiles(s, id, type);
    connection(s).execute(records::deleteRecordTypeRows(id, type));
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
    app::Session& s = w.session();
    if (const QString why = fileableProblem(strId, aDate); !why.isEmpty()) {
        s.svc.prompter->msgBox(why, app::mb::OKOnly, app::mb::Exclamation);
        return;
    }
    QPointer<viewer::MainWindow> again(&w);
    if (!windowFree(w) || !closeShownDocument(w, [=] {
            if (again) ScanStart(*again, strId, intScanType, aDate, SkipScan);
        }))
        return;
    const QDate date = storage::parseRecordDate(aDate);
    app::Steps steps = scanStartSteps(s);

    // 1-2: the folders and the name; the filing employee. A department's folder that does not
    // exist yet on the share is made first (as Test Write makes it), or no year folder could be.
    storage::CreateStorageFolder(s);
    const storage::RecordPath rp =
        storage::buildRecordPath(s, s.gstrDefaultDirectory, strId, intScanType, date);
    s.rec.gstrCurrentFile = rp.fullPath;
    steps([&] { s.rec.gstrEmployeeID = s.gobjCurrentUser->EmployeeCode(); });

    if (SkipScan != 0) {
        fileAndOpen(w, strId, intScanType, date, rp, true);
        return;
    }
    // 3: the scanner's settings, in their order, then the scan as a job.
    imaging::ImageScan& scan = *w.docImgScan1;
    steps([&] { scan.setScanTo(imaging::kScanToFile); });
    steps([&] { scan.setDestImageControl(QStringLiteral("docImgEdit1")); });
    steps([&] { scan.setImage(rp.fullPath); });
    steps([&] { scan.setFileType(1); });
    steps([&] { scan.setMultiPage(true); });
    // A placement left by a page command must not apply to a record file.
    steps([&] { scan.setPageOption(2); });
    steps([&] { scan.setShowSetupBeforeScan(w.ui().mnuShowScanSetupbeforeScan->isChecked()); });
    QPointer<viewer::MainWindow> window(&w);
    startScanJob(w, [window, strId, intScanType, date, rp](int status) {
        // 4: a scan that did not succeed files nothing and opens nothing.
        if (status != 0 || !window) return;
        fileAndOpen(*window, strId, intScanType, date, rp, false);
    });
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
