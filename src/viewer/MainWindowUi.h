#pragma once
// The main window's menus, toolbar, status bar and record-information frame, built once.
// Every item carries its Qt object name; items of a menu array are named "<array>_<index>"
// (for example "mnuEditActionItem_5"), toolbar buttons by their key.
#include <QString>
#include <array>

class QAction;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QPushButton;
class QTimer;
class QToolBar;
class QWidget;

namespace viewer {

QString arrayItemName(const QString& array, int index);

struct MainWindowUi {
    // File
    QMenu* mnuFile = nullptr;
    QAction* mnuFileNew = nullptr;
    QAction* mnuFileManual = nullptr;
    QAction* mnuFilePrintCoverSheet = nullptr;
    QAction* mnuFileOpenRec = nullptr;
    QAction* mnuFileOpen = nullptr;
    QAction* mnuFileScanNew = nullptr;
    QAction* mnuFileScanBatch = nullptr;
    QAction* mnuScanSet = nullptr;
    QAction* mnuFileSelectScanner = nullptr;
    QAction* mnuFileScanPreferences = nullptr;
    QAction* mnuShowScanSetupbeforeScan = nullptr;
    QAction* mnuFileClose = nullptr;
    QAction* mnuFileSave = nullptr;
    QAction* mnuFileSaveAs = nullptr;
    QAction* mnuFileExportPdf = nullptr;
    QAction* mnuFilePrint = nullptr;
    QAction* mConnect = nullptr;
    QAction* mTestWrite = nullptr;
    QAction* mnuFileChangePassword = nullptr;
    QAction* mnuFileExit = nullptr;
    // Edit
    QMenu* mnuEdit = nullptr;
    std::array<QAction*, 6> mnuEditActionItem{};
    std::array<QAction*, 3> mnuEditSelectItem{};
    QAction* mnuEditUndo = nullptr;
    QAction* mnuEditRedo = nullptr;
    // View
    QMenu* mnuView = nullptr;
    QAction* mnuViewScaleToGray = nullptr;
    std::array<QAction*, 3> mnuViewModeItem{};
    QAction* mnuViewFullScreen = nullptr;
    std::array<QAction*, 2> mnuViewOptionsItem{};
    // Zoom (index 4 is a separator)
    QMenu* mnuZoom = nullptr;
    std::array<QAction*, 11> mnuZoomFactorItem{};
    // Page
    QMenu* mnuPage = nullptr;
    std::array<QAction*, 4> mnuPageDirectionItem{};
    std::array<QAction*, 3> mnuPageRotatePageItem{};
    QAction* mDuplicate = nullptr;
    QAction* mnuPageSeparator3 = nullptr;
    QMenu* mnuPageInsertMenu = nullptr;
    QAction* mnuPageInsert = nullptr; // the submenu's item
    std::array<QAction*, 2> mnuPageInsertItem{};
    QMenu* mnuPageAppendMenu = nullptr;
    QAction* mnuPageAppend = nullptr;
    std::array<QAction*, 2> mnuPageAppendItem{};
    QAction* mnuPageRescan = nullptr;
    QAction* mnuPageDeleteBlankPages = nullptr;
    QAction* mAddImages = nullptr;
    QAction* mnuPagePrintPage = nullptr;
    // Annotation
    QMenu* mnuAnno = nullptr;
    std::array<QAction*, 2> mnuAnnoDisplayItem{};
    QAction* mnuAnnoSeparator1 = nullptr;
    std::array<QAction*, 10> mnuAnnoToolItem{};
    QAction* mnuAnnoSeparator2 = nullptr;
    QAction* mnuAnnoShowAnnoToolbox = nullptr;
    // Reports
    QMenu* mReportsMenu = nullptr;
    QAction* mReports = nullptr;
    QAction* mScanningAcc = nullptr;
    // Maintenance
    QMenu* mnuMaintenanceMenu = nullptr;
    QAction* mnuMaintenance = nullptr;
    QAction* mnuRectype = nullptr;
    QAction* mnuFileLoc = nullptr;
    QAction* mDeleteRecord = nullptr;
    QAction* mVersions = nullptr;
    QAction* mOpenLocation = nullptr;
    QAction* mUpdateModule = nullptr;
    QAction* mUpdateDatabase = nullptr;
    QAction* mChangeType = nullptr;
    QAction* mTraceMode = nullptr;
    QAction* mAdmin = nullptr;
    // Context menu of the thumbnail strip (not on the menu bar)
    QMenu* mnuContext = nullptr;
    QAction* mnuCtxDel = nullptr;
    QAction* mnuCtxFlip = nullptr;
    QAction* mnuCtxRLeft = nullptr;
    QAction* mnuCtxRRight = nullptr;

    // Toolbar: buttons by position, 1-based (tbarButton(1) is the leading separator). A
    // button that runs a menu command is a QWidgetAction holding a QToolButton (both named by
    // the key) whose action is the menu's command; tbrClose and tbrInsert are actions of
    // their own.
    QToolBar* tbarMain = nullptr;
    std::array<QAction*, 17> tbarButtons{};
    QAction* tbarButton(int position) const { return tbarButtons[position - 1]; }

    // Status bar panels 1 and 2.
    QLabel* statusPanel1 = nullptr;
    QLabel* statusPanel2 = nullptr;
    QLabel* statusConnection = nullptr; // the database in use (the demo, an unencrypted one)

    // Top area: record information, department, admin mode.
    QGroupBox* fraPatInfo = nullptr;
    QFrame* fraPinfo = nullptr;
    QLineEdit* txtRecID = nullptr;
    QLineEdit* txtAdmID = nullptr;
    QLineEdit* txtType = nullptr;
    QLineEdit* txtDescription = nullptr;
    QLineEdit* txtScanBy = nullptr;
    QLineEdit* txtScanUpdate = nullptr;
    QLineEdit* txtScanDate = nullptr;
    QLineEdit* txtHospNum = nullptr;
    QLineEdit* txtLastname = nullptr;
    QLineEdit* txtAdmDate = nullptr;
    QLineEdit* txtDisDate = nullptr;
    QLineEdit* txtPages = nullptr;
    QLineEdit* txtReadOnly = nullptr;
    std::array<QPushButton*, 2> cmdZoom{};
    QPushButton* cmdDup = nullptr;
    std::array<QPushButton*, 5> cmdCommands{};
    QPushButton* cmdStamp = nullptr;
    QPushButton* cmdText = nullptr;
    QPushButton* cmdBarcode = nullptr;
    QGroupBox* fraDept = nullptr;
    QComboBox* cboDept = nullptr;
    QGroupBox* fraAdminMode = nullptr;
    QLineEdit* txtAdminPW = nullptr;
    QPushButton* cmdCancelAdmin = nullptr;

    // The pane area below the frame: page display, divider and thumbnail strip live here.
    QWidget* paneArea = nullptr;
    QLabel* imgDivider = nullptr;
    QLabel* Picture1 = nullptr;
    QTimer* Timer1 = nullptr;

    void build(QMainWindow* window);
};

} // namespace viewer
