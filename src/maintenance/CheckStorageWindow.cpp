#include "maintenance/CheckStorageWindow.h"

#include "app/Access.h"
#include "app/CurrentUser.h"
#include "app/Paths.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "jobs/Job.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"
#include "viewer/ToolWindows.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <memory>

namespace maintenance {

CheckStorageWindow::CheckStorageWindow(viewer::MainWindow& w)
    : QWidget(&w, Qt::Window), w_(w) {
    setObjectName("frmCheckStorage");
    setWindowTitle("Check Storage");
    setAttribute(Qt::WA_DeleteOnClose);
    const app::Session& s = w.session();
    lblDepartment = new QLabel(this);
    lblDepartment->setObjectName("lblDepartment");
    lblDepartment->setText(
        "Rows and files of " +
        (s.gstrDepartmentID.isEmpty() ? QStringLiteral("medical records") : s.gstrDepartmentID) +
        " under " + s.gstrDefaultDirectoryD);
    lblSummary = new QLabel("Check compares the records table with the files of the share; it "
                            "changes nothing.",
                            this);
    lblSummary->setObjectName("lblSummary");
    lblSummary->setWordWrap(true);
    fgridFindings =
        viewer::makeListGrid(this, "fgridFindings", {"Finding", "Record", "ID", "File", "Why"});
    cmdCheck = new QPushButton("&Check", this);
    cmdCheck->setObjectName("cmdCheck");
    cmdClose = new QPushButton("&Close", this);
    cmdClose->setObjectName("cmdClose");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblSummary, 1);
    buttons->addWidget(cmdCheck);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblDepartment);
    layout->addWidget(fgridFindings, 1);
    layout->addLayout(buttons);
    resize(820, 420);
    connect(cmdCheck, &QPushButton::clicked, this, [this] { cmdCheck_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(fgridFindings, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { fgridFindings_DblClick(row); });
    // Built for one department: another department closes it (a running check ends unseen).
    connect(&w, &viewer::MainWindow::departmentChanged, this, &QWidget::close);
}

void CheckStorageWindow::cmdCheck_Click() {
    app::Session& s = w_.session();
    storage::CheckOptions options;
    options.department = s.gstrDepartmentID;
    const QString root = s.gstrDefaultDirectoryD;
    auto found = std::make_shared<std::vector<storage::Finding>>();
    auto summary = std::make_shared<QString>();
    db::Connection* connection = nullptr;
    try {
        connection = &app::recordsConnection(s);
    } catch (const std::exception& e) {
        lblSummary->setText(QString::fromStdString(e.what()));
        return;
    }
    const app::PathMapper* paths = s.svc.paths;
    auto* job = new jobs::Job("Checking storage", [=](jobs::Progress& p) {
        const storage::CheckCounts counts = storage::checkStorage(
            *connection, *paths, root, options,
            [&](const storage::Finding& f) { found->push_back(f); },
            [&](const storage::CheckCounts& c) {
                p.setText(QStringLiteral("Checking storage: %1 rows, %2 files").arg(c.rows).arg(c.listed));
                p.checkCancel();
            });
        *summary = counts.summary();
    });
    job->setCancellable(true);
    cmdCheck->setEnabled(false);
    fgridFindings->setRowCount(0);
    lblSummary->setText("Checking...");
    QPointer<CheckStorageWindow> self(this);
    const bool started = w_.jobs().start(job, viewer::JobHost::Scope::Background,
                                         [self, found, summary](const jobs::Result& r) {
                                             if (!self) return;
                                             self->cmdCheck->setEnabled(true);
                                             if (r.failed())
                                                 self->showFindings({}, "The check failed: " + r.errorText);
                                             else if (r.cancelled())
                                                 self->showFindings(*found, "Cancelled; what was found so far:");
                                             else
                                                 self->showFindings(*found, *summary);
                                         });
    if (!started) {
        cmdCheck->setEnabled(true);
        lblSummary->setText("The check could not be started.");
    }
}

void CheckStorageWindow::showFindings(const std::vector<storage::Finding>& findings,
                              const QString& summary) {
    findings_ = findings;
    fgridFindings->setRowCount(int(findings.size()));
    for (int r = 0; r < int(findings.size()); ++r) {
        const storage::Finding& f = findings[size_t(r)];
        const QString cells[] = {storage::kindName(f.kind), f.recfileId, f.admissionId,
                                 f.storedName.isEmpty() ? f.path : f.storedName, f.detail};
        for (int c = 0; c < 5; ++c) fgridFindings->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    fgridFindings->resizeColumnsToContents();
    lblSummary->setText(summary);
}

void CheckStorageWindow::fgridFindings_DblClick(int row) {
    if (row < 0 || row >= int(findings_.size())) return;
    const storage::Finding& f = findings_[size_t(row)];
    if (!f.path.isEmpty() && QFileInfo(f.path).isFile()) {
        w_.runCommand([&] { w_.PerformFileOpen(false, f.path, 1); });
        w_.raise();
    } else if (!f.recfileId.isEmpty() && w_.openRecordMaintenance) {
        w_.openRecordMaintenance(this, f.recfileId);
    }
}

void mnuCheckStorage_Click(viewer::MainWindow& w) {
    if (!app::CanChangeSettings(w.session())) return;
    viewer::showOneWindow<CheckStorageWindow>(w, "frmCheckStorage",
                                              [&] { return new CheckStorageWindow(w); });
}

} // namespace maintenance
