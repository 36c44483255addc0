#include "retrieval/SearchResultModel.h"

#include <QDate>
#include <QDateTime>

namespace retrieval {

SearchResultModel::SearchResultModel(QObject* parent) : QAbstractTableModel(parent) {}

const QStringList& SearchResultModel::headings() {
    static const QStringList h = {"recfile_id",  "ID No.",         "rectype_id",
                                  "file_name",   "file_type",      "Scan By",
                                  "Record Date", "Date Scanned/Updated", "Record Type",
                                  "Description", "Hosp. No.",      "Last Name",
                                  "First Name",  "Middle Name",    "Admission Date",
                                  "Discharge Date", "Admission Date"};
    return h;
}

namespace {
QString cellText(const QVariant& v) {
    if (v.isNull()) return {};
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().toString(QStringLiteral("MM/dd/yyyy hh:mm:ss"));
    return v.toString();
}
} // namespace

void SearchResultModel::setRows(const db::Recordset& rs) {
    beginResetModel();
    rows_.clear();
    rows_.reserve(rs.rows().size());
    const int n = std::min(rs.fieldCount(), kColumns);
    for (const db::Row& r : rs.rows()) {
        QStringList texts;
        texts.reserve(kColumns);
        for (int c = 0; c < kColumns; ++c) texts << (c < n ? cellText(r[size_t(c)]) : QString());
        rows_.push_back(std::move(texts));
    }
    records_ = !rows_.empty();
    if (!records_) rows_.push_back(QStringList(QList<QString>(kColumns)));
    endResetModel();
}

void SearchResultModel::setEmptyRow() {
    beginResetModel();
    rows_.assign(1, QStringList(QList<QString>(kColumns)));
    records_ = false;
    endResetModel();
}

void SearchResultModel::clear() {
    beginResetModel();
    rows_.clear();
    records_ = false;
    endResetModel();
}

int SearchResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int SearchResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant SearchResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(rows_.size())) return {};
    const QString& t = rows_[size_t(index.row())][index.column()];
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return t;
    if (role == SortRole) {
        switch (index.column()) {
        case 0:
        case 2:
            return t.toLongLong();
        case 6:
        case 14:
        case 15: {
            const QDate d = QDate::fromString(t, QStringLiteral("MM/dd/yyyy"));
            return d.isValid() ? QVariant(d) : QVariant(QDate());
        }
        case 7: {
            // "Nov 25 2008  2:05PM"
            const QDateTime d =
                QDateTime::fromString(t.simplified(), QStringLiteral("MMM d yyyy h:mmAP"));
            return d.isValid() ? QVariant(d) : QVariant(QDateTime());
        }
        default:
            return t.toCaseFolded();
        }
    }
    return {};
}

QVariant SearchResultModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o == Qt::Horizontal && role == Qt::DisplayRole) return headings().value(section);
    return QAbstractTableModel::headerData(section, o, role);
}

} // namespace retrieval
