#include "app/Browse.h"

#include "app/Classes.h"
#include "app/CurrentUser.h"
#include "app/Failure.h"
#include "db/Connection.h"
#include "records/CaptureStatements.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <stdexcept>

namespace app {

ClassesProgram& BasicClassesComponent::Program() {
    if (!program_) program_ = std::make_shared<ClassesProgram>(*this);
    return *program_;
}

namespace {

QStringList splitList(const QString& text) {
    QStringList out;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (!part.trimmed().isEmpty()) out << part.trimmed();
    return out;
}

// Enter in the grid chooses the row.
class EnterFilter : public QObject {
public:
    EnterFilter(QObject* parent, std::function<void()> onEnter)
        : QObject(parent), onEnter_(std::move(onEnter)) {}
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                onEnter_();
                return true;
            }
        }
        return QObject::eventFilter(o, e);
    }

private:
    std::function<void()> onEnter_;
};

} // namespace

BrowseWindow* ClassesProgram::newbrowse() {
    const BrowseComponent& b = browse_;
    if (!b.PropParentWindow) throw std::runtime_error("The browse has no parent window.");
    if (b.PropTable.isEmpty() || splitList(b.PropFieldList).isEmpty())
        throw std::runtime_error("The browse has no table or no fields to list.");
    const std::shared_ptr<CurrentUser> user = owner_.talvorUser();
    if (!user || !user->sqlconnection())
        throw std::runtime_error("The browse has no database connection.");
    auto* w = new BrowseWindow(b, owner_);
    if (!b.PropFindBeforeListing && w->find(QString(), QString()) < 0) {
        const QString why = w->findChild<QLabel*>("lblCount")->text();
        delete w;
        throw std::runtime_error(why.toStdString());
    }
    w->show();
    w->txtFind1->setFocus();
    return w;
}

BrowseWindow::BrowseWindow(const BrowseComponent& props, ClassesComponent& owner)
    : QDialog(props.PropParentWindow), props_(props), owner_(owner),
      fields_(splitList(props.PropFieldList)), parent_(props.PropParentWindow) {
    setObjectName("frmBrowse");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(props.PropWindowTitle.isEmpty() ? "Browse - " + props.PropTable
                                                   : props.PropWindowTitle);
    auto* finds = new QGridLayout;
    auto addFind = [&](int row, const QString& name, const QString& label) {
        auto* l = new QLabel(label.isEmpty() ? QStringLiteral("Find:") : label + ":", this);
        l->setObjectName(QStringLiteral("lblFind%1").arg(row + 1));
        auto* t = new QLineEdit(this);
        t->setObjectName(name);
        l->setBuddy(t);
        finds->addWidget(l, row, 0);
        finds->addWidget(t, row, 1);
        return t;
    };
    txtFind1 = addFind(0, "txtFind1", props.PropFindLabel1);
    txtFind2 = addFind(1, "txtFind2", props.PropFindLabel2);
    cmdFind = new QPushButton("&Find", this);
    cmdFind->setObjectName("cmdFind");
    cmdFind->setAutoDefault(false);
    finds->addWidget(cmdFind, 0, 2);

    fgridBrowse = new QTableWidget(0, fields_.size(), this);
    fgridBrowse->setObjectName("fgridBrowse");
    fgridBrowse->setHorizontalHeaderLabels(fields_);
    fgridBrowse->setSelectionBehavior(QAbstractItemView::SelectRows);
    fgridBrowse->setSelectionMode(QAbstractItemView::SingleSelection);
    fgridBrowse->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fgridBrowse->verticalHeader()->hide();
    fgridBrowse->horizontalHeader()->setStretchLastSection(true);
    const QStringList sizes = splitList(props.PropFieldSizes);
    const double twipsPerPixel = 1440.0 / logicalDpiX();
    int gridWidth = 0;
    for (int c = 0; c < fields_.size(); ++c) {
        const int twips = c < sizes.size() ? sizes[c].toInt() : 1500;
        const int px = qMax(20, qRound(twips / twipsPerPixel));
        fgridBrowse->setColumnWidth(c, px);
        gridWidth += px;
    }
    fgridBrowse->installEventFilter(new EnterFilter(fgridBrowse, [this] { choose(); }));

    lblCount = new QLabel(props.PropFindBeforeListing ? "Type a name or a number and press Enter."
                                                      : QString(),
                          this);
    lblCount->setObjectName("lblCount");
    lblCount->setWordWrap(true);
    cmdSelect = new QPushButton("&Select", this);
    cmdSelect->setObjectName("cmdSelect");
    cmdCancel = new QPushButton("&Cancel", this);
    cmdCancel->setObjectName("cmdCancel");
    for (QPushButton* b : {cmdSelect, cmdCancel}) b->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblCount, 1);
    buttons->addWidget(cmdSelect);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(finds);
    layout->addWidget(fgridBrowse, 1);
    layout->addLayout(buttons);
    resize(qMax(480, gridWidth + 40), 420);

    connect(txtFind1, &QLineEdit::returnPressed, this,
            [this] { find(props_.PropFindField1, txtFind1->text().trimmed()); });
    connect(txtFind2, &QLineEdit::returnPressed, this,
            [this] { find(props_.PropFindField2, txtFind2->text().trimmed()); });
    connect(cmdFind, &QPushButton::clicked, this, &BrowseWindow::cmdFind_Click);
    connect(fgridBrowse, &QTableWidget::cellDoubleClicked, this, [this] { choose(); });
    connect(cmdSelect, &QPushButton::clicked, this, [this] { choose(); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void BrowseWindow::cmdFind_Click() {
    if (!txtFind2->text().trimmed().isEmpty() && txtFind1->text().trimmed().isEmpty())
        find(props_.PropFindField2, txtFind2->text().trimmed());
    else
        find(props_.PropFindField1, txtFind1->text().trimmed());
}

int BrowseWindow::columnOf(const QString& field) const {
    for (int c = 0; c < fields_.size(); ++c)
        if (fields_[c].compare(field, Qt::CaseInsensitive) == 0) return c;
    return -1;
}

int BrowseWindow::find(const QString& field, const QString& value) {
    fgridBrowse->setRowCount(0);
    const QString findField = field.isEmpty() ? props_.PropFindField1 : field;
    int rows = -1;
    Steps steps(FailureStyle::Skip);
    steps([&] {
        const std::shared_ptr<CurrentUser> user = owner_.talvorUser();
        db::Connection* c = user ? user->sqlconnection() : nullptr;
        if (!c) throw std::runtime_error("The browse has no database connection.");
        const QString orderField = findField.isEmpty() ? fields_.value(0) : findField;
        db::RecordsetPtr rs =
            c->open(records::selectBrowseRows(props_.PropDatabaseName, props_.PropTable, fields_.join(", "),
                                              findField, value, orderField),
                    db::kClientReadOnly);
        fgridBrowse->setRowCount(rs->recordCount());
        int r = 0;
        for (; !rs->eof(); rs->moveNext(), ++r)
            for (int col = 0; col < fields_.size(); ++col)
                fgridBrowse->setItem(r, col, new QTableWidgetItem(rs->text(fields_[col]).trimmed()));
        rs->close();
        rows = r;
    });
    if (rows < 0) {
        lblCount->setText(steps.lastError().description + kBrowseFailureSuffix);
        return -1;
    }
    lblCount->setText(rows == 1 ? QStringLiteral("1 row found") : QStringLiteral("%1 rows found").arg(rows));
    if (rows > 0) {
        fgridBrowse->setCurrentCell(0, 0);
        fgridBrowse->setFocus();
    }
    return rows;
}

bool BrowseWindow::choose() {
    const int row = fgridBrowse->currentRow();
    if (row < 0 || row >= fgridBrowse->rowCount()) return false;
    auto cell = [&](const QString& field) {
        const int c = columnOf(field);
        const QTableWidgetItem* item = c < 0 ? nullptr : fgridBrowse->item(row, c);
        return item ? item->text() : QString();
    };
    if (parent_) {
        auto write = [&](const QString& control, const QString& field) {
            if (control.isEmpty()) return;
            if (auto* box = parent_->findChild<QLineEdit*>(control)) box->setText(cell(field));
            QMetaObject::invokeMethod(parent_.data(), "RefreshControl", Qt::DirectConnection,
                                      Q_ARG(QString, control), Q_ARG(int, row + 1));
        };
        write(props_.PropControlNameToUpdate, props_.PropFieldNameID);
        write(props_.PropControlNameToUpdateDesc, props_.PropFieldNameDesc);
    }
    accept();
    return true;
}

} // namespace app
