#include "reports/ScanReportWindow.h"

#include "reports/MainReport.h"
#include "reports/ReportPreviewWindow.h"
#include "app/Classes.h"
#include "app/Clock.h"
#include "app/CurrentUser.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "jobs/Job.h"
#include "records/ReportStatements.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"

#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>

namespace reports {

namespace {

constexpr int kColumns = 6;
// Grid column widths in twips; column 0 (the procedure's row number) is hidden.
constexpr int kWidths[kColumns] = {0, 1150, 1960, 1960, 1960, 1300};
constexpr int kGridLeft = 120;
constexpr int kGridTop = 600;
constexpr int kGridBottomMargin = 500;

} // namespace

ScanReportWindow::ScanReportWindow(viewer::MainWindow& main, QWidget* parent)
    : QWidget(parent, Qt::Window), main_(main) {
    setObjectName("frmScanReport");
    setWindowTitle("Scanning Accomplishment Report");
    const double tx = main_.twipsPerPixelX();
    const double ty = main_.twipsPerPixelY();
    const auto place = [tx, ty](QWidget* wdg, int left, int top, int width, int height) {
        wdg->setGeometry(qRound(left / tx), qRound(top / ty), qRound(width / tx),
                         qRound(height / ty));
    };

    const char* captions[2] = {"Date Start", "Date End"};
    for (int i = 0; i < 2; ++i) {
        lblDate[i] = new QLabel(captions[i], this);
        lblDate[i]->setObjectName(QString("lblDate_%1").arg(i));
        DTPicker1[i] = new QDateEdit(this);
        DTPicker1[i]->setObjectName(QString("DTPicker1_%1").arg(i));
        DTPicker1[i]->setDisplayFormat("MM/dd/yyyy");
        DTPicker1[i]->setCalendarPopup(true);
        lblDate[i]->setBuddy(DTPicker1[i]);
        place(lblDate[i], 120 + i * 2950, 150, 1150, 285);
        place(DTPicker1[i], 1300 + i * 2950, 100, 1600, 345);
    }
    cmdSearch = new QPushButton("&Search", this);
    cmdSearch->setObjectName("cmdSearch");
    cmdPrint = new QPushButton("&Print", this);
    cmdPrint->setObjectName("cmdPrint");
    for (QPushButton* b : {cmdSearch, cmdPrint}) b->setAutoDefault(false);
    place(cmdSearch, 6450, 90, 1150, 375);
    place(cmdPrint, 7700, 90, 1150, 375);

    fgridScanReport = new QTableWidget(this);
    fgridScanReport->setObjectName("fgridScanReport");
    fgridScanReport->setSelectionBehavior(QAbstractItemView::SelectRows);
    fgridScanReport->setSelectionMode(QAbstractItemView::SingleSelection);
    fgridScanReport->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fgridScanReport->verticalHeader()->hide();
    fgridScanReport->verticalHeader()->setDefaultSectionSize(qRound(270 / ty));
    int gridWidth = 0;
    for (int w : kWidths) gridWidth += w;
    gridWidth += 400; // frame and vertical scroll bar
    place(fgridScanReport, kGridLeft, kGridTop, gridWidth, 4200);

    connect(cmdSearch, &QPushButton::clicked, this, [this] { main_.runCommand([this] { cmdSearch_Click(); }); });
    connect(cmdPrint, &QPushButton::clicked, this, [this] { main_.runCommand([this] { cmdPrint_Click(); }); });

    resize(qRound((kGridLeft * 2 + gridWidth) / tx), qRound((kGridTop + 4200 + kGridBottomMargin) / ty));

    // Load.
    const QDate today = main_.session().svc.clock->today();
    DTPicker1[0]->setDate(today.addDays(-1));
    DTPicker1[1]->setDate(today);
    layoutGrid();
    fgridScanReport->setRowCount(1);
}

ScanReportWindow::~ScanReportWindow() = default;

void ScanReportWindow::layoutGrid() {
    fgridScanReport->setColumnCount(kColumns);
    fgridScanReport->setHorizontalHeaderLabels(
        {QString(), "Employee ID", "Last Name", "First Name", "Middle Name", "Scanned Docs"});
    const double tx = main_.twipsPerPixelX();
    for (int c = 0; c < kColumns; ++c) fgridScanReport->setColumnWidth(c, qRound(kWidths[c] / tx));
    fgridScanReport->setColumnHidden(0, true);
}

void ScanReportWindow::cmdSearch_Click() {
    if (running_) return;
    app::Session& s = main_.session();
    const QString statement =
        records::scanReport(DTPicker1[0]->date(), DTPicker1[1]->date());
    std::shared_ptr<app::CurrentUser> user = s.gobjCurrentUser;
    auto result = std::make_shared<db::RecordsetPtr>();
    auto* job = new jobs::Job("Scanning Accomplishment Report", [user, statement, result](jobs::Progress& p) {
        p.setText("Scanning Accomplishment Report");
        db::Connection* c = user ? user->sqlconnection() : nullptr;
        if (!c) throw db::Error(3709, "The connection to the records database is not open.", statement);
        *result = c->open(statement, db::kClientReadOnly);
    });
    running_ = true;
    cmdSearch->setEnabled(false);
    setCursor(Qt::BusyCursor);
    QPointer<ScanReportWindow> self(this);
    const auto finish = [self, result](const QString& error) {
        if (!self) return;
        ScanReportWindow& f = *self;
        f.running_ = false;
        f.cmdSearch->setEnabled(true);
        f.unsetCursor();
        QTableWidget* g = f.fgridScanReport;
        g->clearContents();
        g->setRowCount(0);
        const db::Recordset* rs = result->get();
        if (!error.isEmpty()) {
            // The procedure's failure ends the search with its description.
            g->setRowCount(1);
            g->setEnabled(false);
            f.main_.session().svc.prompter->msgBox(error);
        } else if (!rs || rs->recordCount() == 0) {
            g->setRowCount(1);
            g->setEnabled(false);
        } else {
            g->setRowCount(rs->recordCount());
            int r = 0;
            for (const db::Row& row : rs->rows()) {
                for (int c = 0; c < kColumns; ++c) {
                    const QVariant v = size_t(c) < row.size() ? row[size_t(c)] : QVariant();
                    auto* item = new QTableWidgetItem(v.isNull() ? QString() : v.toString().trimmed());
                    if (c == kColumns - 1) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                    g->setItem(r, c, item);
                }
                ++r;
            }
            g->setEnabled(true);
            g->setFocus();
        }
        f.layoutGrid();
        result->reset();
        emit f.searchFinished();
    };
    const bool started = main_.jobs().start(job, viewer::JobHost::Scope::Background,
                                            [finish](const jobs::Result& r) {
                                                finish(r.failed() ? r.errorText : QString());
                                            });
    if (!started) finish("The search could not be started.");
}

QString ScanReportWindow::reportFile() const {
    return reportDefinitionFile(main_.session(), "ScanReport.rpt");
}

void ScanReportWindow::cmdPrint_Click() {
    app::Session& s = main_.session();
    app::InitClassesComponent(s);
    // A component that could not be made has said why.
    if (!s.gblnClassesReady || !s.gobjClasses) return;
    const QDate start = DTPicker1[0]->date();
    const QDate end = DTPicker1[1]->date();
    QPointer<ScanReportWindow> self(this);
    OpenMainReport(main_, *s.gobjClasses, reportFile(), "", "", {start, end, start, end},
                   [self](ReportPreviewWindow* preview) {
                       if (self) emit self->previewOpened(preview);
                   });
}

void ScanReportWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ScanReportWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void ScanReportWindow::Form_Resize() {
    const double ty = main_.twipsPerPixelY();
    const int height = qRound((this->height() * ty - kGridTop - kGridBottomMargin) / ty);
    // A window made very small leaves the grid as it is.
    if (height > 0) fgridScanReport->resize(fgridScanReport->width(), height);
}

} // namespace reports
