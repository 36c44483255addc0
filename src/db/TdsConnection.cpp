#include "db/TdsConnection.h"

#include "db/KeyedRowWriter.h"
#include "db/SqlTokenizer.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#define MSDBLIB 1
#include <sybdb.h>
#include <sybfront.h>

namespace db {

namespace {

constexpr int kNotConnected = 3709;
constexpr int kEncryptionRefused = TdsConnection::kEncryptionRefused;

// The name the connection's settings are filed under in the client's configuration file.
const char* const kConfiguredServer = "docuvane";

// db-lib takes TLS settings (encryption, the CA file, the certificate name check) only from
// its configuration file: the settings of each login are written to a file of this process
// (private, holding no password) that FREETDSCONF names while db-lib logs in. Logins are
// serialized by the caller.
void writeClientConfig(const ServerConfig& c) {
    static std::unique_ptr<QTemporaryFile> file;
    if (!file) {
        file = std::make_unique<QTemporaryFile>();
        file->setFileTemplate(QDir::tempPath() + "/docuvane-freetds-XXXXXX.conf");
        if (!file->open())
            throw Error(20013, "The SQL Server client settings cannot be written in " +
                                   QDir::tempPath() + ".");
    }
    auto oneLine = [](QString v) { return v.remove('\n').remove('\r').remove(';').trimmed(); };
    QString text = QStringLiteral("[global]\n\ttds version = 7.4\n[") + kConfiguredServer +
                   "]\n\thost = " + oneLine(c.server) + "\n\tport = " + QString::number(c.port) +
                   "\n\tencryption = " + (c.encrypt ? "require" : "off") + "\n";
    if (c.encrypt) {
        if (!c.caFile.isEmpty()) text += "\tca file = " + oneLine(c.caFile) + "\n";
        text += QString("\tcheck certificate hostname = ") +
                (c.checkCertificateName ? "yes" : "no") + "\n";
    }
    if (!file->resize(0) || !file->seek(0) || file->write(text.toUtf8()) < 0 || !file->flush())
        throw Error(20013, "The SQL Server client settings cannot be written in " +
                               file->fileName() + ".");
    qputenv("FREETDSCONF", file->fileName().toLocal8Bit());
}

std::mutex& loginMutex() {
    static std::mutex m;
    return m;
}

} // namespace

// The state db-lib's handlers report into. db-lib's handlers are process-wide; each
// connection's DBPROCESS carries its Impl as user data, and during the login (before there is
// a DBPROCESS) the handlers report into the connection that is logging in on this thread.
struct TdsConnection::Impl {
    DBPROCESS* proc = nullptr;
    ServerConfig config;
    int commandTimeout = 120;
    int cursorLocation = 2;
    int serverError = 0; // first server message of severity > 10 in the current call
    QString serverText;
    int libraryError = 0; // first db-lib error in the current call
    QString libraryText;
    // One statement at a time (calls may come from a background search and the window).
    std::recursive_mutex mutex;

    void reset() {
        serverError = libraryError = 0;
        serverText.clear();
        libraryText.clear();
    }

    // The error of the current call: the server's own message when there is one (it says
    // more than db-lib's "check messages from the server"), else db-lib's.
    Error failure(const QString& statement, int fallback, const QString& fallbackText) const {
        if (serverError != 0) return Error(serverError, serverText, statement);
        if (libraryError != 0) return Error(libraryError, libraryText, statement);
        return Error(fallback, fallbackText, statement);
    }

    void requireOpen(const QString& statement) const {
        if (!proc || DBDEAD(proc))
            throw Error(kNotConnected, "The connection to the server is closed.", statement);
    }
};

namespace {

thread_local TdsConnection::Impl* tLoggingIn = nullptr;

TdsConnection::Impl* implOf(DBPROCESS* proc) {
    if (proc) {
        if (auto* d = reinterpret_cast<TdsConnection::Impl*>(dbgetuserdata(proc))) return d;
    }
    return tLoggingIn;
}

int errorHandler(DBPROCESS* proc, int, int dberr, int oserr, char* dberrstr, char* oserrstr) {
    if (auto* d = implOf(proc); d && d->libraryError == 0) {
        d->libraryError = dberr;
        d->libraryText = QString::fromUtf8(dberrstr ? dberrstr : "");
        if (oserr != 0 && oserrstr && *oserrstr)
            d->libraryText += " (" + QString::fromUtf8(oserrstr) + ")";
    }
    // Cancel on every error, timeouts included: waiting again could wait forever.
    return INT_CANCEL;
}

int messageHandler(DBPROCESS* proc, DBINT msgno, int, int severity, char* msgtext, char*, char*,
                   int) {
    if (severity <= 10) return 0; // informational, e.g. 5701 "Changed database context"
    if (auto* d = implOf(proc); d && d->serverError == 0) {
        d->serverError = msgno;
        d->serverText = QString::fromUtf8(msgtext ? msgtext : "");
    }
    return 0;
}

void initDbLib() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (dbinit() == FAIL)
            throw Error(20000, "The SQL Server client library (FreeTDS) could not start.");
        dberrhandle(errorHandler);
        dbmsghandle(messageHandler);
    });
}

QVariant columnValue(DBPROCESS* proc, int column) {
    BYTE* data = dbdata(proc, column);
    const DBINT length = dbdatlen(proc, column);
    if (!data) return {};
    const int type = dbcoltype(proc, column);
    switch (type) {
    case SYBINT1:
        return int(*reinterpret_cast<const DBTINYINT*>(data));
    case SYBINT2:
        return int(*reinterpret_cast<const DBSMALLINT*>(data));
    case SYBINT4:
        return int(*reinterpret_cast<const DBINT*>(data));
    case SYBINT8:
        return qlonglong(*reinterpret_cast<const DBBIGINT*>(data));
    case SYBBIT:
    case SYBBITN:
        return *reinterpret_cast<const DBBIT*>(data) != 0;
    case SYBDATETIME:
    case SYBDATETIME4:
    case SYBDATETIMN:
    case SYBMSDATE:
    case SYBMSTIME:
    case SYBMSDATETIME2:
    case SYBMSDATETIMEOFFSET: {
        DBDATEREC2 rec{};
        if (dbanydatecrack(proc, &rec, type, data) == FAIL) return {};
        return QDateTime(QDate(rec.year, rec.month, rec.day),
                         QTime(rec.hour, rec.minute, rec.second, rec.nanosecond / 1000000));
    }
    case SYBFLT8:
    case SYBREAL:
    case SYBMONEY:
    case SYBMONEY4:
    case SYBDECIMAL:
    case SYBNUMERIC: {
        DBFLT8 value = 0;
        if (dbconvert(proc, type, data, length, SYBFLT8, reinterpret_cast<BYTE*>(&value),
                      sizeof value) < 0)
            return {};
        return double(value);
    }
    case SYBBINARY:
    case SYBVARBINARY:
    case SYBIMAGE:
        return QByteArray(reinterpret_cast<const char*>(data), length);
    case SYBCHAR:
    case SYBVARCHAR:
    case SYBTEXT:
    case SYBNVARCHAR:
    case SYBNTEXT:
        return QString::fromUtf8(reinterpret_cast<const char*>(data), length);
    default: {
        // Anything else (uniqueidentifier, ...) in its text form.
        QByteArray text(256, '\0');
        const DBINT n = dbconvert(proc, type, data, length, SYBCHAR,
                                  reinterpret_cast<BYTE*>(text.data()), text.size());
        if (n < 0) return QByteArray(reinterpret_cast<const char*>(data), length);
        return QString::fromUtf8(text.constData(), n).trimmed();
    }
    }
}

// "USE name" as one statement: the name, else nothing.
QString useTarget(const QString& text) {
    try {
        const auto t = SqlTokenizer::tokenize(text);
        size_t n = t.size() - 1;
        while (n > 0 && t[n - 1].isOp(";"))
            --n;
        if (n == 2 && t[0].isWord("USE") && t[1].isName()) return t[1].text;
    } catch (const Error&) {
    }
    return {};
}

} // namespace

struct TdsResult {
    bool hasRows = false;
    QStringList columns;
    std::vector<Row> rows;
    long changes = -1;
};

static TdsResult runStatement(TdsConnection::Impl& d, const QString& text) {
    std::lock_guard lock(d.mutex);
    d.requireOpen(text);
    d.reset();
    TdsResult result;
    const QString database = useTarget(text);
    if (!database.isEmpty()) {
        if (dbuse(d.proc, database.toUtf8().constData()) == FAIL)
            throw d.failure(text, 911, "Cannot change to database " + database + ".");
        return result;
    }
    dbsettime(d.commandTimeout); // db-lib keeps one query timeout for the process
    const QByteArray command = text.toUtf8();
    if (dbcmd(d.proc, command.constData()) == FAIL || dbsqlexec(d.proc) == FAIL) {
        const Error e = d.failure(text, 20018, "The statement failed.");
        dbcancel(d.proc);
        throw e;
    }
    RETCODE rc;
    while ((rc = dbresults(d.proc)) != NO_MORE_RESULTS) {
        if (rc == FAIL) {
            const Error e = d.failure(text, 20018, "The statement failed.");
            dbcancel(d.proc);
            throw e;
        }
        const int columns = dbnumcols(d.proc);
        if (columns > 0) {
            TdsResult set;
            set.hasRows = true;
            for (int c = 1; c <= columns; ++c)
                set.columns << QString::fromUtf8(dbcolname(d.proc, c));
            STATUS status;
            while ((status = dbnextrow(d.proc)) != NO_MORE_ROWS) {
                if (status == FAIL) {
                    const Error e = d.failure(text, 20018, "Reading the result failed.");
                    dbcancel(d.proc);
                    throw e;
                }
                if (status != REG_ROW) continue; // compute rows are not part of the result
                Row row(columns);
                for (int c = 1; c <= columns; ++c)
                    row[c - 1] = columnValue(d.proc, c);
                set.rows.push_back(std::move(row));
            }
            result = std::move(set);
        } else if (!result.hasRows) {
            const DBINT count = DBCOUNT(d.proc);
            if (count >= 0) result.changes = count;
        }
    }
    if (d.serverError != 0) // an error raised inside a batch that still completed
        throw d.failure(text, d.serverError, d.serverText);
    return result;
}

namespace {

enum class ServerEncryption { NotOffered, Offered, Unknown };

// What the server says about encryption in its answer to a pre-login message (no credentials
// are sent): the client library reports a refused encrypted login only as a failed connection.
ServerEncryption probeEncryption(const ServerConfig& config) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(config.server.toUtf8().constData(), QByteArray::number(config.port).constData(),
                    &hints, &found) != 0)
        return ServerEncryption::Unknown;
    const int timeoutMs = 1000 * std::max(1, config.loginTimeoutSeconds);
    ServerEncryption answer = ServerEncryption::Unknown;
    for (addrinfo* a = found; a && answer == ServerEncryption::Unknown; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0) continue;
        auto wait = [&](short events) {
            pollfd p{fd, events, 0};
            return ::poll(&p, 1, timeoutMs) == 1 && (p.revents & events);
        };
        if ((::connect(fd, a->ai_addr, a->ai_addrlen) == 0 || errno == EINPROGRESS) &&
            wait(POLLOUT)) {
            // PRELOGIN: VERSION (6 bytes) and ENCRYPTION (1 byte: on), then the terminator.
            const unsigned char packet[] = {0x12, 0x01, 0, 26, 0, 0, 1, 0,  // header
                                            0x00, 0, 11, 0, 6, 0x01, 0, 17, 0, 1, 0xFF,
                                            0, 0, 0, 0, 0, 0, 0x01};
            QByteArray reply;
            if (::send(fd, packet, sizeof packet, MSG_NOSIGNAL) == ssize_t(sizeof packet)) {
                while (reply.size() < 8 || reply.size() < ((uchar(reply[2]) << 8) | uchar(reply[3]))) {
                    if (!wait(POLLIN)) break;
                    char buffer[512];
                    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
                    if (n <= 0) break;
                    reply.append(buffer, int(n));
                }
            }
            const QByteArray body = reply.mid(8);
            for (int at = 0; at + 5 <= body.size() && uchar(body[at]) != 0xFF; at += 5) {
                if (uchar(body[at]) != 0x01) continue;
                const int offset = (uchar(body[at + 1]) << 8) | uchar(body[at + 2]);
                if (offset < body.size())
                    answer = uchar(body[offset]) == 0x02 ? ServerEncryption::NotOffered
                                                         : ServerEncryption::Offered;
            }
        }
        ::close(fd);
    }
    freeaddrinfo(found);
    return answer;
}

// Why a login failed, in words a user or IT can act on.
Error loginFailure(const TdsConnection::Impl& d, const ServerConfig& config) {
    const Error e = d.failure({}, 20002, "Adaptive Server connection failed.");
    if (!config.encrypt || d.serverError != 0 || e.number() != 20002) return e;
    switch (probeEncryption(config)) {
    case ServerEncryption::NotOffered:
        return Error(kEncryptionRefused,
                     "The SQL Server " + config.server +
                         " does not offer an encrypted connection, and this workstation requires "
                         "one: the program did not connect. (Ask IT to turn on encryption on the "
                         "server; [Server] Encrypt in database.ini.)");
    case ServerEncryption::Offered:
        return Error(kEncryptionRefused,
                     "The encrypted connection to the SQL Server " + config.server +
                         " could not be set up: its certificate is not signed by a trusted "
                         "authority or does not name " + config.server +
                         ". The program did not connect. ([Server] CAFile and Host in "
                         "database.ini.)");
    case ServerEncryption::Unknown:
        break;
    }
    return e;
}

} // namespace

TdsConnection::TdsConnection(const ServerConfig& config, const QString& password)
    : d_(std::make_shared<Impl>()) {
    initDbLib();
    d_->config = config;
    d_->commandTimeout = config.queryTimeoutSeconds;
    if (config.server.trimmed().isEmpty())
        throw Error(20012, "No SQL Server host is configured ([Server] Host).");
    std::lock_guard<std::mutex> serialized(loginMutex());
    writeClientConfig(config);
    LOGINREC* login = dblogin();
    if (!login) throw Error(20010, "Out of memory while preparing the SQL Server login.");
    if (config.authentication == ServerConfig::Authentication::Kerberos) {
        DBSETLNETWORKAUTH(login, TRUE);
        if (!config.servicePrincipal.isEmpty())
            DBSETLSERVERPRINCIPAL(login, config.servicePrincipal.toUtf8().constData());
    } else {
        DBSETLUSER(login, config.user.toUtf8().constData());
        DBSETLPWD(login, password.toUtf8().constData());
    }
    DBSETLAPP(login, "Docuvane");
    DBSETLCHARSET(login, "UTF-8");
    // us_english reads "2008-11-25" and "11/25/2008" as the program writes them.
    DBSETLNATLANG(login, "us_english");
    if (!config.database.isEmpty()) DBSETLDBNAME(login, config.database.toUtf8().constData());
    DBSETLVERSION(login, DBVERSION_74);
    // A login timeout of 0 would wait forever on a server that never answers.
    dbsetlogintime(config.loginTimeoutSeconds > 0 ? config.loginTimeoutSeconds : 10);
    tLoggingIn = d_.get();
    d_->reset();
    DBPROCESS* proc = dbopen(login, kConfiguredServer);
    tLoggingIn = nullptr;
    dbloginfree(login);
    if (!proc) throw loginFailure(*d_, config);
    d_->proc = proc;
    dbsetuserdata(proc, reinterpret_cast<BYTE*>(d_.get()));
    // Long texts in full (db-lib's default limit would cut them).
    runStatement(*d_, "SET TEXTSIZE 2147483647");
}

TdsConnection::~TdsConnection() {
    close();
}

RecordsetPtr TdsConnection::execute(const QString& text, long* rowsAffected) {
    TdsResult r = runStatement(*d_, text);
    if (rowsAffected) *rowsAffected = r.hasRows ? -1 : r.changes;
    if (!r.hasRows) return std::make_unique<Recordset>();
    return std::make_unique<Recordset>(std::move(r.columns), std::move(r.rows));
}

RecordsetPtr TdsConnection::open(const QString& text, CursorOptions options) {
    TdsResult r = runStatement(*d_, text);
    if (!r.hasRows) return std::make_unique<Recordset>();
    std::shared_ptr<RowWriter> writer;
    if (options.lockType == 3) {
        std::weak_ptr<Impl> weak = d_;
        auto keyOf = [this](const QString& table) {
            const QStringList parts = table.split('.');
            const QString db = parts.size() == 3 && !parts[0].isEmpty()
                                   ? parts[0]
                                   : QString::fromUtf8(dbname(d_->proc));
            const TdsResult key =
                runStatement(*d_, "SELECT name FROM [" + QString(db).replace("]", "]]") +
                                      "].sys.identity_columns WHERE object_id = OBJECT_ID(N'" +
                                      quote(table) + "')");
            return key.rows.empty() ? QString() : key.rows[0][0].toString();
        };
        writer = makeKeyedRowWriter(text, r.columns, keyOf, [weak](const QString& statement) {
            const auto d = weak.lock();
            if (!d)
                throw Error(kNotConnected, "The connection of this result set is closed.",
                            statement);
            return runStatement(*d, statement).changes;
        });
    }
    return std::make_unique<Recordset>(std::move(r.columns), std::move(r.rows), writer);
}

void TdsConnection::setCommandTimeout(int seconds) {
    d_->commandTimeout = std::max(0, seconds);
}
int TdsConnection::commandTimeout() const {
    return d_->commandTimeout;
}
void TdsConnection::setCursorLocation(int location) {
    d_->cursorLocation = location;
}
int TdsConnection::cursorLocation() const {
    return d_->cursorLocation;
}

QString TdsConnection::currentDatabase() const {
    std::lock_guard lock(d_->mutex);
    return d_->proc ? QString::fromUtf8(dbname(d_->proc)) : QString();
}

bool TdsConnection::isOpen() const {
    return d_->proc && !DBDEAD(d_->proc);
}

void TdsConnection::close() {
    std::lock_guard lock(d_->mutex);
    if (d_->proc) {
        dbsetuserdata(d_->proc, nullptr);
        dbclose(d_->proc);
        d_->proc = nullptr;
    }
}

} // namespace db
