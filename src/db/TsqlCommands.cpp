#include "db/TsqlParsing.h"

namespace db::tsql {

namespace {

class CommandParser : public TokenStream {
public:
    explicit CommandParser(TokenStream&& tokens) : TokenStream(std::move(tokens)) {}

    Translation run() {
        const QString w = tok(0).kind == SqlToken::Name ? upper(tok(0)) : QString();
        if (w == "USE") return use(end());
        if (w == "ALTER") return alterTable(end());
        if (w == "CREATE") return word(1, "TABLE") ? createTable(end()) : createIndex(end());
        if (w == "EXEC" || w == "EXECUTE") return procedure(1, end());
        return procedure(0, end());
    }

private:
    // ---- commands --------------------------------------------------------------------------

    Translation use(int e) {
        if (!tok(1).isName() || e != 2) throw syntax(e > 2 ? 2 : 1);
        const QString canonical = owner_.canonicalDatabase(tok(1).text);
        if (canonical.isEmpty())
            throw Error(911,
                        "Database '" + tok(1).text +
                            "' does not exist. Make sure that the name is entered correctly.",
                        stmt_);
        Translation tr;
        tr.kind = Translation::Kind::Use;
        tr.database = canonical;
        return tr;
    }

    Translation alterTable(int e) {
        expectWord(1, "TABLE");
        const ObjectName n = objectName(2);
        const TableName table = resolveTable(n);
        int i = n.end;
        Translation tr;
        tr.database = table.database;
        tr.table = table.table;
        if (word(i, "ALTER") && word(i + 1, "COLUMN")) {
            tr.kind = Translation::Kind::AlterColumn;
            i += 2;
        } else if (word(i, "ADD")) {
            tr.kind = Translation::Kind::AddColumn;
            ++i;
            if (word(i, "COLUMN"))
                throw Error(156, "Incorrect syntax near the keyword 'column'.", stmt_);
            if (word(i, "CONSTRAINT") || word(i, "PRIMARY") || word(i, "UNIQUE"))
                throw unsupported("adding constraints");
        } else {
            throw tok(i).kind == SqlToken::Name ? unsupported("ALTER TABLE ... " + upper(tok(i)))
                                                : syntax(i);
        }
        if (!tok(i).isName()) throw syntax(i);
        tr.column = tok(i).text;
        ++i;
        int typeEnd = e;
        if (word(e - 1, "NULL")) {
            typeEnd = word(e - 2, "NOT") ? e - 2 : e - 1;
            if (typeEnd == e - 2 && tr.kind == Translation::Kind::AddColumn)
                throw unsupported("adding a NOT NULL column");
        }
        const int comma = findTop(i, typeEnd, [&](int k) { return tok(k).isOp(","); });
        if (comma < typeEnd) throw unsupported("several columns in one ALTER TABLE");
        tr.type = sqlType(i, typeEnd);
        return tr;
    }

    // CREATE TABLE name (column type [CONSTRAINT name] [NULL | NOT NULL] [PRIMARY KEY], ...):
    // columns and a column's primary key only.
    Translation createTable(int e) {
        const ObjectName n = objectName(2);
        const TableName table = resolveTable(n);
        Translation tr;
        tr.kind = Translation::Kind::CreateTable;
        tr.database = table.database;
        tr.table = table.table;
        int i = n.end;
        expectOp(i, "(");
        const int close = match_[i];
        if (close + 1 != e) throw syntax(close + 1);
        auto option = [&](int k) {
            return word(k, "NULL") || word(k, "NOT") || word(k, "CONSTRAINT") ||
                   word(k, "PRIMARY") || word(k, "IDENTITY") || word(k, "DEFAULT");
        };
        for (auto [cb, ce] : splitCommas(i + 1, close)) {
            if (cb >= ce || !tok(cb).isName()) throw syntax(cb);
            if (word(cb, "CONSTRAINT") || word(cb, "PRIMARY") || word(cb, "UNIQUE"))
                throw unsupported("table constraints");
            int k = cb + 1;
            while (k < ce && !option(k)) ++k;
            QString column = quoteName(tok(cb).text) + " " + sqlType(cb + 1, k).sqliteDeclaration();
            bool identity = false;
            while (k < ce) {
                if (word(k, "NOT") && word(k + 1, "NULL")) {
                    column += " NOT NULL";
                    k += 2;
                } else if (word(k, "NULL")) {
                    ++k;
                } else if (word(k, "CONSTRAINT") && tok(k + 1).isName()) {
                    k += 2;
                } else if (word(k, "PRIMARY") && word(k + 1, "KEY")) {
                    column += " PRIMARY KEY";
                    k += 2;
                    if (word(k, "CLUSTERED") || word(k, "NONCLUSTERED")) ++k;
                } else if (word(k, "IDENTITY")) {
                    // IDENTITY [(seed, increment)]: numbered by SQLite's rowid, from 1 by 1.
                    identity = true;
                    ++k;
                    if (tok(k).isOp("(")) k = match_[k] + 1;
                } else {
                    throw unsupported("the column option " + upper(tok(k)));
                }
            }
            if (identity) {
                if (!column.endsWith(" PRIMARY KEY") || !column.contains(" INTEGER"))
                    throw unsupported("an IDENTITY column that is not an int primary key");
                column += " AUTOINCREMENT";
            }
            tr.tableColumns << column;
        }
        return tr;
    }

    Translation createIndex(int e) {
        int i = 1;
        Translation tr;
        tr.kind = Translation::Kind::CreateIndex;
        if (word(i, "UNIQUE")) {
            tr.unique = true;
            ++i;
        }
        if (word(i, "CLUSTERED") || word(i, "NONCLUSTERED"))
            ++i; // SQLite has no clustered indexes; the rows stay in key order anyway
        if (!word(i, "INDEX")) throw unsupported("the statement CREATE " + tok(i).text.toUpper());
        ++i;
        if (!tok(i).isName()) throw syntax(i);
        tr.indexName = tok(i).text;
        ++i;
        expectWord(i, "ON");
        const ObjectName n = objectName(i + 1);
        const TableName table = resolveTable(n);
        tr.database = table.database;
        tr.table = table.table;
        i = n.end;
        expectOp(i, "(");
        const int close = match_[i];
        for (auto [cb, ce] : splitCommas(i + 1, close)) {
            if (cb >= ce || !tok(cb).isName()) throw syntax(cb);
            QString direction = " ASC";
            if (ce == cb + 2 && (word(cb + 1, "ASC") || word(cb + 1, "DESC")))
                direction = " " + upper(tok(cb + 1));
            else if (ce != cb + 1)
                throw syntax(cb + 1);
            tr.indexColumnNames << tok(cb).text;
            // A built-in collation keeps the table writable from any SQLite connection.
            tr.indexColumns << quoteName(tok(cb).text) + " COLLATE BINARY" + direction;
        }
        i = close + 1;
        if (word(i, "INCLUDE") || word(i, "WHERE"))
            throw unsupported("CREATE INDEX ... " + upper(tok(i)));
        if (word(i, "WITH")) {
            expectOp(i + 1, "(");
            const int optClose = match_[i + 1];
            static const QSet<QString> options = {
                "PAD_INDEX",        "STATISTICS_NORECOMPUTE",
                "SORT_IN_TEMPDB",   "DROP_EXISTING",
                "ONLINE",           "ALLOW_ROW_LOCKS",
                "ALLOW_PAGE_LOCKS", "IGNORE_DUP_KEY",
                "FILLFACTOR",       "OPTIMIZE_FOR_SEQUENTIAL_KEY"};
            for (auto [ob, oe] : splitCommas(i + 2, optClose)) {
                if (oe != ob + 3 || !tok(ob + 1).isOp("=")) throw syntax(ob);
                const QString option = upper(tok(ob));
                if (!options.contains(option))
                    throw unsupported("the index option " + tok(ob).text);
                const SqlToken& v = tok(ob + 2);
                const bool on = v.isWord("ON");
                if (!on && !v.isWord("OFF") && v.kind != SqlToken::Number) throw syntax(ob + 2);
                if (option == "DROP_EXISTING") tr.dropExisting = on;
                if (option == "IGNORE_DUP_KEY" && on) throw unsupported("IGNORE_DUP_KEY = ON");
            }
            i = optClose + 1;
        }
        if (word(i, "ON")) {
            if (!tok(i + 1).isName() || tok(i + 1).text.compare("PRIMARY", Qt::CaseInsensitive))
                throw unsupported("file groups other than PRIMARY");
            i += 2;
        }
        if (i != e) throw syntax(i);
        return tr;
    }

    Translation procedure(int b, int e) {
        const ObjectName n = objectName(b);
        QString dbName;
        if (n.parts.size() == 3) dbName = n.parts[0];
        const QString schema = n.parts.size() >= 2 ? n.parts[n.parts.size() - 2] : QString();
        if (!schema.isEmpty() && schema.compare("dbo", Qt::CaseInsensitive) != 0)
            throw Error(2812, "Could not find stored procedure '" + n.written() + "'.", stmt_);
        const QString canonical = dbName.isEmpty() ? currentDb_ : owner_.canonicalDatabase(dbName);
        if (canonical.isEmpty())
            throw Error(2812, "Could not find stored procedure '" + n.written() + "'.", stmt_);
        Translation tr;
        tr.kind = Translation::Kind::Procedure;
        tr.database = canonical;
        tr.procedure = n.parts.last();
        int i = n.end;
        while (i < e) {
            const SqlToken& t = tok(i);
            bool negative = false;
            int at = i;
            if (t.isOp("-") && tok(i + 1).kind == SqlToken::Number) {
                negative = true;
                ++at;
            }
            const SqlToken& v = tok(at);
            if (v.kind == SqlToken::String) {
                tr.arguments.emplace_back(v.text);
            } else if (v.kind == SqlToken::Number) {
                const QString text = (negative ? "-" : "") + v.text;
                bool ok = false;
                const qlonglong asInt = text.toLongLong(&ok);
                tr.arguments.push_back(ok ? QVariant(asInt) : QVariant(text.toDouble()));
            } else if (v.isWord("NULL")) {
                tr.arguments.emplace_back();
            } else if (v.kind == SqlToken::Variable) {
                throw unsupported("named or variable procedure arguments");
            } else {
                throw syntax(at);
            }
            i = at + 1;
            if (i < e) {
                if (word(i, "OUTPUT") || word(i, "OUT")) throw unsupported("OUTPUT arguments");
                expectOp(i, ",");
                ++i;
                if (i >= e) throw syntax(i);
            }
        }
        return tr;
    }
};

} // namespace

Translation translateCommand(TokenStream&& tokens) {
    return CommandParser(std::move(tokens)).run();
}

// CONVERT(type, value [, style]) and CAST(value AS type).
Expr TokenStream::conversion(const SqlType& type, const Expr& value, int style,
                              bool hasStyle) const {
    Expr x;
    x.info.kind = type.kind;
    switch (type.kind) {
    case ColumnKind::Text: {
        const QString len = QString::number(type.length);
        if (value.info.kind == ColumnKind::DateTime) {
            x.text = "tsql_format_datetime(" + value.text + ", " +
                     QString::number(hasStyle ? style : 0) + ", " + len + ")";
        } else if (hasStyle && value.info.kind != ColumnKind::Text &&
                   value.info.kind != ColumnKind::Integer) {
            throw unsupported("CONVERT with a style of a value whose type is not known (" +
                              value.text + ")");
        } else {
            x.text = "tsql_to_text(" + value.text + ", " + len + ")";
        }
        return x;
    }
    case ColumnKind::Integer:
        x.text = "tsql_to_int(" + value.text + ")";
        return x;
    case ColumnKind::DateTime:
        x.text =
            "tsql_datetime(" + value.text + ", " + QString::number(hasStyle ? style : 0) + ")";
        return x;
    case ColumnKind::Bit:
        x.text = "tsql_to_bit(" + value.text + ")";
        return x;
    default:
        throw unsupported("this conversion");
    }
}

} // namespace db::tsql
