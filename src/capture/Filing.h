#pragma once
// Filing a record: the already-scanned check of the new-record dialogs, the filing sequence
// ScanStart (folders and name, the scan as a background job, the row, the document opened),
// the unfiled "S&can New..." and the scanner's dialogs of the File menu.
#include <QString>
#include <functional>

class QComboBox;
class QWidget;

namespace app {
struct Session;
}
namespace viewer {
class MainWindow;
}

namespace capture {

// The record type chosen in a dialog's combo (its item data), or 0 when none is chosen.
int selectedRecordType(const QComboBox& combo);

// Before a scan: why the ID or the record date cannot be filed, shown to the user ("" when
// they can). Checked at "&Scan" before anything is deleted, scanned or written.
QString fileableProblem(const QString& id, const QString& recordDate);

// The already-scanned check of the new-record dialogs: "Select record type." without a type;
// otherwise asks sp_CheckScanned and, when files are filed already, whether to replace them
// (`prefix` + ID + " have been scanned already." ...). Nothing is changed here: Yes sets
// `replace`, and the filing replaces the earlier files and rows only once the new pages are
// scanned and their row can be written. Returns true when the scan may go on.
bool CheckAlreadyScanned(viewer::MainWindow& window, const QString& prefix, const QString& id,
                         const QComboBox& recordTypes, bool& replace);

// What a new-record dialog adds to a filing.
struct FilingOptions {
    bool replace = false; // the earlier files and rows of the ID and type are replaced
    QString description;  // the row's description (copied now: the job files from the copy)
    bool skipScanOffered = false; // the dialog can file a kept scan again with Skip Scan
    std::function<void()> started;         // the scan job started (the dialog steps aside)
    std::function<void(bool filed)> done;  // the filing ended, with or without a row
};

// Files a record: builds the year and date folders and the name under the storage root,
// scans (unless `SkipScan` is non-zero) as a background job into a new file beside the
// record's name, and then in one step recycles the files it replaces and any file left at the
// record's name without a row, moves the new file into place, writes the row into
// tblRecFiles, removes the replaced rows and opens the file at page 1. On a cancel or a
// failure before that step completes, nothing earlier is changed and the user is told that
// nothing was filed. Returns at once when the scan starts. The document shown before is
// closed first.
void ScanStart(viewer::MainWindow& window, const QString& strId, int intScanType,
               const QString& aDate, int SkipScan);
void ScanStart(viewer::MainWindow& window, const QString& strId, int intScanType,
               const QString& aDate, int SkipScan, FilingOptions options);

// Files pages already scanned into `scannedFile` (any file: the temporary folder's included)
// as the record of `id`, `type` and `date` (mm/dd/yyyy) exactly as ScanStart files its scan:
// the year and date folders and the name under the storage root, the filing employee, the
// earlier files and rows of the ID and type replaced when `replace`, a file left at the
// record's name without a row moved aside, the row written. The pages are first copied beside
// the record's name (and flushed to disk), so `scannedFile` itself is never moved or changed;
// the document shown is not touched and nothing is opened. Returns "" when the record was
// filed, otherwise why nothing was filed (nothing earlier is then changed).
QString fileScannedPages(app::Session& session, const QString& id, int type,
                         const QString& recordDate, const QString& scannedFile, bool replace,
                         const QString& description);

// "S&can New...": a scan into a new file of the temporary folder, opened as a new unsaved
// document.
void mnuFileScanNew_Click(viewer::MainWindow& window);
// "Scan Settings", "Se&lect Scanner...", "Scan Pre&ferences...".
void mnuScanSet_Click(viewer::MainWindow& window);
void mnuFileSelectScanner_Click(viewer::MainWindow& window);
void mnuFileScanPreferences_Click(viewer::MainWindow& window);

// Starts the window's scanner (as set up by the caller) as a document job; `then` gets the
// scan's status. Returns false when nothing was started (the status is then in the scanner's
// lastError()).
bool startScanJob(viewer::MainWindow& window, std::function<void(int status)> then);

// A command that would start a second scan or change the document while a document job runs
// is refused with a message; true when the window is free.
bool windowFree(viewer::MainWindow& window);

} // namespace capture
