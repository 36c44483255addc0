#include "storage/RecordPaths.h"

#include "app/Clock.h"
#include "app/CurrentUser.h"
#include "app/Failure.h"
#include "app/General.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "db/Connection.h"
#include "records/Statements.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace storage {

QDate parseRecordDate(const QString& text) {
    const QString t = text.trimmed();
    static const QRegularExpression mdy(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{4})$"));
    static const QRegularExpression ymd(QStringLiteral("^(\\d{4})[-/](\\d{1,2})[-/](\\d{1,2})$"));
    static const QRegularExpression mdyDash(QStringLiteral("^(\\d{1,2})-(\\d{1,2})-(\\d{4})$"));
    QRegularExpressionMatch m;
    if ((m = mdy.match(t)).hasMatch() || (m = mdyDash.match(t)).hasMatch())
        return QDate(m.captured(3).toInt(), m.captured(1).toInt(), m.captured(2).toInt());
    if ((m = ymd.match(t)).hasMatch())
        return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return {};
}

bool isDateText(const QString& text) { return parseRecordDate(text).isValid(); }

QString dateFolderPath(const QString& root, const QDate& date) {
    return root + "\\" + date.toString("yyyy") + "\\" + date.toString("yyyy-MM-dd");
}

std::optional<QString> invalidIdReason(const QString& id) {
    if (id.isEmpty()) return QStringLiteral("The ID is empty.");
    // The records table holds 50 characters of an ID; a longer one would be cut and could
    // then name another ID's rows.
    if (id.size() > 50) return QStringLiteral("The ID must not be longer than 50 characters.");
    if (id.contains(QLatin1String("..")))
        return QStringLiteral("The ID must not contain \"..\".");
    for (QChar c : id) {
        if (c.unicode() < 32 || c.unicode() == 127)
            return QStringLiteral("The ID must not contain a control character.");
        if (QStringLiteral("\\/<>:\"|?*").contains(c))
            return QStringLiteral("The ID must not contain the character \"%1\".").arg(c);
    }
    if (id.endsWith(' ')) return QStringLiteral("The ID must not end with a blank.");
    if (id.endsWith('.')) return QStringLiteral("The ID must not end with a full stop.");
    return std::nullopt;
}

RecordPath recordPath(const QString& root, const QString& id, int recordType, const QDate& date) {
    RecordPath r;
    r.storedName = "\\" + date.toString("yyyy") + "\\" + date.toString("yyyy-MM-dd") + "\\" + id +
                   "-" + QString::number(recordType) + ".tif";
    r.fullPath = root + r.storedName;
    return r;
}

namespace {
// Creates one folder level; raises an error with a description when it cannot.
void createFolder(const app::PathMapper& paths, const QString& logical) {
    const QString native = paths.toNative(logical);
    QFileInfo parent(QFileInfo(native).absolutePath());
    if (!parent.isDir())
        throw std::runtime_error(("Path not found: " + logical).toStdString());
    if (!QDir().mkdir(native) && !QFileInfo(native).isDir())
        throw std::runtime_error(("Permission denied: " + logical).toStdString());
}
} // namespace

RecordPath buildRecordPath(app::Session& s, const QString& root, const QString& id,
                           int recordType, const QDate& date) {
    app::Steps steps(app::FailureStyle::Log, s.svc.log, s.svc.prompter);
    steps.format([](const app::ErrorInfo& e) { return e.description + "- ScanStart"; });
    const app::PathMapper& paths = *s.svc.paths;
    const QString year = root + "\\" + date.toString("yyyy");
    steps([&] {
        if (!app::FolderExists(paths, year)) createFolder(paths, year);
    });
    const QString day = year + "\\" + date.toString("yyyy-MM-dd");
    steps([&] {
        if (!app::FolderExists(paths, day)) createFolder(paths, day);
    });
    steps([&] {
        if (!staysInsideRoot(paths, root, day))
            throw std::runtime_error(("The folder " + day +
                                      " is a link that leads out of the storage folder")
                                         .toStdString());
    });
    return recordPath(root, id, recordType, date);
}

namespace {

// True when the folder (logical, ending in "\") holds at least one ".tif" file. A folder
// that cannot be listed at all (the share is not reachable, no permission) is reported to the
// log; a folder that simply is not there is not an error.
bool holdsTif(const app::PathMapper& paths, const QString& root, const QString& folder,
              app::LogSink* log) {
    const QString native = paths.toNative(folder);
    const QFileInfo info(native);
    QString failure;
    if (!QFileInfo(paths.toNative(root)).isDir())
        failure = QStringLiteral("Path not found");
    else if (info.isDir() && !info.isReadable())
        failure = QStringLiteral("Permission denied");
    if (!failure.isEmpty()) {
        if (log) log->writeLog(folder + ", does not exist or cannot be found." + " " + failure);
        return false;
    }
    if (!info.isDir()) return false;
    return !QDir(native).entryList({"*.tif"}, QDir::Files, QDir::NoSort).isEmpty();
}

} // namespace

bool staysInsideRoot(const app::PathMapper& paths, const QString& root, const QString& path) {
    const QString nativePath = paths.toNative(path);
    const QString nativeRoot = paths.toNative(root);
    if (!app::isInside(nativePath, nativeRoot)) return false;
    // Where the path really leads: a link planted in the share (a file, a year or date
    // folder) must not lead out of it. The nearest part of the path that exists is resolved.
    const QString realRoot = QFileInfo(nativeRoot).canonicalFilePath();
    if (realRoot.isEmpty()) return true; // the root is not there: nothing is reached through it
    QString existing = QDir::cleanPath(nativePath);
    while (!QFileInfo(existing).exists() && !QFileInfo(existing).isSymLink() &&
           existing != QDir::cleanPath(nativeRoot) && existing.contains('/'))
        existing = existing.left(existing.lastIndexOf('/'));
    const QFileInfo info(existing);
    const QString real = info.canonicalFilePath();
    if (real.isEmpty()) return !info.isSymLink(); // a dangling link leads nowhere inside
    return app::isInside(real, realRoot);
}

Resolved resolveStoredName(const app::PathMapper& paths, const QString& root,
                           const QString& storedName, app::LogSink* log) {
    Resolved r;
    if (!storedName.startsWith("\\\\")) {
        QString rel = "\\" + storedName;
        rel.replace("\\\\", "\\");
        r.path = root + rel;
        r.currentFolder = r.path.left(r.path.lastIndexOf('\\') + 1);
    } else {
        // An absolute path of an earlier layout: find its date folder.
        QString rest = storedName;
        QString d;
        while (!rest.isEmpty()) {
            d = app::GetToken(rest, "\\");
            if (isDateText(d)) break;
        }
        const QDate date = parseRecordDate(d);
        QString folder = root + "\\" + (date.isValid() ? date.toString("yyyy") : QString()) +
                         "\\" + d + "\\";
        if (!date.isValid() || !holdsTif(paths, root, folder, log)) {
            folder = root + "\\" + d + "\\";
            if (!holdsTif(paths, root, folder, log)) {
                if (log) log->writeLog("Cannot acccess target folder. " + folder);
                return r;
            }
        }
        r.currentFolder = folder;
        r.path = folder + rest;
    }
    if (!staysInsideRoot(paths, root, r.path)) {
        if (log)
            log->writeLog("The stored file name " + storedName +
                          " points outside the storage folder; the record is not opened.");
        return {};
    }
    r.found = true;
    return r;
}

std::optional<QString> storedNameProblem(const QString& storedName) {
    if (storedName.trimmed().isEmpty()) return QStringLiteral("The file name is empty.");
    if (storedName.size() > 150)
        return QStringLiteral("The file name is longer than 150 characters.");
    for (QChar c : storedName) {
        if (c.unicode() < 32 || c.unicode() == 127)
            return QStringLiteral("The file name must not contain a control character.");
        if (QStringLiteral("<>:\"|?*/").contains(c))
            return QStringLiteral("The file name must not contain the character \"%1\".").arg(c);
    }
    const bool full = storedName.startsWith(QLatin1String("\\\\"));
    const QStringList segments =
        storedName.mid(full ? 2 : 0).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    for (const QString& seg : segments)
        if (seg.trimmed() == QLatin1String(".") || seg.trimmed() == QLatin1String(".."))
            return QStringLiteral("The file name must not name a \".\" or \"..\" folder.");
    if (segments.isEmpty() || storedName.endsWith(QLatin1Char('\\')))
        return QStringLiteral("The file name does not end with a file.");
    if (full) {
        bool dated = false;
        for (int i = 0; i + 1 < segments.size() && !dated; ++i) dated = isDateText(segments[i]);
        if (!dated)
            return QStringLiteral("A full share path must name the record's date folder "
                                  "(yyyy-mm-dd).");
    }
    return std::nullopt;
}

std::vector<RecycledRecordFile> DeleteRecordTypeFiles(app::Session& s, const QString& admissionId,
                                                      int recordType, const QString& keep) {
    std::vector<RecycledRecordFile> out;
    auto rs = app::recordsConnection(s).execute(
        records::selectRecordFilesOfRecordType(admissionId, recordType));
    const QString keepNative = keep.isEmpty() ? QString() : s.svc.paths->toNative(keep);
    try {
        for (; rs && !rs->eof(); rs->moveNext()) {
            const QString id = rs->text("recfile_id");
            const QString name = rs->text("file_name");
            const Resolved f = resolveStoredName(*s.svc.paths, s.gstrDefaultDirectory, name, s.svc.log);
            if (!f.found) continue; // its row stays: nothing is known of its file
            const QString native = s.svc.paths->toNative(f.path);
            if (!keepNative.isEmpty() && QFileInfo(native) == QFileInfo(keepNative)) {
                out.push_back({id, f.path, QString()});
                continue;
            }
            if (!QFile::exists(native)) {
                s.WriteLog("File not found: " + f.path + " (skipped; its row is removed)");
                out.push_back({id, f.path, QString()});
                continue;
            }
            out.push_back({id, f.path, recycleRecordFile(s, s.gstrDefaultDirectory, f.path)});
        }
    } catch (...) {
        restoreRecycledFiles(s, out);
        throw;
    }
    if (rs) rs->close();
    return out;
}

void restoreRecycledFiles(app::Session& s, const std::vector<RecycledRecordFile>& files) {
    for (const RecycledRecordFile& f : files) {
        if (f.recycled.isEmpty()) continue;
        const QString from = s.svc.paths->toNative(f.recycled);
        const QString to = s.svc.paths->toNative(f.original);
        if (QFile::exists(to) || !QFile::rename(from, to))
            s.WriteLog("Could not put " + f.recycled + " back as " + f.original);
        else
            s.WriteLog("Moved " + f.recycled + " back to " + f.original);
    }
}

QString recycleRecordFile(app::Session& s, const QString& root, const QString& path) {
    // Without a storage folder there is no recycle folder: nothing is moved (a folder is
    // never made at the top of the file system).
    if (root.trimmed().isEmpty())
        throw std::runtime_error(("No storage folder is set; " + path + " stays where it is")
                                     .toStdString());
    const QDateTime now = s.svc.clock->now();
    const QString folder = root + "\\Recycled\\" + now.toString("yyyy-MM-dd");
    const QString nativeFolder = s.svc.paths->toNative(folder);
    if (!staysInsideRoot(*s.svc.paths, root, folder))
        throw std::runtime_error(
            ("The folder " + folder + " is a link that leads out of the storage folder")
                .toStdString());
    if (!QDir().mkpath(nativeFolder))
        throw std::runtime_error(("Permission denied: " + folder).toStdString());
    const QFileInfo source(s.svc.paths->toNative(path));
    const QString stem = source.completeBaseName() + "-" + now.toString("HHmmss");
    const QString suffix = source.suffix().isEmpty() ? QString() : "." + source.suffix();
    QString name = stem + suffix;
    for (int n = 2; QFileInfo::exists(nativeFolder + "/" + name); ++n)
        name = stem + "-" + QString::number(n) + suffix;
    if (!QFile::rename(source.filePath(), nativeFolder + "/" + name))
        throw std::runtime_error(("Permission denied: " + path).toStdString());
    const QString recycled = folder + "\\" + name;
    s.WriteLog("Moved " + path + " to " + recycled);
    return recycled;
}

} // namespace storage
