#pragma once
// The pieces the T-SQL translator is built from: a statement's tokens with their bracket
// structure and the helpers both halves of the translator share (names, types, errors). The
// query rewriter (TsqlQueries.cpp) handles SELECT, INSERT, UPDATE and DELETE; the command
// parser (TsqlCommands.cpp) handles USE, ALTER TABLE, CREATE INDEX and procedure calls.
#include "db/DbError.h"
#include "db/SqlTokenizer.h"
#include "db/TsqlTranslator.h"

#include <QSet>
#include <QStringList>

namespace db::tsql {

// Words that end an expression or a name and never begin a column reference.
inline const QSet<QString>& reservedWords() {
    static const QSet<QString> words = {
        "SELECT",  "FROM",   "WHERE",     "GROUP",   "ORDER",  "BY",       "HAVING", "UNION",
        "ALL",     "EXCEPT", "INTERSECT", "INNER",   "LEFT",   "RIGHT",    "FULL",   "OUTER",
        "CROSS",   "JOIN",   "ON",        "AND",     "OR",     "NOT",      "AS",     "IS",
        "NULL",    "LIKE",   "IN",        "BETWEEN", "EXISTS", "CASE",     "WHEN",   "THEN",
        "ELSE",    "END",    "ASC",       "DESC",    "TOP",    "DISTINCT", "INTO",   "VALUES",
        "SET",     "WITH",   "COLLATE",   "ESCAPE",  "APPLY",  "UPDATE",   "DELETE", "INSERT",
        "OUTPUT",  "OPTION", "FOR",       "PERCENT", "TIES",   "DEFAULT",  "USE",    "EXEC",
        "EXECUTE", "ANY",    "SOME"};
    return words;
}

// SQLite words that are not T-SQL: a statement using them is not one the program sends.
inline const QSet<QString>& foreignWords() {
    static const QSet<QString> words = {"LIMIT",  "OFFSET", "GLOB",   "REGEXP",  "MATCH",
                                        "PRAGMA", "ATTACH", "DETACH", "NOTNULL", "VACUUM"};
    return words;
}

inline QString upper(const SqlToken& t) {
    return t.kind == SqlToken::Name ? t.upper : t.text.toUpper();
}

inline QString quoteName(const QString& name) {
    QString n = name;
    n.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

inline QString stringLiteral(const QString& value) {
    QString v = value;
    v.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + v + QLatin1Char('\'');
}

inline bool isComparison(const SqlToken& t) {
    return t.kind == SqlToken::Operator &&
           (t.text == "=" || t.text == "<>" || t.text == "!=" || t.text == "<" || t.text == ">" ||
            t.text == "<=" || t.text == ">=");
}

inline bool isArithmetic(const SqlToken& t) {
    return t.kind == SqlToken::Operator &&
           (t.text == "+" || t.text == "-" || t.text == "*" || t.text == "/" || t.text == "%");
}

// Facts about a translated expression that later rewriting depends on.
struct ExprInfo {
    ColumnKind kind = ColumnKind::Unknown;
    bool singleColumn = false;  // a plain column reference
    bool stringLiteral = false; // a plain string literal
    bool numberLiteral = false;
};

struct Expr {
    QString text;
    ExprInfo info;
};

inline const QStringList kDateStyles = {"0", "100", "101", "103", "112", "120", "121", "23"};

class TokenStream {
public:
    TokenStream(const QString& statement, const QString& currentDb, const TsqlTranslator& owner,
                const SchemaCatalog* catalog);

    // Index of the End token after dropping trailing semicolons.
    int end() const { return end_; }
    const SqlToken& tok(int i) const { return t_[std::min<size_t>(i, t_.size() - 1)]; }
    bool word(int i, const char* w) const { return tok(i).isWord(w); }

    Error unsupported(const QString& what) const {
        return Error(kErrUnsupported,
                     "The embedded database does not support " + what +
                         " in the statement: " + stmt_,
                     stmt_);
    }

    Error syntax(int i) const {
        const SqlToken& t = t_[std::min<size_t>(i, t_.size() - 1)];
        if (t.kind == SqlToken::End)
            return Error(102, "Incorrect syntax near the end of the statement: " + stmt_, stmt_);
        const QString near = t.kind == SqlToken::String ? stringLiteral(t.text) : t.text;
        if (t.kind == SqlToken::Name && reservedWords().contains(upper(t)))
            return Error(156, "Incorrect syntax near the keyword '" + near + "'.", stmt_);
        return Error(102, "Incorrect syntax near '" + near + "'.", stmt_);
    }

    // CONVERT(type, value [, style]) and CAST(value AS type), as a SQLite expression.
    Expr conversion(const SqlType& type, const Expr& value, int style, bool hasStyle) const;

protected:
    void matchParens() {
        match_.assign(t_.size(), -1);
        std::vector<int> open;
        for (int i = 0; i < static_cast<int>(t_.size()); ++i) {
            if (t_[i].isOp("(")) {
                open.push_back(i);
            } else if (t_[i].isOp(")")) {
                if (open.empty()) throw syntax(i);
                match_[i] = open.back();
                match_[open.back()] = i;
                open.pop_back();
            }
        }
        if (!open.empty()) throw syntax(open.back());
    }

    void expectWord(int i, const char* w) const {
        if (!word(i, w)) throw syntax(i);
    }

    void expectOp(int i, const char* op) const {
        if (!tok(i).isOp(op)) throw syntax(i);
    }

    // Index after the token at i, skipping a whole parenthesised group.
    int skip(int i) const { return tok(i).isOp("(") ? match_[i] + 1 : i + 1; }

    // First index in [b, e) at paren depth 0 for which `pred` holds, or e.
    template <class Pred> int findTop(int b, int e, Pred pred) const {
        for (int i = b; i < e; i = skip(i))
            if (pred(i)) return i;
        return e;
    }

    // Splits [b, e) at depth-0 commas.
    std::vector<std::pair<int, int>> splitCommas(int b, int e) const {
        std::vector<std::pair<int, int>> parts;
        int start = b;
        for (int i = b; i < e; i = skip(i)) {
            if (tok(i).isOp(",")) {
                parts.emplace_back(start, i);
                start = i + 1;
            }
        }
        parts.emplace_back(start, e);
        return parts;
    }

    // ---- names -----------------------------------------------------------------------------

    struct ObjectName {
        QStringList parts; // as written; empty text for an omitted part ("db..table")
        int end = 0;
        QString written() const { return parts.join(QLatin1Char('.')); }
    };

    ObjectName objectName(int i) const {
        ObjectName n;
        if (!tok(i).isName() ||
            (tok(i).kind == SqlToken::Name && reservedWords().contains(upper(tok(i)))))
            throw syntax(i);
        n.parts << tok(i).text;
        ++i;
        while (tok(i).isOp(".")) {
            ++i;
            if (tok(i).isOp(".")) {
                n.parts << QString();
                continue;
            }
            if (!tok(i).isName()) throw syntax(i);
            n.parts << tok(i).text;
            ++i;
        }
        if (n.parts.size() > 3) throw unsupported("four-part (linked server) names");
        n.end = i;
        return n;
    }

    struct TableName {
        QString database; // attached name
        QString table;
        QString written;
        QString sql() const { return quoteName(database) + "." + quoteName(table); }
    };

    TableName resolveTable(const ObjectName& n) const {
        TableName r;
        r.written = n.written();
        r.table = n.parts.last();
        QString schema, dbName;
        if (n.parts.size() == 3) {
            dbName = n.parts[0];
            schema = n.parts[1];
        } else if (n.parts.size() == 2) {
            schema = n.parts[0];
        }
        if (!schema.isEmpty() && schema.compare("dbo", Qt::CaseInsensitive) != 0)
            throw Error(208, "Invalid object name '" + r.written + "'.", stmt_);
        QString canonical = dbName.isEmpty() ? currentDb_ : owner_.canonicalDatabase(dbName);
        if (canonical.isEmpty())
            throw Error(208, "Invalid object name '" + r.written + "'.", stmt_);
        r.database = TsqlTranslator::attachedName(canonical);
        if (r.table.isEmpty()) throw syntax(n.end);
        return r;
    }

    SqlType sqlType(int b, int e) const {
        SqlType type;
        if (b >= e || tok(b).kind != SqlToken::Name) throw syntax(b);
        const QString w = upper(tok(b));
        int i = b + 1;
        if (tok(i).isOp("(")) {
            const int close = match_[i];
            if (word(i + 1, "MAX"))
                type.length = -1;
            else if (tok(i + 1).kind == SqlToken::Number)
                type.length = tok(i + 1).text.toInt();
            else
                throw syntax(i + 1);
            i = close + 1;
        } else if (w.contains("CHAR")) {
            type.length = 30;
        }
        if (i != e) throw syntax(i);
        type.written = stmt_.mid(tok(b).position, tok(e).position - tok(b).position).trimmed();
        if (w == "VARCHAR" || w == "NVARCHAR" || w == "CHAR" || w == "NCHAR" || w == "TEXT" ||
            w == "NTEXT") {
            type.kind = ColumnKind::Text;
            if (w.endsWith("TEXT")) type.length = -1;
        } else if (w == "INT" || w == "BIGINT" || w == "SMALLINT" || w == "TINYINT") {
            type.kind = ColumnKind::Integer;
            type.length = -1;
        } else if (w == "DATETIME" || w == "SMALLDATETIME" || w == "DATETIME2" || w == "DATE") {
            type.kind = ColumnKind::DateTime;
            type.length = -1;
        } else if (w == "BIT") {
            type.kind = ColumnKind::Bit;
            type.length = -1;
        } else {
            throw unsupported("the data type " + tok(b).text);
        }
        return type;
    }

    QString stmt_;
    QString currentDb_;
    const TsqlTranslator& owner_;
    const SchemaCatalog* catalog_;
    std::vector<SqlToken> t_;
    std::vector<int> match_;
    int end_ = 0;
};

// SELECT, INSERT, UPDATE and DELETE, rewritten for SQLite.
Translation translateQuery(TokenStream&& tokens);
// USE, ALTER TABLE, CREATE INDEX and stored procedure calls ([EXEC] name args).
Translation translateCommand(TokenStream&& tokens);

} // namespace db::tsql
