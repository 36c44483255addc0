#include "viewer/MainWindow.h"

#include "app/CurrentUser.h"
#include "app/General.h"
#include "app/Paths.h"
#include "app/Clock.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "app/StartupWindow.h"
#include "storage/RecordPaths.h"
#include "app/SystemInfo.h"
#include "db/DateTimeText.h"
#include "viewer/BlankPages.h"
#include "viewer/Preferences.h"
#include "viewer/SessionCommands.h"
#include "viewer/NavigationCommands.h"
#include "viewer/EditCommands.h"
#include "viewer/AnnotationCommands.h"
#include "viewer/ExportCommands.h"
#include "viewer/FileCommands.h"
#include "viewer/IdleLock.h"
#include "viewer/JobHost.h"
#include "imaging/controls/ImageAdmin.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageScan.h"
#include "imaging/controls/ImageThumbnail.h"
#include "app/Failure.h"
#include "app/Prompter.h"
#include "history/Event.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace viewer {

namespace {

// The window's engine environment: the options' printer, dialogs and scanner, with the paths
// and the clock of the session.
imaging::EnvironmentPtr environmentFor(const app::Session& s, imaging::Environment env) {
    if (const app::PathMapper* paths = s.svc.paths)
        env.paths = [paths](const QString& path) { return paths->toNative(path); };
    else
        env.paths = {};
    if (const app::Clock* clock = s.svc.clock)
        env.clock = [clock] { return clock->now(); };
    else
        env.clock = {};
    return std::make_shared<const imaging::Environment>(std::move(env));
}

} // namespace

MainWindow::MainWindow(app::Session& session, MainWindowOptions options, QWidget* parent)
    : QMainWindow(parent), s_(session), env_(environmentFor(session, std::move(options.imaging))) {
    setObjectName("frmMain");
    ui_.build(this);
    jobs_ = new JobHost(statusBar(), this);
    resize(designSize());
    createEngineControls();
    sessionCommands_ = new SessionCommands(*this);
    navigation_ = new NavigationCommands(*this);
    editing_ = new EditCommands(*this);
    annotations_ = new AnnotationCommands(*this);
    files_ = new FileCommands(*this);
    new ExportCommands(*this);
    blankPages_ = new BlankPageMarks(*this);
    connectCommands();
    connect(jobs_, &JobHost::documentBusyChanged, this, &MainWindow::applyDocumentBusy);
    installBusyInputFilter();
}

namespace {

// Keeps the user's edits, page turns and selections away from the page display and the
// thumbnail strip while a job works on the document; wheel and scroll bars still scroll, and
// a drag in Drag mode still pans the page.
class BusyInputFilter : public QObject {
public:
    BusyInputFilter(MainWindow& w) : QObject(&w), w_(w) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!w_.jobs().documentBusy()) return false;
        imaging::ImageEdit* edit = w_.docImgEdit1;
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            return watched == edit;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
            if (watched == w_.docImgThumbnail1->viewport()) return true;
            if (watched == edit->viewport())
                return edit->annotationTool() != 0 || edit->selectionRectangle() ||
                       edit->pastePending();
            return false;
        case QEvent::ContextMenu:
            return watched == w_.docImgThumbnail1->viewport() || watched == edit->viewport();
        default:
            return false;
        }
    }

private:
    MainWindow& w_;
};

} // namespace

void MainWindow::installBusyInputFilter() {
    auto* filter = new BusyInputFilter(*this);
    docImgEdit1->installEventFilter(filter);
    docImgEdit1->viewport()->installEventFilter(filter);
    docImgThumbnail1->viewport()->installEventFilter(filter);
}

bool MainWindow::refuseWhileBusy() {
    if (!jobs_->documentBusy()) return false;
    s_.svc.prompter->msgBox(
        "Another operation is still running on the document; try again when it has finished.",
        app::mb::OKOnly, app::mb::Exclamation);
    return true;
}

MainWindow::~MainWindow() = default;

void MainWindow::createEngineControls() {
    docImgThumbnail1 = new imaging::ImageThumbnail(env_, ui_.paneArea);
    docImgThumbnail1->setObjectName("docImgThumbnail1");
    docImgThumbnail1->hide();
    docImgEdit1 = new imaging::ImageEdit(env_, ui_.paneArea);
    docImgEdit1->setObjectName("docImgEdit1");
    docImgEdit1->hide();
    docImgAdmin1 = new imaging::ImageAdmin(env_, this);
    docImgAdmin1->setObjectName("docImgAdmin1");
    ImgAdmin1 = new imaging::ImageAdmin(env_, this);
    ImgAdmin1->setObjectName("ImgAdmin1");
    docImgScan1 = new imaging::ImageScan(env_, this);
    docImgScan1->setObjectName("docImgScan1");
    ui_.imgDivider->raise();
    ui_.Picture1->raise();
    ui_.paneArea->installEventFilter(this);
    ui_.imgDivider->installEventFilter(this);
    // The divider starts where a comfortable strip of thumbnails ends.
    ui_.imgDivider->setGeometry(180, 0, 4, 100);
    connect(docImgEdit1, &imaging::ImageEdit::closing, this, &MainWindow::docImgEdit1_Close);
}

double MainWindow::twipsPerPixelX() const { return 1440.0 / logicalDpiX(); }
double MainWindow::twipsPerPixelY() const { return 1440.0 / logicalDpiY(); }

void MainWindow::connectCommands() {
    connect(ui_.Timer1, &QTimer::timeout, this, &MainWindow::Timer1_Timer);
}

void MainWindow::Form_Load() {
    if (loaded_) return;
    loaded_ = true;
    s_.gintPlatformId = s_.svc.system->platformId();
    QApplication::setOverrideCursor(Qt::WaitCursor);

    // The document state and the display options for load.
    doc_ = DocumentState{};
    doc_.NoDocument = true;
    docImgEdit1->setSelectionRectangle(false);

    // The temporary folder for new scans: the program's data folder followed by "\Temp".
    s_.gstrTempDir = app::GetWindowsDir(s_, false) + "\\Temp";
    // Unnamed scans of patients' records: the user's alone.
    if (s_.svc.paths) app::makePrivateFolder(s_.svc.paths->toNative(s_.gstrTempDir));

    if (s_.svc.system->colorDepth() > 8) docImgEdit1->setColorRendering(3);
    // Looking for scanners takes a while: the scan items follow when it is done.
    connect(docImgScan1, &imaging::ImageScan::scannersKnown, this, [this] { applyScannerItems(); });
    docImgScan1->probeScannersAsync();
    SetDocumentMode("NoFile");
    LoadSavePreferences("Get");
    docImgEdit1->setScrollBars(s_.gblnShowScrollbars);
    SetViewMode(ViewMode);
    QApplication::restoreOverrideCursor();
    SetWindowTitle();
    if (unloadStartupWindow_) unloadStartupWindow_();
    ApplyAccessMenus();
    sessionCommands_->loadDepartments();

    ui_.statusPanel1->setText(s_.gobjCurrentUser->EmployeeName());
    ui_.statusPanel2->setText(s_.gobjCurrentUser->UserRights());
    ui_.statusConnection->setText(s_.gobjCurrentUser->ConnectionNotice());
    if (!idleLock_) idleLock_ = new IdleLock(*this);

    ui_.Picture1->setPixmap(app::programPicture(520, 180));
    ui_.Picture1->setGeometry(ui_.paneArea->rect());
    ui_.Picture1->show();
    ui_.Timer1->start();
}

void MainWindow::Timer1_Timer() {
    ui_.Picture1->hide();
    ui_.Timer1->stop();
}

void MainWindow::SetWindowTitle() {
    const app::ProgramVersion v = app::programVersion();
    setWindowTitle(QStringLiteral("TALVOR Docuvane v%1.%2.%3").arg(v.major).arg(v.minor).arg(v.revision) +
                   (s_.gblnAdmin ? " - Admin User " : " - Standard User"));
}

void MainWindow::LoadSavePreferences(const QString& action) {
    app::SettingsStore& store = *s_.svc.settings;
    if (action == "Save") {
        Preferences p;
        p.zoom = s_.gstrZoom;
        p.scrollbars = s_.gblnShowScrollbars;
        p.defaultDirectory = s_.gstrDefaultDirectoryD;
        p.viewMode = ViewMode;
        p.showScanSetupBeforeScan = ui_.mnuShowScanSetupbeforeScan->isChecked();
        // A maximized window stores its maximized bounds.
        const QRect g = geometry();
        const WindowBounds b{float(g.x() * twipsPerPixelX()), float(g.y() * twipsPerPixelY()),
                             float(g.width() * twipsPerPixelX()),
                             float(g.height() * twipsPerPixelY())};
        writePreferences(store, p, isMinimized(), b);
        return;
    }
    const Preferences p = readPreferences(store);
    s_.gstrZoom = p.zoom;
    s_.gblnShowScrollbars = p.scrollbars;
    s_.gstrDefaultDirectoryD = p.defaultDirectory;
    ViewMode = p.viewMode;
    ui_.mnuShowScanSetupbeforeScan->setChecked(p.showScanSetupBeforeScan);
    if (!p.position) {
        resize(designSize());
        const QRect screen = this->screen() ? this->screen()->geometry() : QRect(0, 0, 1280, 1024);
        move(screen.x() + (screen.width() - width()) / 2,
             screen.y() + (screen.height() - height()) / 2);
    } else {
        const WindowBounds& b = *p.position;
        setGeometry(qRound(b.left / twipsPerPixelX()), qRound(b.top / twipsPerPixelY()),
                    qRound(b.width / twipsPerPixelX()), qRound(b.height / twipsPerPixelY()));
    }
}

void MainWindow::mnuFileClose_Click(std::function<void()> then) {
    files_->mnuFileClose_Click(std::move(then));
}

void MainWindow::runCommand(const std::function<void()>& command) {
    app::Steps(app::FailureStyle::ShowAndStop, s_.svc.log, s_.svc.prompter)(command);
}

void MainWindow::SetExamData() {
    const app::RecordContext& r = s_.rec;
    ui_.txtRecID->setText(r.gstrRecFileId);
    ui_.txtAdmID->setText(r.gstrAdmissionID);
    ui_.txtType->setText(r.gstrRecTypeName);
    ui_.txtDescription->setText(r.gstrDescription);
    ui_.txtScanBy->setText(app::GetEmployeeFullName(s_, r.gstrEmployeeID));
    // A record date may come with a time of day ("2008-11-25 00:00:00.000"): the date shows.
    QDate recDate = storage::parseRecordDate(r.gstrRecDate);
    if (!recDate.isValid() && !r.gstrRecDate.trimmed().isEmpty())
        if (const auto dt = db::parseSqlDateTime(r.gstrRecDate)) recDate = dt->date();
    ui_.txtScanDate->setText(recDate.isValid() ? recDate.toString("MM/dd/yyyy") : r.gstrRecDate);
    ui_.txtScanUpdate->setText(r.gstrScanUpdate);
    ui_.txtHospNum->setText(r.gstrHospNum);
    ui_.txtAdmDate->setText(r.gstrAdmDate);
    ui_.txtDisDate->setText(r.gstrDisDate);
    ui_.txtLastname->setText(r.gstrPatientName);
}

void MainWindow::ClearRecordData() {
    app::RecordContext& r = s_.rec;
    const QString currentFile = r.gstrCurrentFile;
    r = {};
    r.gstrCurrentFile = currentFile;
    ui_.txtPages->clear();
    SetExamData();
}


void MainWindow::Form_Unload() {
    if (unloading_) return;
    unloading_ = true;
    if (s_.gobjCurrentUser) s_.recordHistory({history::Action::SignOut});
    LoadSavePreferences("Save");
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->objectName() != "frmMain" && w->isWindow()) w->close();
    emit programEnded();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (unloading_) {
        event->accept();
        return;
    }
    if (!Form_QueryUnload()) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

} // namespace viewer
