#include "db/KeyedRowWriter.h"

#include "db/Connection.h"
#include "db/SqlTokenizer.h"

#include <QDateTime>

namespace db {

namespace {

constexpr int kRowNotFound = -2147217864; // ADO: the row to update was changed or deleted

QString bracket(const QString& name) {
    QString n = name;
    n.replace("]", "]]");
    return "[" + n + "]";
}

} // namespace

std::optional<SingleTableSelect> parseSingleTableSelect(const QString& statement) {
    std::vector<SqlToken> t;
    try {
        t = SqlTokenizer::tokenize(statement);
    } catch (const Error&) {
        return std::nullopt;
    }
    size_t i = 0;
    auto at = [&](size_t k) -> const SqlToken& { return t[std::min(k, t.size() - 1)]; };
    if (!at(i).isWord("SELECT")) return std::nullopt;
    ++i;
    if (at(i).isWord("TOP")) {
        if (at(i + 1).kind != SqlToken::Number) return std::nullopt;
        i += 2;
    }
    SingleTableSelect s;
    if (at(i).isOp("*")) {
        ++i;
    } else {
        for (;;) {
            if (!at(i).isName()) return std::nullopt;
            QString column = at(i).text;
            ++i;
            if (at(i).isOp(".")) { // alias.column
                if (!at(i + 1).isName()) return std::nullopt;
                column = at(i + 1).text;
                i += 2;
            }
            s.columns << column;
            if (!at(i).isOp(",")) break;
            ++i;
        }
    }
    if (!at(i).isWord("FROM")) return std::nullopt;
    ++i;
    QStringList parts;
    if (!at(i).isName()) return std::nullopt;
    parts << at(i).text;
    ++i;
    while (at(i).isOp(".")) {
        ++i;
        if (at(i).isOp(".")) {
            parts << QString();
            continue;
        }
        if (!at(i).isName()) return std::nullopt;
        parts << at(i).text;
        ++i;
    }
    if (parts.size() > 3) return std::nullopt;
    s.table = parts.join('.');
    // What may follow: an alias, table hints, WHERE and ORDER BY; nothing that joins tables.
    for (; at(i).kind != SqlToken::End; ++i) {
        const SqlToken& k = at(i);
        if (k.isWord("JOIN") || k.isWord("UNION") || k.isWord("GROUP") || k.isWord("HAVING") ||
            k.isWord("DISTINCT") || k.isWord("EXCEPT") || k.isWord("INTERSECT") || k.isOp(",") ||
            k.isWord("SELECT"))
            return std::nullopt;
    }
    return s;
}

QString sqlLiteral(const QVariant& v) {
    if (v.isNull()) return "NULL";
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool() ? "1" : "0";
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
        return QString::number(v.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(v.toDouble(), 'g', 17);
    case QMetaType::QDateTime:
        return "'" + v.toDateTime().toString("yyyy-MM-ddTHH:mm:ss.zzz") + "'";
    case QMetaType::QDate:
        return "'" + v.toDate().toString("yyyyMMdd") + "'";
    default:
        return "N'" + quote(v.toString()) + "'";
    }
}

KeyedRowWriter::KeyedRowWriter(std::function<long(const QString&)> execute, QString table,
                               QString keyColumn, QStringList tableColumns)
    : execute_(std::move(execute)), table_(std::move(table)), key_(std::move(keyColumn)),
      tableColumns_(std::move(tableColumns)) {
    for (int i = 0; i < tableColumns_.size(); ++i)
        if (tableColumns_[i].compare(key_, Qt::CaseInsensitive) == 0) keyIndex_ = i;
}

QString KeyedRowWriter::updateStatement(const Row& original, const Row& changed) const {
    QStringList sets, checks;
    for (int i = 0; i < tableColumns_.size() && i < int(changed.size()); ++i) {
        if (changed[i] == original[i] && changed[i].isNull() == original[i].isNull()) continue;
        if (i == keyIndex_) throw Error(3251, "The key column " + key_ + " cannot be changed.");
        const QString column = bracket(tableColumns_[i]);
        sets << column + " = " + sqlLiteral(changed[i]);
        checks << (original[i].isNull() ? column + " IS NULL"
                                        : column + " = " + sqlLiteral(original[i]));
    }
    if (sets.isEmpty()) return {};
    return "UPDATE " + table_ + " SET " + sets.join(", ") + " WHERE " + bracket(key_) + " = " +
           sqlLiteral(original[keyIndex_]) +
           (checks.isEmpty() ? "" : " AND " + checks.join(" AND "));
}

void KeyedRowWriter::updateRow(const QStringList&, const Row& original, const Row& changed) {
    const QString statement = updateStatement(original, changed);
    if (statement.isEmpty()) return;
    if (execute_(statement) < 1)
        throw Error(kRowNotFound,
                    "Row cannot be located for updating. Some values may have been changed "
                    "since it was last read.",
                    statement);
}

std::shared_ptr<RowWriter>
makeKeyedRowWriter(const QString& statement, const QStringList& resultColumns,
                   const std::function<QString(const QString& table)>& keyOf,
                   std::function<long(const QString&)> execute) {
    const auto select = parseSingleTableSelect(statement);
    if (!select)
        throw Error(3251,
                    "An updatable result set needs a SELECT of plain columns from one "
                    "table: " +
                        statement,
                    statement);
    const QStringList tableColumns = select->columns.isEmpty() ? resultColumns : select->columns;
    const QString key = keyOf(select->table);
    if (key.isEmpty() || !tableColumns.contains(key, Qt::CaseInsensitive))
        throw Error(3251,
                    "An updatable result set must include the key column" +
                        (key.isEmpty() ? QString() : " " + key) + " of its table: " + statement,
                    statement);
    return std::make_shared<KeyedRowWriter>(std::move(execute), select->table, key, tableColumns);
}

} // namespace db
