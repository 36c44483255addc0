#include "db/Recordset.h"

namespace db {

Recordset::Recordset(QStringList columns, std::vector<Row> rows, std::shared_ptr<RowWriter> writer)
    : columns_(std::move(columns)), rows_(std::move(rows)), writer_(std::move(writer)), pos_(0),
      open_(true) {
    if (writer_) original_ = rows_;
}

void Recordset::close() {
    open_ = false;
    rows_.clear();
    original_.clear();
    writer_.reset();
    pos_ = 0;
}

bool Recordset::eof() const {
    return pos_ >= static_cast<int>(rows_.size());
}

bool Recordset::bof() const {
    return rows_.empty() || pos_ < 0;
}

void Recordset::moveFirst() {
    pos_ = 0;
}

void Recordset::moveNext() {
    if (pos_ < static_cast<int>(rows_.size())) ++pos_;
}

void Recordset::movePrevious() {
    if (pos_ >= 0) --pos_;
}

void Recordset::moveLast() {
    pos_ = rows_.empty() ? 0 : static_cast<int>(rows_.size()) - 1;
}

int Recordset::fieldIndex(const QString& name) const {
    for (int i = 0; i < columns_.size(); ++i)
        if (columns_[i].compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

void Recordset::requireRow() const {
    if (!open_) throw Error(3704, "Operation is not allowed when the object is closed.");
    if (pos_ < 0 || pos_ >= static_cast<int>(rows_.size()))
        throw Error(3021, "Either BOF or EOF is True, or the current record has been deleted. "
                          "Requested operation requires a current record.");
}

static int requireColumn(const Recordset& rs, const QString& name) {
    const int i = rs.fieldIndex(name);
    if (i < 0)
        throw Error(3265, "Item cannot be found in the collection corresponding to the requested "
                          "name or ordinal: " +
                              name);
    return i;
}

QVariant Recordset::value(const QString& name) const {
    requireRow();
    return rows_[pos_][requireColumn(*this, name)];
}

QVariant Recordset::value(int column) const {
    requireRow();
    if (column < 0 || column >= columns_.size())
        throw Error(3265, QString("Column %1 is outside the result's %2 columns.")
                              .arg(column)
                              .arg(columns_.size()));
    return rows_[pos_][column];
}

bool Recordset::isNull(const QString& name) const {
    return value(name).isNull();
}

QString Recordset::text(const QString& name) const {
    const QVariant v = value(name);
    return v.isNull() ? QString() : v.toString();
}

void Recordset::setValue(const QString& name, const QVariant& v) {
    requireRow();
    setValue(requireColumn(*this, name), v);
}

void Recordset::setValue(int column, const QVariant& v) {
    requireRow();
    if (!writer_)
        throw Error(3251, "Current Recordset does not support updating. This may be a limitation "
                          "of the provider, or of the selected locktype.");
    if (column < 0 || column >= columns_.size())
        throw Error(3265, QString("Column %1 is outside the result's columns.").arg(column));
    rows_[pos_][column] = v;
}

void Recordset::update() {
    requireRow();
    if (!writer_)
        throw Error(3251, "Current Recordset does not support updating. This may be a limitation "
                          "of the provider, or of the selected locktype.");
    Row& current = rows_[pos_];
    Row& original = original_[pos_];
    if (current == original) return;
    writer_->updateRow(columns_, original, current);
    original = current;
}

} // namespace db
