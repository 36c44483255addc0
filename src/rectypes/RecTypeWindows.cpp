#include "rectypes/RecTypeWindows.h"

#include "app/CurrentUser.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "db/Connection.h"
#include "records/RecTypeStatements.h"
#include "viewer/MainWindow.h"
#include "history/Event.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace rectypes {

namespace {

// Grid columns and their widths in twips.
constexpr int kColDefault = 0;
constexpr int kColId = 1;
constexpr int kColName = 2;
constexpr int kWidths[3] = {800, 0, 4600};

// The lengths of tblRecType's name and description columns.
constexpr int kNameLength = 50;
constexpr int kDescLength = 150;

db::Connection& connection(app::Session& s) { return app::recordsConnection(s); }

QString employeeCode(app::Session& s) {
    return s.gobjCurrentUser ? s.gobjCurrentUser->EmployeeCode() : QString();
}

// The messages of these windows have no title.
void say(app::Session& s, const QString& text, int icon) {
    s.svc.prompter->msgBox(text, app::mb::OKOnly, icon, QString());
}

bool isTrue(const QVariant& v) {
    if (v.typeId() == QMetaType::Bool) return v.toBool();
    bool ok = false;
    const int n = v.toString().trimmed().toInt(&ok);
    return ok ? n != 0 : v.toString().trimmed().compare("true", Qt::CaseInsensitive) == 0;
}

} // namespace

QValidator::State UpperCaseValidator::validate(QString& input, int&) const {
    input = input.toUpper();
    return Acceptable;
}

// ---------------------------------------------------------------------------------------
// frmRectype

RecTypeListWindow::RecTypeListWindow(viewer::MainWindow& main, DialogRunner runDialog,
                                     QWidget* parent)
    : QDialog(parent, Qt::Window), main_(main), runDialog_(std::move(runDialog)) {
    setObjectName("frmRectype");
    setWindowTitle("Record Type");

    Frame1 = new QGroupBox(" List of Record Type ", this);
    Frame1->setObjectName("Frame1");
    fgridRectype = new QTableWidget(Frame1);
    fgridRectype->setObjectName("fgridRectype");
    fgridRectype->setSelectionBehavior(QAbstractItemView::SelectRows);
    fgridRectype->setSelectionMode(QAbstractItemView::SingleSelection);
    fgridRectype->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fgridRectype->verticalHeader()->hide();
    fgridRectype->horizontalHeader()->setStretchLastSection(true);
    auto* frameLayout = new QVBoxLayout(Frame1);
    frameLayout->addWidget(fgridRectype);

    auto button = [this](const QString& name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    btnAdd = button("btnAdd", "&Add New");
    btnEdit = button("btnEdit", "&Edit");
    btnDelete = button("btnDelete", "Delete");
    btnDefault = button("btnDefault", "&Default");
    btnClose = button("btnClose", "&Close");
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {btnAdd, btnEdit, btnDelete, btnDefault}) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(btnClose);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(Frame1, 1);
    layout->addLayout(buttons);

    connect(btnAdd, &QPushButton::clicked, this, [this] { command(&RecTypeListWindow::btnAdd_Click); });
    connect(btnEdit, &QPushButton::clicked, this, [this] { command(&RecTypeListWindow::btnEdit_Click); });
    connect(btnDelete, &QPushButton::clicked, this,
            [this] { command(&RecTypeListWindow::btnDelete_Click); });
    connect(btnDefault, &QPushButton::clicked, this,
            [this] { command(&RecTypeListWindow::btnDefault_Click); });
    connect(btnClose, &QPushButton::clicked, this, [this] { btnClose_Click(); });
    connect(fgridRectype, &QTableWidget::cellDoubleClicked, this,
            [this] { command(&RecTypeListWindow::btnEdit_Click); });

    const double tx = main_.twipsPerPixelX();
    resize(qRound((kWidths[0] + kWidths[2] + 2600) / tx), qRound(5200 / main_.twipsPerPixelY()));
    layoutGrid();
    // The list's load.
    main_.runCommand([this] { RecType_refresh(); });
}

RecTypeListWindow::~RecTypeListWindow() = default;

app::Session& RecTypeListWindow::session() const { return main_.session(); }

void RecTypeListWindow::command(void (RecTypeListWindow::*handler)()) {
    main_.runCommand([this, handler] { (this->*handler)(); });
}

void RecTypeListWindow::layoutGrid() {
    fgridRectype->setColumnCount(3);
    fgridRectype->setHorizontalHeaderLabels({"Default", QString(), "Record Type"});
    const double tx = main_.twipsPerPixelX();
    for (int c = 0; c < 3; ++c) fgridRectype->setColumnWidth(c, qRound(kWidths[c] / tx));
    fgridRectype->setColumnHidden(kColId, true);
}

void RecTypeListWindow::RecType_refresh() {
    app::Session& s = session();
    const int keep = currentTypeId();
    fgridRectype->clearContents();
    fgridRectype->setRowCount(0);
    db::RecordsetPtr rs = connection(s).open(records::selectDepartmentRecordTypes(s.gstrDepartmentID),
                                             db::kClientReadOnly);
    if (rs->bof() && rs->eof()) {
        fgridRectype->setRowCount(1);
        fgridRectype->setEnabled(false);
    } else {
        int row = 0, current = 0;
        for (; !rs->eof(); rs->moveNext(), ++row) {
            fgridRectype->setRowCount(row + 1);
            const int id = rs->value("rectype_id").toInt();
            auto put = [&](int col, const QString& text) {
                fgridRectype->setItem(row, col, new QTableWidgetItem(text));
            };
            put(kColDefault, isTrue(rs->value("rectype_default")) ? "*" : "");
            put(kColId, QString::number(id));
            put(kColName, rs->text("rectype_name"));
            if (id == keep) current = row;
        }
        fgridRectype->setEnabled(true);
        fgridRectype->setCurrentCell(current, kColName);
    }
    layoutGrid();
    rs->close();
}

int RecTypeListWindow::currentTypeId() const {
    const int row = std::max(0, fgridRectype->currentRow());
    const QTableWidgetItem* item = fgridRectype->item(row, kColId);
    return item ? item->text().toInt() : 0;
}

void RecTypeListWindow::btnAdd_Click() {
    RecTypeAddDialog dialog(*this);
    runDialog_(dialog);
}

void RecTypeListWindow::btnEdit_Click() {
    RecTypeEditDialog dialog(*this);
    runDialog_(dialog);
}

namespace {
// A change of the record types in the access history.
void recordTypeHistory(const app::Session& s, const QString& what) {
    history::Event e;
    e.action = history::Action::RecordTypeChange;
    e.details = what;
    s.recordHistory(e);
}
} // namespace

void RecTypeListWindow::btnDefault_Click() {
    connection(session()).execute(records::setDefaultRecordType(currentTypeId()));
    recordTypeHistory(session(), QString("type %1 made the default").arg(currentTypeId()));
    RecType_refresh();
}

void RecTypeListWindow::btnDelete_Click() {
    app::Session& s = session();
    db::Connection& c = connection(s);
    const int id = currentTypeId();
    auto inUse = [&] {
        db::RecordsetPtr rs = c.open(records::checkRecordTypeInUse(id), db::kClientReadOnly);
        const bool used = !rs->eof() && rs->value("chkRecType").toString().trimmed() == "1";
        rs->close();
        return used;
    };
    const QString linked = "Record Type cannot be deleted because it is linked to another record!";
    if (inUse()) {
        say(s, linked, app::mb::Critical);
        return;
    }
    if (s.svc.prompter->msgBox("Selected Record Type will be deleted.  Are you sure?",
                               app::mb::YesNo, app::mb::NoIcon, QString()) != app::mb::Yes)
        return;
    long deleted = -1;
    c.execute(records::deleteUnusedRecordType(id), &deleted);
    RecType_refresh();
    if (deleted == 0) {
        // Filed meanwhile, or deleted by someone else.
        say(s, inUse() ? linked : "Record Type was not deleted because it no longer exists!",
            app::mb::Critical);
        return;
    }
    recordTypeHistory(s, QString("type %1 deleted").arg(id));
    say(s, "Record Type successfully deleted!", app::mb::Information);
}

void RecTypeListWindow::btnClose_Click() { close(); }

// ---------------------------------------------------------------------------------------
// The add and edit dialogs

RecTypeDialog::RecTypeDialog(RecTypeListWindow& list, const QString& name, const QString& caption)
    : QDialog(&list), list_(list) {
    setObjectName(name);
    setWindowTitle(caption);
    setModal(true);
    txtName = new QLineEdit(this);
    txtName->setObjectName("txtName");
    txtName->setMaxLength(kNameLength);
    txtName->setValidator(new UpperCaseValidator(txtName));
    txtDesc = new QLineEdit(this);
    txtDesc->setObjectName("txtDesc");
    txtDesc->setMaxLength(kDescLength);
    auto* nameLabel = new QLabel("RecType Name:", this);
    nameLabel->setObjectName("lblName");
    nameLabel->setBuddy(txtName);
    auto* descLabel = new QLabel("RecType Description:", this);
    descLabel->setObjectName("lblDesc");
    descLabel->setBuddy(txtDesc);
    auto* grid = new QGridLayout(this);
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(txtName, 0, 1);
    grid->addWidget(descLabel, 1, 0);
    grid->addWidget(txtDesc, 1, 1);
    buttons_ = new QHBoxLayout;
    buttons_->addStretch();
    grid->addLayout(buttons_, 2, 0, 1, 2);
    grid->setColumnMinimumWidth(1, qRound(4200 / list.main().twipsPerPixelX()));
}

QPushButton* RecTypeDialog::addButton(const QString& name, const QString& text) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(name);
    buttons_->addWidget(b);
    return b;
}

void RecTypeDialog::runCommand(const std::function<void()>& command) {
    list_.main().runCommand(command);
}

QString RecTypeDialog::acceptableName(int editedId) {
    app::Session& s = list_.session();
    const QString name = txtName->text().trimmed();
    if (name.isEmpty()) {
        say(s, "Record Type Name is required!", app::mb::Critical);
        return {};
    }
    const QString check =
        editedId == 0 ? records::selectRecordTypeNamed(name, s.gstrDepartmentID)
                      : records::selectOtherRecordTypeNamed(name, s.gstrDepartmentID, editedId);
    db::RecordsetPtr rs = connection(s).open(check, db::kClientReadOnly);
    const bool exists = !rs->eof();
    rs->close();
    if (exists) {
        say(s, "'" + name + "' already exist!", app::mb::Critical);
        return {};
    }
    return name;
}

RecTypeAddDialog::RecTypeAddDialog(RecTypeListWindow& list)
    : RecTypeDialog(list, "frmRectype_Add", "Add New Record Type") {
    btnOk = addButton("btnOk", "&OK");
    btnCancel = addButton("btnCancel", "&Cancel");
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, [this] { runCommand([this] { btnOk_Click(); }); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancel_Click(); });
}

void RecTypeAddDialog::btnOk_Click() {
    app::Session& s = list_.session();
    const QString name = acceptableName(0);
    if (name.isEmpty()) return;
    long added = -1;
    connection(s).execute(
        records::insertRecordType(name, txtDesc->text(), employeeCode(s), s.gstrDepartmentID),
        &added);
    if (added == 0) {
        say(s, "Record Type was not added!", app::mb::Critical);
        return;
    }
    list_.RecType_refresh();
    recordTypeHistory(s, "type added: " + name + " (" + txtDesc->text() + ")");
    say(s, "Record Type successfully added!", app::mb::Information);
    accept();
}

void RecTypeAddDialog::btnCancel_Click() { reject(); }

RecTypeEditDialog::RecTypeEditDialog(RecTypeListWindow& list)
    : RecTypeDialog(list, "frmRectype_Edit", "Edit Record Type") {
    btnUpdate = addButton("btnUpdate", "&Update");
    btnCancel = addButton("btnCancel", "&Cancel");
    btnUpdate->setDefault(true);
    connect(btnUpdate, &QPushButton::clicked, this,
            [this] { runCommand([this] { btnUpdate_Click(); }); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancel_Click(); });
    Form_Load();
}

void RecTypeEditDialog::Form_Load() {
    id_ = list_.currentTypeId();
    db::RecordsetPtr rs =
        connection(list_.session()).open(records::getRecordType(id_), db::kClientReadOnly);
    if (!rs->eof()) {
        txtName->setText(rs->text("rectype_name"));
        txtDesc->setText(rs->text("rectype_desc"));
    }
    rs->close();
}

void RecTypeEditDialog::btnUpdate_Click() {
    app::Session& s = list_.session();
    // Refused as Add refuses it: an empty name, or the name of another type.
    const QString name = acceptableName(id_);
    if (name.isEmpty()) return;
    long updated = -1;
    connection(s).execute(records::updateRecordType(id_, name, txtDesc->text(), employeeCode(s),
                                                    s.gstrDepartmentID),
                          &updated);
    list_.RecType_refresh();
    if (updated == 0) {
        say(s, "Record Type was not updated because it no longer exists!", app::mb::Critical);
        reject();
        return;
    }
    recordTypeHistory(s, QString("type %1 changed: %2 (%3)").arg(id_).arg(name, txtDesc->text()));
    say(s, "Record Type successfully updated!", app::mb::Information);
    accept();
}

void RecTypeEditDialog::btnCancel_Click() { reject(); }

} // namespace rectypes
