#include "safety/VersionsWindow.h"

#include "app/Prompter.h"
#include "imaging/documents/Document.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace safety {

namespace {
// Pages of a kept file; "?" when it cannot be read.
QString pagesOf(const QString& path) {
    try {
        return QString::number(imaging::Document::open(path)->pageCount());
    } catch (...) {
        return QStringLiteral("?");
    }
}
} // namespace

VersionsWindow::VersionsWindow(const VersionStore& store, const QString& recordName,
                               app::Prompter& prompter,
                               std::function<void(const QString&)> restore, QWidget* parent)
    : QDialog(parent), versions_(store.versions()), recordName_(recordName), prompter_(prompter),
      restore_(std::move(restore)) {
    setObjectName("frmVersions");
    setWindowTitle(tr("Versions of %1").arg(recordName));
    std::reverse(versions_.begin(), versions_.end()); // newest first
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Versions kept before each change of this record:"), this));
    table_ = new QTableWidget(int(versions_.size()), 3, this);
    table_->setObjectName("grdVersions");
    table_->setHorizontalHeaderLabels({tr("Time"), tr("Pages"), tr("Size")});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    const QLocale locale;
    for (int r = 0; r < int(versions_.size()); ++r) {
        const KeptVersion& v = versions_[size_t(r)];
        table_->setItem(r, 0, new QTableWidgetItem(v.time.toString("MM/dd/yyyy hh:mm:ss")));
        table_->setItem(r, 1, new QTableWidgetItem(pagesOf(v.path)));
        table_->setItem(r, 2, new QTableWidgetItem(locale.formattedDataSize(v.size)));
    }
    table_->resizeColumnsToContents();
    layout->addWidget(table_);
    auto* buttons = new QHBoxLayout;
    cmdRestore_ = new QPushButton(tr("&Restore"), this);
    cmdRestore_->setObjectName("cmdRestore");
    cmdRestore_->setEnabled(false);
    auto* close = new QPushButton(tr("&Close"), this);
    close->setObjectName("cmdClose");
    buttons->addStretch();
    buttons->addWidget(cmdRestore_);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(table_, &QTableWidget::itemSelectionChanged, this,
            [this] { cmdRestore_->setEnabled(!table_->selectedItems().isEmpty()); });
    connect(cmdRestore_, &QPushButton::clicked, this, &VersionsWindow::restoreChosen);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    resize(420, 320);
}

void VersionsWindow::restoreChosen() {
    const int row = table_->currentRow();
    if (row < 0 || row >= int(versions_.size())) return;
    const KeptVersion& v = versions_[size_t(row)];
    const QString question =
        tr("Put back the version of %1 kept at %2? The record as it is now is kept as a "
           "version, so Undo returns to it.")
            .arg(recordName_, v.time.toString("MM/dd/yyyy hh:mm:ss"));
    if (prompter_.msgBox(question, app::mb::YesNo, app::mb::Question) != app::mb::Yes) return;
    restore_(v.path);
    accept();
}

} // namespace safety
