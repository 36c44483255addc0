#pragma once
// A result set read by column name, ADO style: fully fetched on the client, with EOF and BOF.
#include "db/DbError.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

namespace db {

using Row = std::vector<QVariant>;

// Writes a changed row back; provided by the backend for updatable result sets.
class RowWriter {
public:
    virtual ~RowWriter() = default;
    // `original` is the row as fetched, `changed` the row to store (same columns).
    virtual void updateRow(const QStringList& columns, const Row& original, const Row& changed) = 0;
};

class Recordset {
public:
    Recordset() = default;
    Recordset(QStringList columns, std::vector<Row> rows,
              std::shared_ptr<RowWriter> writer = nullptr);

    bool isOpen() const { return open_; }
    void close();

    // Position. A recordset with no rows is at BOF and EOF at once.
    bool eof() const;
    bool bof() const;
    void moveFirst();
    void moveNext();
    void movePrevious();
    void moveLast();
    int recordCount() const { return static_cast<int>(rows_.size()); }
    int absolutePosition() const { return pos_; } // 0-based; -1 before first / rows at EOF

    // Columns. Names are matched case-insensitively, as the server does.
    int fieldCount() const { return columns_.size(); }
    QString fieldName(int i) const { return columns_.value(i); }
    const QStringList& fieldNames() const { return columns_; }
    int fieldIndex(const QString& name) const; // -1 when absent

    // Value of a column of the current row; raises Error for an unknown column or when the
    // position is at BOF or EOF.
    QVariant value(const QString& name) const;
    QVariant value(int column) const;
    bool isNull(const QString& name) const;
    // Text form of a value; NULL gives "".
    QString text(const QString& name) const;

    // All rows (for binding grids).
    const std::vector<Row>& rows() const { return rows_; }

    // Updatable result sets: change a column of the current row, then write it back.
    bool updatable() const { return writer_ != nullptr; }
    void setValue(const QString& name, const QVariant& v);
    void setValue(int column, const QVariant& v);
    void update(); // raises Error when not updatable or when the backend refuses

private:
    void requireRow() const;
    QStringList columns_;
    std::vector<Row> rows_;
    std::vector<Row> original_;
    std::shared_ptr<RowWriter> writer_;
    int pos_ = 0;
    bool open_ = false;
};

using RecordsetPtr = std::unique_ptr<Recordset>;

} // namespace db
