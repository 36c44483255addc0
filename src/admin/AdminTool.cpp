#include "admin/AdminTool.h"

#include "storage/StorageCheck.h"
#include "app/Paths.h"
#include "app/Settings.h"
#include "db/DbError.h"
#include "db/ServerConfig.h"
#include "db/SqliteConnection.h"
#include "records/CurrentUserStatements.h"
#include "storage/RecordPaths.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace admin {

namespace {

using storage::CheckCounts;
using storage::CheckOptions;
using storage::checkStorage;
using storage::csvHeader;
using storage::csvLine;
using storage::Finding;
using storage::kindName;

// The storage share when the preference names none (the program's default).
const QString kDefaultShare = QStringLiteral("\\\\records-fs\\recfiles");

const char* const kUsage =
    "Usage: docuvane-admin check-storage [--from DATE] [--to DATE] [--department ID] "
    "[--csv FILE]\n"
    "       docuvane-admin unlock-user EMPLOYEE-ID\n"
    "       docuvane-admin --help\n"
    "\n"
    "check-storage  Checks the records table against the files of the storage share:\n"
    "               rows whose file is missing, files no row names, files that do not open\n"
    "               or whose pages are damaged, rows whose record type is missing.\n"
    "               Nothing is changed.\n"
    "  --from DATE       rows and date folders from this day (yyyy-mm-dd or mm/dd/yyyy)\n"
    "  --to DATE         ... up to this day\n"
    "  --department ID   one department's rows and folder (\"\" is medical records)\n"
    "  --csv FILE        one line per finding into FILE, after a header line\n"
    "\n"
    "unlock-user    Forgets the failed sign-ins of an employee ID, so that it may sign in\n"
    "               again at once (the embedded database's own password check).\n"
    "\n"
    "The database and the share are those of the program (DOCUVANE_CONFIG_DIR,\n"
    "DOCUVANE_DATA_DIR). On SQL Server the tool signs in with the Kerberos ticket when the\n"
    "settings choose it, else as the login DOCUVANE_DB_LOGIN with the password\n"
    "DOCUVANE_DB_PASSWORD (environment variables: no password is kept in a file).\n"
    "Exit status: 0 nothing wrong, 1 problems found, 2 the check could not run.\n";

QDate parseDay(const QString& text) {
    const QDate iso = QDate::fromString(text.trimmed(), Qt::ISODate);
    return iso.isValid() ? iso : storage::parseRecordDate(text);
}

std::unique_ptr<db::Connection> openDatabase(const app::ProgramFolders& folders) {
    const db::ConnectionSettings cs =
        db::loadConnectionSettings(folders.databaseConfig());
    if (cs.backend == db::ConnectionSettings::Backend::SqlServer)
        return db::openConnection(cs, qEnvironmentVariable("DOCUVANE_DB_LOGIN"),
                                  qEnvironmentVariable("DOCUVANE_DB_PASSWORD"));
    // The embedded database is opened only when it exists: the check creates nothing.
    const QString folder =
        cs.embeddedFolder.isEmpty() ? folders.embeddedDatabase() : cs.embeddedFolder;
    if (!QFileInfo::exists(db::SqliteConnection::databaseFile(folder, "dbRecords")))
        throw std::runtime_error(
            ("There is no records database in " + folder + ".").toStdString());
    return std::make_unique<db::SqliteConnection>(folder);
}

int checkStorageCommand(const QStringList& args, const app::ProgramFolders& folders, QTextStream& out,
                        QTextStream& err, bool showProgress) {
    CheckOptions options;
    QString csvPath;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "--help" || a == "-h") {
            out << kUsage;
            return 0;
        }
        if (i + 1 >= args.size() ||
            (a != "--from" && a != "--to" && a != "--department" && a != "--csv")) {
            err << "docuvane-admin: unknown or incomplete option " << a << "\n" << kUsage;
            return 2;
        }
        const QString v = args[++i];
        if (a == "--csv") {
            csvPath = v;
        } else if (a == "--department") {
            options.department = v.trimmed();
        } else {
            const QDate d = parseDay(v);
            if (!d.isValid()) {
                err << "docuvane-admin: " << a << " " << v << " is not a date\n";
                return 2;
            }
            (a == "--from" ? options.from : options.to) = d;
        }
    }
    if (options.from.isValid() && options.to.isValid() && options.from > options.to) {
        err << "docuvane-admin: --from is after --to\n";
        return 2;
    }
    QFile csv(csvPath);
    QTextStream csvOut(&csv);
    if (!csvPath.isEmpty()) {
        if (!csv.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            err << "docuvane-admin: cannot write " << csvPath << ": " << csv.errorString()
                << "\n";
            return 2;
        }
        csvOut << csvHeader() << "\n";
    }
    try {
        app::IniSettingsStore settings(folders.config);
        QString root = settings.read(app::kAppPrefs, "General Preferences", "Default Directory");
        if (root.isEmpty()) root = kDefaultShare;
        const app::PathMapper paths(&settings, QDir::homePath(), app::PathMapper::defaultGvfsRoot());
        const QString nativeRoot = paths.toNative(root);
        if (!QFileInfo(nativeRoot).isDir()) {
            err << "docuvane-admin: the storage folder " << root << " (" << nativeRoot
                << ") cannot be reached\n";
            return 2;
        }
        const auto connection = openDatabase(folders);
        QElapsedTimer sinceShown;
        sinceShown.start();
        bool shown = false;
        const CheckCounts counts = checkStorage(
            *connection, paths, root, options,
            [&](const Finding& f) {
                if (showProgress && shown) {
                    err << "\r\033[K";
                    err.flush();
                }
                shown = false;
                out << kindName(f.kind) << ": "
                    << (f.recfileId.isEmpty() ? f.path
                                              : "row " + f.recfileId + " (" + f.admissionId +
                                                    ", " + f.storedName + ")")
                    << ": " << f.detail << "\n";
                out.flush();
                if (!csvPath.isEmpty()) csvOut << csvLine(f) << "\n";
            },
            [&](const CheckCounts& c) {
                if (!showProgress || sinceShown.elapsed() < 200) return;
                sinceShown.restart();
                err << "\r" << c.rows << " rows, " << c.checked << " files checked, " << c.listed
                    << " files listed";
                err.flush();
                shown = true;
            });
        if (showProgress && shown) {
            err << "\r\033[K";
            err.flush();
        }
        out << counts.summary() << "\n";
        if (!csvPath.isEmpty()) {
            csvOut.flush();
            if (!csv.flush()) {
                err << "docuvane-admin: cannot write " << csvPath << "\n";
                return 2;
            }
        }
        return counts.clean() ? 0 : 1;
    } catch (const std::exception& e) {
        err << "docuvane-admin: " << e.what() << "\n";
        return 2;
    }
}

int unlockUserCommand(const QStringList& args, const app::ProgramFolders& folders,
                      QTextStream& out, QTextStream& err) {
    if (args.size() != 1 || args[0].trimmed().isEmpty() || args[0].startsWith("-")) {
        err << "docuvane-admin: unlock-user needs one employee ID\n" << kUsage;
        return 2;
    }
    const QString id = args[0].trimmed();
    try {
        const auto connection = openDatabase(folders);
        long changed = 0;
        connection->execute(records::deleteSignInAttempts(id), &changed);
        out << (changed > 0 ? "Employee ID " + id + " is unlocked: its failed sign-ins are forgotten."
                            : "Employee ID " + id + " has no failed sign-ins.")
            << "\n";
        return 0;
    } catch (const std::exception& e) {
        err << "docuvane-admin: " << e.what() << "\n";
        return 2;
    }
}

} // namespace

int runAdmin(const QStringList& arguments, const app::ProgramFolders& folders, QTextStream& out,
             QTextStream& err, bool progress) {
    if (arguments.isEmpty() || arguments[0] == "--help" || arguments[0] == "-h") {
        (arguments.isEmpty() ? err : out) << kUsage;
        return arguments.isEmpty() ? 2 : 0;
    }
    if (arguments[0] == "check-storage")
        return checkStorageCommand(arguments.mid(1), folders, out, err, progress);
    if (arguments[0] == "unlock-user") return unlockUserCommand(arguments.mid(1), folders, out, err);
    err << "docuvane-admin: unknown command " << arguments[0] << "\n" << kUsage;
    return 2;
}

} // namespace admin
