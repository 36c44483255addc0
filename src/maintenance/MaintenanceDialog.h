#pragma once
// The maintenance dialog (`frmMaintenance`, "Viewer 2"): loads one row of the record files by
// its number into an editable grid, saves the corrected columns, and shows the row's file in
// the file manager or the system's image viewer.
#include "db/Recordset.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTableWidget;

namespace app {
struct Session;
}
namespace viewer {
class MainWindow;
}

namespace maintenance {

// One loaded row, editable. The record number is the key and stays read-only; an edit that
// could not be stored (a record type that is no number, an ID or file name the storage
// refuses, a text longer than its column) is refused with the reason.
class RecordRowModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordRowModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    void setRecordset(db::Recordset* rs);
    db::Recordset* recordset() const { return rs_; }
    bool changed() const { return changed_; }
    void markSaved() { changed_ = false; }
    // Called with the reason when an edit is refused.
    std::function<void(const QString&)> refused;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    std::optional<QString> problem(const QString& column, const QString& text) const;
    db::Recordset* rs_ = nullptr;
    bool changed_ = false;
};

class MaintenanceDialog : public QDialog {
    Q_OBJECT
public:
    // Opens with `recFileId` in its box and that row loaded (none for an empty number).
    MaintenanceDialog(app::Session& session, viewer::MainWindow& main, QWidget* owner,
                      const QString& recFileId = {});
    ~MaintenanceDialog() override;

    void cmdGo_Click();
    void cmdUpdate_Click();
    void cmdOpenFolder_Click();
    void cmdOpen_Click();

    QLineEdit* txtRecFileID = nullptr;
    QPushButton* cmdGo = nullptr;
    QTableView* DataGrid1 = nullptr;
    QPushButton* cmdUpdate = nullptr;
    QTableWidget* Grid1 = nullptr;
    QPushButton* cmdOpenFolder = nullptr;
    QPushButton* cmdOpen = nullptr;
    QLabel* lblStatus = nullptr;

    RecordRowModel& row() const { return *model_; }

private:
    void Form_Load();
    void fetch();
    // Whether the user may save the edited row; says why not.
    void recordSaveHistory();
    bool maySave();
    void fillFileList();
    QString selectedPath() const;
    int twipsX(int twips) const;

    app::Session& s_;
    viewer::MainWindow& main_;
    db::RecordsetPtr rs_;
    RecordRowModel* model_ = nullptr;
    QVariant loadedType_; // the row's rectype_id as loaded
    db::Row savedRow_;    // the row as loaded or last saved (the access history's old values)
};

} // namespace maintenance
