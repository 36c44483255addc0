#include "storage/StorageCheck.h"

#include "app/Paths.h"
#include "db/Connection.h"
#include "imaging/documents/Document.h"
#include "records/AdminStatements.h"
#include "storage/RecordPaths.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent>

#include <unordered_set>
#include <vector>

namespace storage {

namespace {

// Files checked at once: the paths of one batch wait in memory, no more.
constexpr int kBatch = 2048;
const QString kRecycleFolder = QStringLiteral("Recycled");

// A path as a 128-bit key: a named file costs its key and the set's node, not its path.
struct Key {
    size_t a, b;
    bool operator==(const Key& o) const { return a == o.a && b == o.b; }
};
struct KeyHash {
    size_t operator()(const Key& k) const { return k.a ^ (k.b * 0x9e3779b97f4a7c15ULL); }
};
Key keyOf(const QString& nativePath) {
    const QString p = QDir::cleanPath(nativePath);
    return {qHash(p, 0x5bd1e995U), qHash(p, 0x27d4eb2fU)};
}

// Why the file does not open or a page of it is damaged; empty when it is sound.
QString fileProblem(const QString& path) {
    try {
        const imaging::DocumentPtr doc = imaging::Document::open(path);
        const QString damage = doc->damage();
        if (!damage.isEmpty()) return damage;
        for (int i = 0; i < doc->pageCount(); ++i) {
            try {
                if (doc->decodePage(i).isNull())
                    return QStringLiteral("Page %1 cannot be decoded.").arg(i + 1);
            } catch (const std::exception& e) {
                return QStringLiteral("Page %1: %2").arg(i + 1).arg(QString::fromUtf8(e.what()));
            }
        }
        return {};
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
}

QString csvField(const QString& v) {
    if (!v.contains(QLatin1Char(',')) && !v.contains(QLatin1Char('"')) &&
        !v.contains(QLatin1Char('\n')) && !v.contains(QLatin1Char('\r')))
        return v;
    QString q = v;
    q.replace(QLatin1String("\""), QLatin1String("\"\""));
    return '"' + q + '"';
}

QString counted(qint64 n, const QString& one, const QString& many) {
    return QString::number(n) + ' ' + (n == 1 ? one : many);
}

bool isScanInProgress(const QString& name) {
    return name.contains(QLatin1String(".scanning"), Qt::CaseInsensitive) &&
           name.endsWith(QLatin1String(".tif"), Qt::CaseInsensitive);
}

bool isTestWrite(const QString& name) {
    return name.startsWith(QLatin1String("test write"), Qt::CaseInsensitive) &&
           name.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive);
}

struct Pending {
    Finding row; // the row's facts, kind and detail filled in when the file fails
    QString problem;
};

} // namespace

QString kindName(FindingKind kind) {
    switch (kind) {
    case FindingKind::MissingFile: return QStringLiteral("missing-file");
    case FindingKind::OrphanFile: return QStringLiteral("orphan-file");
    case FindingKind::DamagedFile: return QStringLiteral("damaged-file");
    case FindingKind::MissingRecordType: return QStringLiteral("missing-record-type");
    }
    return {};
}

QString csvHeader() {
    return QStringLiteral("finding,recfile_id,admission_id,file_name,path,detail");
}

QString csvLine(const Finding& f) {
    return QStringList{kindName(f.kind), csvField(f.recfileId), csvField(f.admissionId),
                       csvField(f.storedName), csvField(f.path), csvField(f.detail)}
        .join(QLatin1Char(','));
}

QString CheckCounts::summary() const {
    QString s = "Checked " + counted(rows, "row", "rows") + " and " +
                counted(listed, "file", "files") + ": ";
    if (clean()) {
        s += "no problems found.";
    } else {
        s += counted(missingFiles, "missing file", "missing files") + ", " +
             counted(orphanFiles, "orphan file", "orphan files") + ", " +
             counted(damagedFiles, "damaged file", "damaged files") + ", " +
             counted(missingTypes, "row without record type", "rows without record type") + ".";
    }
    if (skippedScans > 0)
        s += " " + counted(skippedScans, "scan in progress skipped.", "scans in progress skipped.");
    return s;
}

CheckCounts checkStorage(db::Connection& connection, const app::PathMapper& paths,
                         const QString& root, const CheckOptions& options,
                         const std::function<void(const Finding&)>& onFinding,
                         const std::function<void(const CheckCounts&)>& onProgress) {
    CheckCounts counts;
    QThreadPool pool;
    pool.setMaxThreadCount(options.workers > 0 ? options.workers : QThread::idealThreadCount());
    auto report = [&](const Finding& f) {
        switch (f.kind) {
        case FindingKind::MissingFile: ++counts.missingFiles; break;
        case FindingKind::OrphanFile: ++counts.orphanFiles; break;
        case FindingKind::DamagedFile: ++counts.damagedFiles; break;
        case FindingKind::MissingRecordType: ++counts.missingTypes; break;
        }
        if (onFinding) onFinding(f);
    };
    auto progress = [&] {
        if (onProgress) onProgress(counts);
    };

    // The rows, read forward; the files they name are checked a batch at a time on all cores.
    std::unordered_set<Key, KeyHash> named;
    std::vector<Pending> batch;
    batch.reserve(kBatch);
    auto flush = [&] {
        if (batch.empty()) return;
        QtConcurrent::blockingMap(&pool, batch,
                                  [](Pending& p) { p.problem = fileProblem(p.row.path); });
        for (Pending& p : batch) {
            ++counts.checked;
            if (p.problem.isEmpty()) continue;
            p.row.kind = FindingKind::DamagedFile;
            p.row.detail = p.problem;
            report(p.row);
        }
        batch.clear();
        progress();
    };
    auto rs = connection.open(
        records::selectRecordsToCheck(options.from, options.to),
        db::kForwardReadOnly);
    for (; rs->isOpen() && !rs->eof(); rs->moveNext()) {
        const QString dept = rs->text("DepartmentID");
        // A row of another department (or without a record type, when one department is
        // checked) only names its file: files it names are no orphans.
        const bool checked = !options.department ||
                             (!rs->isNull("found_type") && dept == *options.department);
        Finding row;
        row.recfileId = rs->text("recfile_id");
        row.admissionId = rs->text("admission_id");
        row.storedName = rs->text("file_name");
        if (checked) ++counts.rows;
        if (checked && rs->isNull("found_type")) {
            Finding f = row;
            f.kind = FindingKind::MissingRecordType;
            f.detail = rs->isNull("rectype_id")
                           ? QStringLiteral("The row names no record type.")
                           : "Record type " + rs->text("rectype_id") + " does not exist.";
            report(f);
        }
        const QString rowRoot = dept.isEmpty() ? root : root + "\\" + dept;
        const storage::Resolved where =
            row.storedName.trimmed().isEmpty()
                ? storage::Resolved{}
                : storage::resolveStoredName(paths, rowRoot, row.storedName, nullptr);
        if (where.found) row.path = QDir::cleanPath(paths.toNative(where.path));
        if (!checked) {
            if (where.found) named.insert(keyOf(row.path));
            continue;
        }
        if (!where.found || !QFileInfo(row.path).isFile()) {
            Finding f = row;
            f.kind = FindingKind::MissingFile;
            f.detail = row.storedName.trimmed().isEmpty()
                           ? QStringLiteral("The row names no file.")
                       : where.found ? QStringLiteral("The file does not exist.")
                                     : QStringLiteral("The stored name leads to no folder of "
                                                      "the storage share.");
            report(f);
            continue;
        }
        named.insert(keyOf(row.path));
        batch.push_back({row, {}});
        if (static_cast<int>(batch.size()) >= kBatch) flush();
    }
    flush();

    // The listing: every file below the share (or the department's folder) that no row names.
    // Folders are walked one at a time, so the recycle folder is never entered; with dates,
    // only files in date folders of those days are weighed.
    const QString nativeRoot = QDir::cleanPath(paths.toNative(root));
    QString start = nativeRoot;
    if (options.department && !options.department->isEmpty())
        start = QDir::cleanPath(paths.toNative(root + "\\" + *options.department));
    const bool datesGiven = options.from.isValid() || options.to.isValid();
    std::vector<QString> folders{start};
    qint64 sinceProgress = 0;
    while (!folders.empty()) {
        const QString folder = folders.back();
        folders.pop_back();
        const bool atRoot = folder == start;
        QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                    QDir::System);
        while (it.hasNext()) {
            it.next();
            const QFileInfo info = it.fileInfo();
            const QString name = info.fileName();
            if (info.isDir() && !info.isSymLink()) {
                // The recycle folder of the share or of a department (root\\Recycled,
                // root\\<department>\\Recycled).
                if (name == kRecycleFolder &&
                    (folder == nativeRoot || QFileInfo(folder).path() == nativeRoot))
                    continue;
                // Medical records' files lie directly below the root, beside the department
                // folders: only year and date folders are theirs.
                if (atRoot && options.department && options.department->isEmpty() &&
                    !storage::isDateText(name) &&
                    !(name.size() == 4 && name.toInt() > 0))
                    continue;
                folders.push_back(info.filePath());
                continue;
            }
            if (info.isDir()) continue; // a symlinked folder is not followed
            if (isScanInProgress(name)) {
                ++counts.skippedScans;
                continue;
            }
            if (isTestWrite(name)) continue;
            if (datesGiven) {
                const QDate day = storage::parseRecordDate(info.dir().dirName());
                if (!day.isValid() || (options.from.isValid() && day < options.from) ||
                    (options.to.isValid() && day > options.to))
                    continue;
            }
            ++counts.listed;
            if (!named.count(keyOf(info.filePath()))) {
                Finding f;
                f.kind = FindingKind::OrphanFile;
                f.path = QDir::cleanPath(info.filePath());
                f.detail = QStringLiteral("No row names this file.");
                report(f);
            }
            if (++sinceProgress >= 4096) {
                sinceProgress = 0;
                progress();
            }
        }
    }
    progress();
    return counts;
}

} // namespace storage
