#include "db/SqliteConnection.h"

#include "db/EmbeddedProcedures.h"
#include "db/KeyedRowWriter.h"
#include "db/SqliteSession.h"
#include "db/TsqlTranslator.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <mutex>

namespace db {

namespace {

ColumnKind kindOfDeclaredType(const QString& declared) {
    const QString t = declared.toUpper();
    if (t.startsWith("DATETIME") || t.startsWith("DATE") || t.startsWith("SMALLDATETIME"))
        return ColumnKind::DateTime;
    if (t == "BIT") return ColumnKind::Bit;
    if (t.contains("CHAR") || t.contains("TEXT") || t.contains("CLOB")) return ColumnKind::Text;
    if (t.contains("INT")) return ColumnKind::Integer;
    if (t.contains("REAL") || t.contains("FLOA") || t.contains("DOUB")) return ColumnKind::Real;
    return ColumnKind::Unknown;
}

QString key(const QString& a, const QString& b = {}, const QString& c = {}) {
    return (a + QChar(0x1f) + b + QChar(0x1f) + c).toLower();
}

// The columns of every attached table, read from SQLite's own schema.
class SqliteCatalog : public SchemaCatalog {
public:
    void load(SqliteSession& session, const QStringList& databases) {
        byName_.clear();
        byTable_.clear();
        tables_.clear();
        for (const QString& db : databases) {
            const QString schema = TsqlTranslator::attachedName(db);
            const QueryResult tables = session.run("SELECT name FROM \"" + schema +
                                                   "\".sqlite_master WHERE type = 'table'");
            for (const Row& t : tables.rows) {
                const QString table = t[0].toString();
                if (table.startsWith("sqlite_")) continue;
                Table info;
                info.name = table;
                const QueryResult cols = session.run(
                    "SELECT name, type, pk FROM pragma_table_info(?1, ?2)", {table, schema});
                for (const Row& c : cols.rows) {
                    const QString column = c[0].toString();
                    const ColumnKind kind = kindOfDeclaredType(c[1].toString());
                    info.columns.insert(column.toLower(), {column, c[1].toString(), kind});
                    if (c[2].toInt() == 1) info.key = column;
                    byTable_.insert(key(schema, table, column), kind);
                    auto it = byName_.find(column.toLower());
                    if (it == byName_.end())
                        byName_.insert(column.toLower(), kind);
                    else if (*it != kind)
                        *it = ColumnKind::Ambiguous;
                }
                tables_.insert(key(schema, table), info);
            }
        }
    }

    ColumnKind columnKind(const QString& column) const override {
        return byName_.value(column.toLower(), ColumnKind::Unknown);
    }
    ColumnKind columnKind(const QString& database, const QString& table,
                          const QString& column) const override {
        return byTable_.value(key(database, table, column), ColumnKind::Unknown);
    }

    struct Column {
        QString name, declared;
        ColumnKind kind;
    };
    struct Table {
        QString name; // as created
        QHash<QString, Column> columns;
        QString key;
    };
    const Table* table(const QString& schema, const QString& name) const {
        const auto it = tables_.constFind(key(schema, name));
        return it == tables_.constEnd() ? nullptr : &*it;
    }

private:
    QHash<QString, ColumnKind> byName_;
    QHash<QString, ColumnKind> byTable_;
    QHash<QString, Table> tables_;
};

QStringList allDatabases() {
    QStringList l{"master"};
    l << SqliteConnection::databaseNames();
    return l;
}

} // namespace

struct SqliteConnection::Impl {
    QString folder;
    SqliteSession session;
    SqliteCatalog catalog;
    TsqlTranslator translator{allDatabases(), &catalog};
    QString currentDb;
    int cursorLocation = 2;
    bool open = true;
    // One statement at a time: the SQLite handle is opened without its own mutex, so calls
    // from several threads (a search running in the background) take turns here.
    std::recursive_mutex mutex;

    void requireOpen(const QString& statement) const {
        if (!open)
            throw Error(3704, "Operation is not allowed when the object is closed.", statement);
    }

    void schemaChanged() {
        catalog.load(session, SqliteConnection::databaseNames());
        translator.clearCache();
    }

    const SqliteCatalog::Table& requireTable(const Translation& tr, const QString& statement,
                                             int number) const {
        const auto* t = catalog.table(tr.database, tr.table);
        if (!t)
            throw Error(number,
                        "Cannot find the object \"" + tr.table +
                            "\" because it does not exist or you do not have permissions.",
                        statement);
        return *t;
    }

    QueryResult alterColumn(const Translation& tr, const QString& statement) {
        const auto& table = requireTable(tr, statement, 4902);
        const auto it = table.columns.constFind(tr.column.toLower());
        if (it == table.columns.constEnd())
            throw Error(4924,
                        "ALTER TABLE ALTER COLUMN failed because column '" + tr.column +
                            "' does not exist in table '" + table.name + "'.",
                        statement);
        if (it->kind != tr.type.kind)
            throw Error(kErrUnsupported,
                        "The embedded database does not support changing column " + tr.column +
                            " from " + it->declared + " to " + tr.type.written +
                            " in the statement: " + statement,
                        statement);
        if (tr.type.kind == ColumnKind::Text && tr.type.length > 0) {
            const QueryResult longest =
                session.run("SELECT max(length(\"" + tr.column + "\")) FROM \"" + tr.database +
                            "\".\"" + tr.table + "\"");
            if (!longest.rows.empty() && longest.rows[0][0].toInt() > tr.type.length)
                throw Error(8152, "String or binary data would be truncated.", statement);
        }
        // The stored values fit the new type; SQLite keeps text of any length, so the
        // declared width does not need to change.
        return {};
    }

    QueryResult addColumn(const Translation& tr, const QString& statement) {
        const auto& table = requireTable(tr, statement, 4902);
        if (table.columns.contains(tr.column.toLower()))
            throw Error(2705,
                        "Column names in each table must be unique. Column name '" + tr.column +
                            "' in table '" + table.name + "' is specified more than once.",
                        statement);
        session.run("ALTER TABLE \"" + tr.database + "\".\"" + tr.table + "\" ADD COLUMN \"" +
                        tr.column + "\" " + tr.type.sqliteDeclaration(),
                    {}, statement);
        schemaChanged();
        return {};
    }

    QueryResult createTable(const Translation& tr, const QString& statement) {
        if (catalog.table(tr.database, tr.table))
            throw Error(2714,
                        "There is already an object named '" + tr.table + "' in the database.",
                        statement);
        session.run("CREATE TABLE \"" + tr.database + "\".\"" + tr.table + "\" (" +
                        tr.tableColumns.join(", ") + ")",
                    {}, statement);
        schemaChanged();
        return {};
    }

    QueryResult createIndex(const Translation& tr, const QString& statement) {
        const auto& table = requireTable(tr, statement, 1088);
        for (const QString& c : tr.indexColumnNames)
            if (!table.columns.contains(c.toLower()))
                throw Error(1911,
                            "Column name '" + c + "' does not exist in the target table or view.",
                            statement);
        const QString master = "\"" + tr.database + "\".sqlite_master";
        const QueryResult existing = session.run(
            "SELECT tbl_name FROM " + master + " WHERE type = 'index' AND name = ?1 COLLATE NOCASE",
            {tr.indexName});
        const bool exists = !existing.rows.empty();
        if (exists && existing.rows[0][0].toString().compare(tr.table, Qt::CaseInsensitive) != 0)
            throw Error(kErrUnsupported,
                        "The embedded database keeps index names unique per database; '" +
                            tr.indexName + "' already names an index of table '" +
                            existing.rows[0][0].toString() + "'. Statement: " + statement,
                        statement);
        if (exists && !tr.dropExisting)
            throw Error(1913,
                        "The operation failed because an index or statistics with name '" +
                            tr.indexName + "' already exists on table 'dbo." + table.name + "'.",
                        statement);
        if (!exists && tr.dropExisting)
            throw Error(7999,
                        "Could not find any index named '" + tr.indexName + "' for table '" +
                            tr.table + "'.",
                        statement);
        if (exists)
            session.run("DROP INDEX \"" + tr.database + "\".\"" + tr.indexName + "\"", {},
                        statement);
        session.run(QString("CREATE %1INDEX \"%2\".\"%3\" ON \"%4\"(%5)")
                        .arg(tr.unique ? "UNIQUE " : "", tr.database, tr.indexName, tr.table,
                             tr.indexColumns.join(", ")),
                    {}, statement);
        return {};
    }

    QueryResult perform(const QString& text) {
        std::lock_guard lock(mutex);
        requireOpen(text);
        const Translation tr = translator.translate(text, currentDb);
        switch (tr.kind) {
        case Translation::Kind::Query:
            return session.run(tr.sql, {}, text);
        case Translation::Kind::Use:
            currentDb = tr.database;
            return {};
        case Translation::Kind::AlterColumn:
            return alterColumn(tr, text);
        case Translation::Kind::AddColumn:
            return addColumn(tr, text);
        case Translation::Kind::CreateIndex:
            return createIndex(tr, text);
        case Translation::Kind::CreateTable:
            return createTable(tr, text);
        case Translation::Kind::Procedure:
            if (tr.database.compare("dbRecords", Qt::CaseInsensitive) != 0)
                throw Error(2812, "Could not find stored procedure '" + tr.procedure + "'.", text);
            return callEmbeddedProcedure(session, tr.procedure, tr.arguments, text);
        }
        return {};
    }

    QString keyOf(const QString& written) const {
        const QStringList parts = written.split('.');
        const QString db = parts.size() == 3 ? translator.canonicalDatabase(parts[0]) : currentDb;
        const auto* t = catalog.table(TsqlTranslator::attachedName(db), parts.last());
        return t ? t->key : QString();
    }
};

const QStringList& SqliteConnection::databaseNames() {
    static const QStringList names = {"dbRecords", "PATIENT_DATA", "Password", "PayrollDB"};
    return names;
}

QString SqliteConnection::databaseFile(const QString& folder, const QString& database) {
    return QDir(folder).filePath(database + ".db");
}

SqliteConnection::SqliteConnection(const QString& folder) : SqliteConnection(folder, Options{}) {}

SqliteConnection::SqliteConnection(const QString& folder, Options options)
    : d_(std::make_shared<Impl>()) {
    d_->folder = folder;
    for (const QString& name : databaseNames()) {
        const QString file = databaseFile(folder, name);
        if (!QFileInfo(file).isFile())
            throw Error(4060, "Cannot open database \"" + name + "\": the file " + file +
                                  " does not exist.");
        d_->session.attach(file, name);
    }
    d_->catalog.load(d_->session, databaseNames());
    d_->currentDb = d_->translator.canonicalDatabase(options.initialDatabase);
    if (d_->currentDb.isEmpty())
        throw Error(911, "Database '" + options.initialDatabase + "' does not exist.");
    d_->session.setTimeout(options.commandTimeoutSeconds);
}

SqliteConnection::~SqliteConnection() = default;

RecordsetPtr SqliteConnection::execute(const QString& text, long* rowsAffected) {
    QueryResult r = d_->perform(text);
    if (rowsAffected) *rowsAffected = r.changes;
    if (!r.hasRows) return std::make_unique<Recordset>();
    return std::make_unique<Recordset>(std::move(r.columns), std::move(r.rows));
}

RecordsetPtr SqliteConnection::open(const QString& text, CursorOptions options) {
    QueryResult r = d_->perform(text);
    if (!r.hasRows) return std::make_unique<Recordset>();
    std::shared_ptr<RowWriter> writer;
    if (options.lockType == 3) {
        std::weak_ptr<Impl> weak = d_;
        writer = makeKeyedRowWriter(
            text, r.columns, [this](const QString& table) { return d_->keyOf(table); },
            [weak](const QString& statement) -> long {
                const auto d = weak.lock();
                if (!d)
                    throw Error(3704, "The connection of this result set is closed.", statement);
                return d->perform(statement).changes;
            });
    }
    return std::make_unique<Recordset>(std::move(r.columns), std::move(r.rows), writer);
}

void SqliteConnection::setCommandTimeout(int seconds) {
    std::lock_guard lock(d_->mutex);
    d_->session.setTimeout(seconds);
}
int SqliteConnection::commandTimeout() const {
    return d_->session.timeout();
}
void SqliteConnection::setCursorLocation(int location) {
    d_->cursorLocation = location;
}
int SqliteConnection::cursorLocation() const {
    return d_->cursorLocation;
}
QString SqliteConnection::currentDatabase() const {
    std::lock_guard lock(d_->mutex);
    return d_->currentDb;
}
bool SqliteConnection::isOpen() const {
    return d_->open;
}
QString SqliteConnection::folder() const {
    return d_->folder;
}

void SqliteConnection::close() {
    std::lock_guard lock(d_->mutex);
    d_->open = false;
    d_->session.close();
}

} // namespace db
