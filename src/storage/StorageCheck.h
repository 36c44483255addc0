#pragma once
// The storage check (docuvane-admin check-storage, Maintenance > Check Storage...): the records table against the files of the storage
// share. It only reads: files are opened read-only, rows are selected, nothing is written.
//
// Findings: a row whose file is missing; a file below the storage root that no row names (the
// recycle folder "Recycled", the files of scans still in progress "*.scanning*.tif" and the
// Test Write files "test write*.txt" are not record files and are skipped); a named file
// that does not open or whose pages are damaged (the engine's open, its damage() and every
// page decoded); a row whose record type is missing.
#include <QDate>
#include <QString>
#include <functional>
#include <optional>

namespace app {
class PathMapper;
}
namespace db {
class Connection;
}

namespace storage {

enum class FindingKind { MissingFile, OrphanFile, DamagedFile, MissingRecordType };

// "missing-file", "orphan-file", "damaged-file", "missing-record-type".
QString kindName(FindingKind kind);

struct Finding {
    FindingKind kind = FindingKind::MissingFile;
    QString recfileId;   // empty for an orphan file
    QString admissionId; // empty for an orphan file
    QString storedName;  // the row's file_name; empty for an orphan file
    QString path;        // the file on this machine (native), when one is known
    QString detail;      // why, in words
};

// The CSV header and one finding as a CSV line (RFC 4180 quoting, no line end).
QString csvHeader();
QString csvLine(const Finding& f);

struct CheckOptions {
    QDate from; // invalid: no lower bound (record date, date_created)
    QDate to;   // invalid: no upper bound
    // One department's rows and folder ("" is medical records: record types of no department,
    // their files directly below the root); rows without a record type belong to none.
    std::optional<QString> department;
    int workers = 0; // threads of the file checks; 0: one a core
};

struct CheckCounts {
    qint64 rows = 0;      // rows read
    qint64 listed = 0;    // files met in the listing
    qint64 checked = 0;   // files opened and decoded
    qint64 skippedScans = 0; // in-progress scan files skipped
    qint64 missingFiles = 0, orphanFiles = 0, damagedFiles = 0, missingTypes = 0;
    qint64 problems() const { return missingFiles + orphanFiles + damagedFiles + missingTypes; }
    bool clean() const { return problems() == 0; }
    // "Checked 12 rows and 13 files: 1 missing file, 1 orphan file, 2 damaged files,
    // 1 row without record type." or "...: no problems found."
    QString summary() const;
};

// Checks the share whose root is the logical folder `root` (the "Default Directory"
// preference; a department's files lie below root\<department ID>), its folders reached
// through `paths`. `onFinding` receives every finding and `onProgress` the counts now and
// then, both on the calling thread. Raises db::Error when the rows cannot be read.
CheckCounts checkStorage(db::Connection& connection, const app::PathMapper& paths,
                         const QString& root, const CheckOptions& options,
                         const std::function<void(const Finding&)>& onFinding,
                         const std::function<void(const CheckCounts&)>& onProgress = {});

} // namespace storage
