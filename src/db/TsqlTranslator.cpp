#include "db/TsqlTranslator.h"

#include "db/TsqlParsing.h"

namespace db {

namespace tsql {

TokenStream::TokenStream(const QString& statement, const QString& currentDb,
                         const TsqlTranslator& owner, const SchemaCatalog* catalog)
    : stmt_(statement), currentDb_(currentDb), owner_(owner), catalog_(catalog),
      t_(SqlTokenizer::tokenize(statement)) {
    matchParens();
    int end = static_cast<int>(t_.size()) - 1; // the End token
    while (end > 0 && t_[end - 1].isOp(";"))
        --end;
    for (int i = 0; i < end; ++i)
        if (t_[i].isOp(";")) throw unsupported("more than one statement in one call");
    if (end == 0) throw Error(102, "Incorrect syntax: the statement is empty.", stmt_);
    end_ = end;
}

} // namespace tsql

namespace {

constexpr int kCacheLimit = 256;

const QSet<QString>& statementWords() {
    static const QSet<QString> words = {"CREATE", "DROP",   "TRUNCATE", "DECLARE", "IF",
                                        "BEGIN",  "COMMIT", "ROLLBACK", "SET",     "WHILE",
                                        "MERGE",  "GRANT",  "PRINT",    "RETURN",  "GO"};
    return words;
}

enum class Statement { Query, Command };

// Which half of the translator takes the statement, by its first word.
Statement classify(const tsql::TokenStream& s) {
    const SqlToken& first = s.tok(0);
    const QString w = first.kind == SqlToken::Name ? tsql::upper(first) : QString();
    if (w == "SELECT" || w == "INSERT" || w == "UPDATE" || w == "DELETE") return Statement::Query;
    if (w == "USE" || w == "ALTER" || w == "CREATE" || w == "EXEC" || w == "EXECUTE" ||
        first.kind == SqlToken::QuotedName ||
        (first.kind == SqlToken::Name && !tsql::reservedWords().contains(w) &&
         !statementWords().contains(w)))
        return Statement::Command;
    throw s.unsupported("the statement " + first.text.toUpper());
}

} // namespace

QString SqlType::sqliteDeclaration() const {
    switch (kind) {
    case ColumnKind::Text:
        return (length > 0 ? QString("VARCHAR(%1)").arg(length) : QString("TEXT")) +
               " COLLATE TSQL";
    case ColumnKind::Integer:
        return "INTEGER";
    case ColumnKind::DateTime:
        return "DATETIME";
    case ColumnKind::Bit:
        return "BIT";
    default:
        return "BLOB";
    }
}

TsqlTranslator::TsqlTranslator(QStringList databases, const SchemaCatalog* catalog)
    : databases_(std::move(databases)), catalog_(catalog) {}

QString TsqlTranslator::canonicalDatabase(const QString& name) const {
    for (const QString& d : databases_)
        if (d.compare(name, Qt::CaseInsensitive) == 0) return d;
    return {};
}

QString TsqlTranslator::attachedName(const QString& canonical) {
    return canonical.compare("master", Qt::CaseInsensitive) == 0 ? QStringLiteral("main")
                                                                 : canonical;
}

Translation TsqlTranslator::translate(const QString& statement,
                                      const QString& currentDatabase) const {
    const QString key = currentDatabase + QChar(0x1f) + statement;
    const auto hit = cache_.constFind(key);
    if (hit != cache_.constEnd()) return *hit;
    tsql::TokenStream tokens(statement, currentDatabase, *this, catalog_);
    Translation tr = classify(tokens) == Statement::Query
                         ? tsql::translateQuery(std::move(tokens))
                         : tsql::translateCommand(std::move(tokens));
    if (cache_.size() >= kCacheLimit) cache_.clear();
    cache_.insert(key, tr);
    return tr;
}

} // namespace db
