#pragma once
// Where record files live: the storage root, the year and date folders, the record file
// name, and the stored form of a file's name in the records table.
//
//   root\yyyy\yyyy-mm-dd\<ID>-<record type>.tif     stored as   \yyyy\yyyy-mm-dd\<ID>-<type>.tif
#include <QDate>
#include <QString>
#include <optional>
#include <vector>

namespace app {
struct Session;
class PathMapper;
class LogSink;
} // namespace app

namespace storage {

// The record date as the dialogs show it ("11/25/2008", "1/2/2009", "2008-11-25", ...);
// an invalid date when the text is not one.
QDate parseRecordDate(const QString& text);

// True when `text` reads as a date (the rule used when walking stored paths).
bool isDateText(const QString& text);

// root + "\" + yyyy + "\" + yyyy-mm-dd, no trailing backslash.
QString dateFolderPath(const QString& root, const QDate& date);

// Why an ID cannot become part of a file name, or nothing when it can. An ID is used exactly
// as entered, but one that could leave the storage root or that other workstations could not
// open is refused: "\", "/", "..", control characters, < > : " | ? *, and a trailing blank
// or full stop, and one longer than the records table keeps (50 characters).
std::optional<QString> invalidIdReason(const QString& id);

struct RecordPath {
    QString storedName; // "\yyyy\yyyy-mm-dd\ID-type.tif"
    QString fullPath;   // root + storedName
};

// The stored name and full path of a record, without touching the disk.
RecordPath recordPath(const QString& root, const QString& id, int recordType, const QDate& date);

// Builds the record path and creates the year and then the date folder when missing, one
// level at a time. A folder that cannot be created is logged as its failure's description
// followed by "- ScanStart" and the sequence goes on.
RecordPath buildRecordPath(app::Session& s, const QString& root, const QString& id,
                           int recordType, const QDate& date);

// Resolving a stored file name to a file under the storage root.
struct Resolved {
    bool found = false;
    QString path;          // logical full path
    QString currentFolder; // folder of the file, with its trailing backslash
};

// A relative stored name (the current form) gives root + "\" + name; an absolute share path
// of an earlier layout is re-rooted at its date folder, looked for first in the folder
// root\yyyy\date and then in root\date. A name that would resolve outside the storage root is refused.
// Failures are written to `log` with the messages users know.
Resolved resolveStoredName(const app::PathMapper& paths, const QString& root,
                           const QString& storedName, app::LogSink* log);

// True when the logical `path` lies below `root`, by its name and by where it really leads:
// a symbolic link planted in the share (a record file, a year or date folder) that leads out
// of the storage folder is not followed.
bool staysInsideRoot(const app::PathMapper& paths, const QString& root, const QString& path);

// Why a stored file name (as a maintainer types it into a record's row) cannot be stored, or
// nothing when it can: it must be one of the two stored forms, name no "." or ".." folder
// (so it never resolves outside the storage root), hold no control character and none of
// < > : " | ? * /, and fit the column (150 characters). A full share path must name a date
// folder, since that is where it is re-rooted.
std::optional<QString> storedNameProblem(const QString& storedName);

// A record file moved out of its place into the recycle folder, and the row that named it.
struct RecycledRecordFile {
    QString recfileId;
    QString original; // logical path it had
    QString recycled; // logical path in the recycle folder; empty when the file was missing
};

// Removes from its place every file filed for one ID and record type (the rows stay), each
// moved into the recycle folder (recycleRecordFile), so a mistaken replacement loses no
// pages. A file that is already gone is logged and skipped. `keep` (a logical path) is left
// where it is: the file about to be filed again. Returns the rows whose files are now out of
// the way (recycled or missing): only those rows may be removed. A file that cannot be moved
// raises std::runtime_error after the files moved so far have been put back.
std::vector<RecycledRecordFile> DeleteRecordTypeFiles(app::Session& s, const QString& admissionId,
                                                      int recordType, const QString& keep = {});

// Puts recycled files back where they were (a replacement that did not complete); failures
// are logged.
void restoreRecycledFiles(app::Session& s, const std::vector<RecycledRecordFile>& files);

// Takes a record file out of its place without destroying it: moves the file at the logical
// `path` into root\Recycled\yyyy-mm-dd\ as its name with the time of day added
// ("55-7-140500.tif", a number added when that name is taken), and logs the move. The record's
// name is free afterwards exactly as after a deletion; nothing reads the recycle folder.
// Returns the recycled file's logical path; raises std::runtime_error when the file cannot be
// moved (it then stays where it was), or when no storage folder `root` is set.
QString recycleRecordFile(app::Session& s, const QString& root, const QString& path);

} // namespace storage
