#pragma once
// The rows of a record search as the grid shows them: the statement's columns in order under
// the grid's headings. Sorting by a heading (through a proxy) compares dates as dates and
// the record number as a number.
#include "db/Recordset.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

namespace retrieval {

class SearchResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumns = 17;
    // The role that sorts.
    static constexpr int SortRole = Qt::UserRole + 1;

    explicit SearchResultModel(QObject* parent = nullptr);

    static const QStringList& headings();

    // Takes the rows of a result set (column i of the grid = column i of the result; absent
    // columns stay empty).
    void setRows(const db::Recordset& rs);
    // No rows found: one empty row under the headings.
    void setEmptyRow();
    void clear();

    bool hasRecords() const { return records_; }
    int recordCount() const { return records_ ? int(rows_.size()) : 0; }
    // The texts of one row.
    const QStringList& row(int r) const { return rows_.at(size_t(r)); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;

private:
    std::vector<QStringList> rows_;
    bool records_ = false;
};

} // namespace retrieval
