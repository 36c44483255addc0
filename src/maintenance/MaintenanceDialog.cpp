#include "maintenance/MaintenanceDialog.h"

#include "app/Access.h"
#include "app/CurrentUser.h"
#include "app/Failure.h"
#include "app/Paths.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "app/Shell.h"
#include "db/Connection.h"
#include "records/RetrievalStatements.h"
#include "storage/RecordPaths.h"
#include "viewer/MainWindow.h"
#include "history/Event.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace maintenance {

// ---- the row ------------------------------------------------------------------------------

void RecordRowModel::setRecordset(db::Recordset* rs) {
    beginResetModel();
    rs_ = rs;
    changed_ = false;
    endResetModel();
}

int RecordRowModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !rs_ ? 0 : rs_->recordCount();
}

int RecordRowModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !rs_ ? 0 : rs_->fieldCount();
}

QVariant RecordRowModel::data(const QModelIndex& index, int role) const {
    if (!rs_ || !index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    const QVariant v = rs_->rows().at(size_t(index.row())).at(size_t(index.column()));
    return v.isNull() ? QVariant(QString()) : QVariant(v.toString());
}

QVariant RecordRowModel::headerData(int section, Qt::Orientation o, int role) const {
    if (rs_ && o == Qt::Horizontal && role == Qt::DisplayRole) return rs_->fieldName(section);
    return QAbstractTableModel::headerData(section, o, role);
}

Qt::ItemFlags RecordRowModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (rs_ && index.isValid() &&
        rs_->fieldName(index.column()).compare("recfile_id", Qt::CaseInsensitive) != 0)
        f |= Qt::ItemIsEditable;
    return f;
}

std::optional<QString> RecordRowModel::problem(const QString& column, const QString& text) const {
    const QString c = column.toLower();
    if (!text.isValidUtf16())
        return QStringLiteral("The value holds characters that are not valid text.");
    if (c == "rectype_id") {
        bool ok = false;
        text.trimmed().toInt(&ok);
        if (!ok) return QStringLiteral("The record type must be a whole number.");
        return std::nullopt;
    }
    if (c == "admission_id") {
        if (text.size() > 50) return QStringLiteral("The ID is longer than 50 characters.");
        return storage::invalidIdReason(text);
    }
    if (c == "file_name") return storage::storedNameProblem(text);
    return std::nullopt;
}

bool RecordRowModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!rs_ || !index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const QString column = rs_->fieldName(index.column());
    const QString text = value.toString();
    if (text == data(index, Qt::EditRole).toString()) return true;
    if (const auto why = problem(column, text)) {
        if (refused) refused(*why + " The change is not taken.");
        return false;
    }
    rs_->moveFirst();
    for (int r = 0; r < index.row(); ++r) rs_->moveNext();
    if (column.compare("rectype_id", Qt::CaseInsensitive) == 0)
        rs_->setValue(index.column(), text.trimmed().toInt());
    else
        rs_->setValue(index.column(), text);
    changed_ = true;
    emit dataChanged(index, index);
    return true;
}

// ---- the dialog ---------------------------------------------------------------------------

MaintenanceDialog::MaintenanceDialog(app::Session& session, viewer::MainWindow& main,
                                     QWidget* owner, const QString& recFileId)
    : QDialog(owner), s_(session), main_(main) {
    setObjectName("frmMaintenance");
    setWindowTitle("Viewer 2");
    auto* top = new QHBoxLayout;
    txtRecFileID = new QLineEdit(recFileId, this);
    txtRecFileID->setObjectName("txtRecFileID");
    cmdGo = new QPushButton("Load", this);
    cmdGo->setObjectName("cmdGo");
    cmdGo->setAutoDefault(false);
    auto* idLabel = new QLabel("Record number", this);
    idLabel->setBuddy(txtRecFileID);
    top->addWidget(idLabel);
    top->addWidget(txtRecFileID);
    top->addWidget(cmdGo);
    top->addStretch();

    model_ = new RecordRowModel(this);
    model_->refused = [this](const QString& why) {
        s_.svc.prompter->msgBox(why, app::mb::OKOnly, app::mb::Exclamation);
    };
    DataGrid1 = new QTableView(this);
    DataGrid1->setObjectName("DataGrid1");
    DataGrid1->setModel(model_);
    DataGrid1->verticalHeader()->hide();
    DataGrid1->setMinimumHeight(90);

    cmdUpdate = new QPushButton("Save", this);
    cmdUpdate->setObjectName("cmdUpdate");
    cmdUpdate->setAutoDefault(false);
    lblStatus = new QLabel(this);
    lblStatus->setObjectName("lblStatus");
    auto* saveRow = new QHBoxLayout;
    saveRow->addWidget(cmdUpdate);
    saveRow->addWidget(lblStatus, 1);

    Grid1 = new QTableWidget(0, 2, this);
    Grid1->setObjectName("Grid1");
    Grid1->setHorizontalHeaderLabels({"File", "State"});
    Grid1->verticalHeader()->hide();
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid1->horizontalHeader()->setStretchLastSection(true);
    cmdOpenFolder = new QPushButton("Open Folder", this);
    cmdOpenFolder->setObjectName("cmdOpenFolder");
    cmdOpenFolder->setAutoDefault(false);
    cmdOpen = new QPushButton("Win Viewer", this);
    cmdOpen->setObjectName("cmdOpen");
    cmdOpen->setAutoDefault(false);
    auto* fileButtons = new QHBoxLayout;
    fileButtons->addWidget(cmdOpenFolder);
    fileButtons->addWidget(cmdOpen);
    fileButtons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(DataGrid1, 2);
    layout->addLayout(saveRow);
    layout->addWidget(Grid1, 1);
    layout->addLayout(fileButtons);

    connect(cmdGo, &QPushButton::clicked, this, [this] { cmdGo_Click(); });
    connect(txtRecFileID, &QLineEdit::returnPressed, this, [this] { cmdGo_Click(); });
    connect(cmdUpdate, &QPushButton::clicked, this, [this] { cmdUpdate_Click(); });
    connect(cmdOpenFolder, &QPushButton::clicked, this, [this] { cmdOpenFolder_Click(); });
    connect(cmdOpen, &QPushButton::clicked, this, [this] { cmdOpen_Click(); });
    resize(twipsX(9800), 420);
    Form_Load();
}

MaintenanceDialog::~MaintenanceDialog() = default;

int MaintenanceDialog::twipsX(int twips) const {
    return qRound(twips / main_.twipsPerPixelX());
}

void MaintenanceDialog::Form_Load() {
    Grid1->setColumnWidth(0, twipsX(8000));
    fetch();
}

void MaintenanceDialog::cmdGo_Click() { fetch(); }

void MaintenanceDialog::fetch() {
    Grid1->setRowCount(0);
    lblStatus->clear();
    model_->setRecordset(nullptr);
    if (rs_) rs_->close();
    rs_.reset();
    loadedType_.clear();
    // No number (no row was chosen in the search): nothing to look up.
    if (txtRecFileID->text().isEmpty()) return;
    app::Steps steps(app::FailureStyle::ShowAndStop, s_.svc.log, s_.svc.prompter);
    steps.format([](const app::ErrorInfo& e) {
        return "The record could not be loaded: " + e.description;
    });
    steps([&] {
        rs_ = app::recordsConnection(s_).open(
            records::selectRecordFileForMaintenance(txtRecFileID->text()), db::kDynamicOptimistic);
    });
    if (!rs_) return;
    model_->setRecordset(rs_.get());
    if (rs_->fieldCount() > 3) DataGrid1->setColumnWidth(3, twipsX(5000));
    if (rs_->isOpen() && rs_->recordCount() == 0) lblStatus->setText("No record has that number.");
    const int typeColumn = rs_->fieldIndex("rectype_id");
    if (rs_->isOpen() && rs_->recordCount() > 0 && typeColumn >= 0)
        loadedType_ = rs_->rows().front().at(size_t(typeColumn));
    if (rs_->isOpen() && rs_->recordCount() > 0) savedRow_ = rs_->rows().front();
    fillFileList();
}

void MaintenanceDialog::fillFileList() {
    Grid1->setRowCount(0);
    if (!rs_ || !rs_->isOpen() || rs_->recordCount() == 0) return;
    const int col = rs_->fieldIndex("file_name");
    if (col < 0) return;
    const QString stored = rs_->rows().front().at(size_t(col)).toString();
    const storage::Resolved f =
        storage::resolveStoredName(*s_.svc.paths, s_.gstrDefaultDirectory, stored, nullptr);
    Grid1->setRowCount(1);
    QString state;
    if (!f.found)
        state = "The file cannot be found under the storage folder " + s_.gstrDefaultDirectory + ".";
    else if (!QFileInfo::exists(s_.svc.paths->toNative(f.path)))
        state = "The file is missing.";
    Grid1->setItem(0, 0, new QTableWidgetItem(f.found ? f.path : QString()));
    Grid1->setItem(0, 1, new QTableWidgetItem(state));
    Grid1->setCurrentCell(0, 0);
}

void MaintenanceDialog::cmdUpdate_Click() {
    if (!rs_ || !rs_->isOpen() || rs_->recordCount() == 0) {
        s_.svc.prompter->msgBox("No record is loaded: type its number and press Load.");
        return;
    }
    if (!model_->changed()) {
        lblStatus->setText("Nothing was changed.");
        return;
    }
    if (!maySave()) {
        lblStatus->setText("Not saved.");
        return;
    }
    app::Steps steps(app::FailureStyle::ShowAndStop, s_.svc.log, s_.svc.prompter);
    steps.format([](const app::ErrorInfo& e) {
        return "The record was not saved: " + e.description +
               "\r\nPress Load to see the record as it is stored now.";
    });
    if (!steps([&] {
            rs_->moveFirst();
            rs_->update();
        }))
        return;
    model_->markSaved();
    recordSaveHistory();
    lblStatus->setText("Saved.");
    fillFileList();
}

// The save in the access history: each column changed, with its old and its new value.
void MaintenanceDialog::recordSaveHistory() {
    const db::Row& now = rs_->rows().front();
    QStringList changes;
    for (int c = 0; c < rs_->fieldCount() && size_t(c) < savedRow_.size(); ++c)
        if (now.at(size_t(c)).toString() != savedRow_.at(size_t(c)).toString())
            changes << QString("%1: '%2' -> '%3'")
                           .arg(rs_->fieldName(c), savedRow_.at(size_t(c)).toString(),
                                now.at(size_t(c)).toString());
    auto column = [&](const char* name) {
        const int i = rs_->fieldIndex(QString::fromLatin1(name));
        return i >= 0 ? now.at(size_t(i)).toString() : QString();
    };
    history::Event e;
    e.action = history::Action::MaintenanceSave;
    e.recFileId = txtRecFileID->text().toLongLong();
    e.admissionId = column("admission_id");
    e.fileName = column("file_name");
    if (s_.rec.gstrRecFileId == txtRecFileID->text()) e.hospitalNumber = s_.rec.gstrHospNum;
    e.details = changes.join("; ");
    s_.recordHistory(e);
    savedRow_ = now;
}

bool MaintenanceDialog::maySave() {
    // Correcting a row is administration: the settings gate, and rights that allow changes.
    if (!app::CanChangeSettings(s_)) return false;
    if (app::refuseWithoutRights(s_)) return false;
    const int typeColumn = rs_->fieldIndex("rectype_id");
    if (typeColumn < 0) return true;
    const QVariant type = rs_->rows().front().at(size_t(typeColumn));
    // A row filed under a type removed since can still be corrected in its other columns.
    if (type.toString() == loadedType_.toString()) return true;
    bool exists = false;
    app::Steps steps(app::FailureStyle::ShowAndStop, s_.svc.log, s_.svc.prompter);
    steps.format([](const app::ErrorInfo& e) {
        return "The record type could not be checked: " + e.description + "\r\nNothing was saved.";
    });
    if (!steps([&] {
            auto check = app::recordsConnection(s_).open(
                records::selectRecordTypeExists(type.toInt()), db::kClientReadOnly);
            exists = check->isOpen() && !check->eof();
            check->close();
        }))
        return false;
    if (!exists)
        s_.svc.prompter->msgBox("Record type " + type.toString() +
                                    " does not exist: type the number of an existing record "
                                    "type. Nothing was saved.",
                                app::mb::OKOnly, app::mb::Exclamation);
    return exists;
}

QString MaintenanceDialog::selectedPath() const {
    const int r = Grid1->currentRow();
    if (r < 0 || !Grid1->item(r, 0)) return {};
    return Grid1->item(r, 0)->text();
}

void MaintenanceDialog::cmdOpenFolder_Click() {
    app::Steps steps(app::FailureStyle::Skip);
    steps([&] {
        const QString path = selectedPath();
        if (!path.contains('\\')) return;
        s_.svc.shell->run("explorer " + path.left(path.lastIndexOf('\\') + 1),
                          app::kMinimizedFocus);
    });
}

void MaintenanceDialog::cmdOpen_Click() {
    const QString path = selectedPath();
    if (path.isEmpty()) return;
    app::Steps steps(app::FailureStyle::ShowAndStop, s_.svc.log, s_.svc.prompter);
    steps([&] {
        s_.svc.shell->run(
            "rundll32.exe c:\\windows\\System32\\shimgvw.dll, ImageView_Fullscreen    " + path,
            app::kMinimizedFocus);
    });
}

} // namespace maintenance
