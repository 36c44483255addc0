#include "viewer/MainWindowUi.h"

#include <QAction>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>
#include <QVBoxLayout>

namespace viewer {

QString arrayItemName(const QString& array, int index) {
    return array + QLatin1Char('_') + QString::number(index);
}

namespace {

QAction* item(QMenu* menu, const QString& name, const QString& caption, bool checkable = false) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    a->setCheckable(checkable);
    return a;
}

template <size_t N>
void items(QMenu* menu, std::array<QAction*, N>& array, const QString& name,
           const std::array<const char*, N>& captions, bool checkable = false) {
    for (size_t i = 0; i < N; ++i) {
        if (!captions[i]) {
            array[i] = menu->addSeparator();
            array[i]->setObjectName(arrayItemName(name, static_cast<int>(i)));
            continue;
        }
        array[i] = item(menu, arrayItemName(name, static_cast<int>(i)), captions[i], checkable);
    }
}

QAction* separator(QMenu* menu, const QString& name = {}) {
    QAction* a = menu->addSeparator();
    if (!name.isEmpty()) a->setObjectName(name);
    return a;
}

QMenu* menu(QMainWindow* w, const QString& name, const QString& caption) {
    QMenu* m = w->menuBar()->addMenu(caption);
    m->setObjectName(name + "Menu");
    m->menuAction()->setObjectName(name);
    return m;
}

QLineEdit* field(QWidget* parent, const QString& name, int width = 0) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    if (width > 0) e->setMinimumWidth(width);
    return e;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

// The toolbar's place for a button that runs `command`: the button is a tool button whose
// action IS the menu's command (enabled with it, clicking it triggers it), so the menu item
// and the button cannot disagree. The place keeps the button's key, its caption and its own
// visibility (some buttons are shown only with scanning access); it follows the command's
// enabled state, and triggering it (the F2 and F3 keys) runs the command.
QAction* sharedButton(QToolBar* bar, const QString& caption, QAction* command) {
    auto* place = new QWidgetAction(bar);
    place->setText(caption);
    auto* button = new QToolButton(bar);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // The button shows the toolbar's caption, the menu its own.
    command->setIconText(QString(caption).remove(QLatin1Char('&')));
    button->setDefaultAction(command);
    place->setDefaultWidget(button);
    bar->addAction(place);
    QObject::connect(command, &QAction::changed, place,
                     [place, command] { place->setEnabled(command->isEnabled()); });
    QObject::connect(place, &QAction::triggered, command, &QAction::trigger);
    return place;
}

} // namespace

void MainWindowUi::build(QMainWindow* w) {
    // File
    mnuFile = menu(w, "mnuFile", "&File");
    mnuFileNew = item(mnuFile, "mnuFileNew", "&New Record");
    mnuFileManual = item(mnuFile, "mnuFileManual", "New Record - Manual");
    mnuFilePrintCoverSheet = item(mnuFile, "mnuFilePrintCoverSheet", "Print Co&ver Sheet...");
    mnuFileOpenRec = item(mnuFile, "mnuFileOpenRec", "&Open Record");
    mnuFileOpen = item(mnuFile, "mnuFileOpen", "Open Image");
    separator(mnuFile);
    mnuFileScanNew = item(mnuFile, "mnuFileScanNew", "S&can New...");
    mnuFileScanBatch = item(mnuFile, "mnuFileScanBatch", "Scan &Batch...");
    mnuScanSet = item(mnuFile, "mnuScanSet", "Scan Settings");
    mnuFileSelectScanner = item(mnuFile, "mnuFileSelectScanner", "Se&lect Scanner...");
    mnuFileScanPreferences = item(mnuFile, "mnuFileScanPreferences", "Scan Pre&ferences...");
    mnuShowScanSetupbeforeScan =
        item(mnuFile, "mnuShowScanSetupbeforeScan", "Show Scan Setup before Scan", true);
    separator(mnuFile);
    mnuFileClose = item(mnuFile, "mnuFileClose", "&Close Record");
    mnuFileSave = item(mnuFile, "mnuFileSave", "&Save");
    mnuFileSaveAs = item(mnuFile, "mnuFileSaveAs", "Save &As...");
    mnuFileExportPdf = item(mnuFile, "mnuFileExportPdf", "Export P&DF...");
    separator(mnuFile);
    mnuFilePrint = item(mnuFile, "mnuFilePrint", "&Print...");
    separator(mnuFile);
    mConnect = item(mnuFile, "mConnect", "Connect");
    mTestWrite = item(mnuFile, "mTestWrite", "Test Write");
    mnuFileChangePassword = item(mnuFile, "mnuFileChangePassword", "Change Pass&word...");
    separator(mnuFile);
    mnuFileExit = item(mnuFile, "mnuFileExit", "E&xit");

    // Edit
    mnuEdit = menu(w, "mnuEdit", "&Edit");
    items<6>(mnuEdit, mnuEditActionItem, "mnuEditActionItem",
             {"Cu&t", "&Copy", "Cop&y Page", "&Paste", "Cle&ar", "&Delete Pages"});
    separator(mnuEdit);
    items<3>(mnuEdit, mnuEditSelectItem, "mnuEditSelectItem",
             {"&Drag", "&Select Image", "S&elect Annotations and Zones"}, true);
    separator(mnuEdit);
    mnuEditUndo = item(mnuEdit, "mnuEditUndo", "&Undo");
    mnuEditUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    mnuEditRedo = item(mnuEdit, "mnuEditRedo", "&Redo");
    mnuEditRedo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));

    // View
    mnuView = menu(w, "mnuView", "&View");
    mnuViewScaleToGray = item(mnuView, "mnuViewScaleToGray", "Scale to &Gray", true);
    separator(mnuView);
    items<3>(mnuView, mnuViewModeItem, "mnuViewModeItem",
             {"&One Page", "&Thumbnails", "&Page and Thumbnails"}, true);
    separator(mnuView);
    mnuViewFullScreen = item(mnuView, "mnuViewFullScreen", "&Full Screen", true);
    separator(mnuView);
    items<2>(mnuView, mnuViewOptionsItem, "mnuViewOptionsItem",
             {"&General...", "&Thumbnail Size..."});

    // Zoom
    mnuZoom = menu(w, "mnuZoom", "&Zoom");
    items<11>(mnuZoom, mnuZoomFactorItem, "mnuZoomFactorItem",
              {"Fit to &Height", "Fit to &Width", "&Best Fit", "Act&ual Size", nullptr, "&25%",
               "&50%", "&75%", "&100%", "2&00%", "&400%"},
              true);

    // Page
    mnuPage = menu(w, "mnuPage", "&Page");
    items<4>(mnuPage, mnuPageDirectionItem, "mnuPageDirectionItem",
             {"Pre&vious", "&Next", "&First", "&Last"});
    separator(mnuPage);
    items<3>(mnuPage, mnuPageRotatePageItem, "mnuPageRotatePageItem",
             {"R&otate Left", "Rotate &Right", "Fli&p"});
    mDuplicate = item(mnuPage, "mDuplicate", "Duplicate this page");
    mnuPageSeparator3 = separator(mnuPage, "mnuPageSeparator3");
    mnuPageInsertMenu = mnuPage->addMenu("&Insert");
    mnuPageInsertMenu->setObjectName("mnuPageInsertMenu");
    mnuPageInsert = mnuPageInsertMenu->menuAction();
    mnuPageInsert->setObjectName("mnuPageInsert");
    items<2>(mnuPageInsertMenu, mnuPageInsertItem, "mnuPageInsertItem",
             {"&Scan Page...", "&Existing Page..."});
    mnuPageAppendMenu = mnuPage->addMenu("&Append");
    mnuPageAppendMenu->setObjectName("mnuPageAppendMenu");
    mnuPageAppend = mnuPageAppendMenu->menuAction();
    mnuPageAppend->setObjectName("mnuPageAppend");
    items<2>(mnuPageAppendMenu, mnuPageAppendItem, "mnuPageAppendItem",
             {"&Scan Page...", "&Existing Page..."});
    mnuPageRescan = item(mnuPage, "mnuPageRescan", "&Rescan...");
    mAddImages = item(mnuPage, "mAddImages", "Import");
    mnuPageDeleteBlankPages =
        item(mnuPage, "mnuPageDeleteBlankPages", "Delete Marked &Blank Pages...");
    separator(mnuPage);
    mnuPagePrintPage = item(mnuPage, "mnuPagePrintPage", "Prin&t Page");

    // Annotation
    mnuAnno = menu(w, "mnuAnno", "&Annotation");
    items<2>(mnuAnno, mnuAnnoDisplayItem, "mnuAnnoDisplayItem",
             {"Sho&w Annotations", "&Make Annotations Permanent"});
    mnuAnnoDisplayItem[0]->setCheckable(true);
    mnuAnnoDisplayItem[0]->setChecked(true);
    mnuAnnoSeparator1 = separator(mnuAnno, "mnuAnnoSeparator1");
    items<10>(mnuAnno, mnuAnnoToolItem, "mnuAnnoToolItem",
              {"S&elect Annotations", "&Freehand Line", "High&lighter", "&Straight Line",
               "Hollow &Rectangle", "Filled Rectan&gle", "T&yped Text", "&Attach-a-Note",
               "Te&xt from File", "R&ubber Stamps..."},
              true);
    mnuAnnoSeparator2 = separator(mnuAnno, "mnuAnnoSeparator2");
    mnuAnnoShowAnnoToolbox = item(mnuAnno, "mnuAnnoShowAnnoToolbox", "Show Annotation &Toolbox", true);

    // Reports
    mReportsMenu = menu(w, "mReports", "&Reports");
    mReports = mReportsMenu->menuAction();
    mScanningAcc = item(mReportsMenu, "mScanningAcc", "Scanning Accomplishment");

    // Maintenance
    mnuMaintenanceMenu = menu(w, "mnuMaintenance", "&Maintenance");
    mnuMaintenance = mnuMaintenanceMenu->menuAction();
    mnuRectype = item(mnuMaintenanceMenu, "mnuRectype", "&Record Type");
    mnuFileLoc = item(mnuMaintenanceMenu, "mnuFileLoc", "File &Location");
    mDeleteRecord = item(mnuMaintenanceMenu, "mDeleteRecord", "Delete Record");
    mVersions = item(mnuMaintenanceMenu, "mVersions", "&Versions...");
    mOpenLocation = item(mnuMaintenanceMenu, "mOpenLocation", "Open Location");
    mUpdateModule = item(mnuMaintenanceMenu, "mUpdateModule", "Update Module");
    mUpdateDatabase = item(mnuMaintenanceMenu, "mUpdateDatabase", "Update Database");
    mChangeType = item(mnuMaintenanceMenu, "mChangeType", "Change Program Access Type");
    mTraceMode = item(mnuMaintenanceMenu, "mTraceMode", "TraceMode", true);
    mAdmin = item(mnuMaintenanceMenu, "mAdmin", "Admin Mode");

    // Context menu
    mnuContext = new QMenu("Context", w);
    mnuContext->setObjectName("mnuContext");
    mnuCtxDel = item(mnuContext, "mnuCtxDel", "&Delete Page");
    mnuCtxFlip = item(mnuContext, "mnuCtxFlip", "&Flip");
    mnuCtxRLeft = item(mnuContext, "mnuCtxRLeft", "Rotate Left");
    mnuCtxRRight = item(mnuContext, "mnuCtxRRight", "Rotate Right");

    // Toolbar, by position. A button that runs a menu command shares that command's action
    // (see sharedButton); Close Rec (closes and empties the record fields) and Insert (its
    // own rule, the document mode) are commands of the toolbar alone.
    tbarMain = w->addToolBar("Toolbar");
    tbarMain->setObjectName("tbarMain");
    tbarMain->setMovable(false);
    tbarMain->setToolButtonStyle(Qt::ToolButtonTextOnly);
    struct Button {
        const char* key;
        const char* caption;
        QAction* command;
    };
    const std::array<Button, 17> buttons{{
        {"", nullptr, nullptr},
        {"tbrNewRec", "F2-&Scan", mnuFileNew},
        {"tbrOpenRec", "F3-&Open", mnuFileOpenRec},
        {"tbrClose", "&Close Rec", nullptr},
        {"tbrSep", nullptr, nullptr},
        {"tbrFirst", "First", mnuPageDirectionItem[2]},
        {"tbrPrevious", "Previous", mnuPageDirectionItem[0]},
        {"tbrNextPage", "Next", mnuPageDirectionItem[1]},
        {"tbrLastPage", "Last", mnuPageDirectionItem[3]},
        {"tbrRotateLeft", "Rotate Left", mnuPageRotatePageItem[0]},
        {"tbrRotateRight", "Rotate Right", mnuPageRotatePageItem[1]},
        {"tbrFlip", "Flip", mnuPageRotatePageItem[2]},
        {"tbrInsert", "Insert", nullptr},
        {"tbrDelete", "Delete", mnuEditActionItem[5]},
        {"tbrSep2", nullptr, nullptr},
        {"tbrExit", "Exit", mnuFileExit},
        {"tbrSep3", nullptr, nullptr},
    }};
    for (size_t i = 0; i < buttons.size(); ++i) {
        const Button& b = buttons[i];
        QAction* a = b.command   ? sharedButton(tbarMain, b.caption, b.command)
                     : b.caption ? tbarMain->addAction(b.caption)
                                 : tbarMain->addSeparator();
        a->setObjectName(b.key);
        if (auto* place = qobject_cast<QWidgetAction*>(a)) place->defaultWidget()->setObjectName(b.key);
        a->setData(QString::fromLatin1(b.key)); // the key
        tbarButtons[i] = a;
    }

    // Status bar with two panels.
    w->statusBar()->setObjectName("StatusBar1");
    statusPanel1 = new QLabel(w);
    statusPanel1->setObjectName("StatusBar1_Panel1");
    statusPanel2 = new QLabel(w);
    statusPanel2->setObjectName("StatusBar1_Panel2");
    w->statusBar()->addWidget(statusPanel1, 3);
    w->statusBar()->addWidget(statusPanel2, 1);
    statusConnection = new QLabel(w);
    statusConnection->setObjectName("StatusBar1_Connection");
    w->statusBar()->addWidget(statusConnection, 2);

    // Central area.
    auto* central = new QWidget(w);
    central->setObjectName("frmMainClient");
    w->setCentralWidget(central);

    fraPatInfo = new QGroupBox("Record Information", central);
    fraPatInfo->setObjectName("fraPatInfo");
    auto* g = new QGridLayout(fraPatInfo);
    g->setContentsMargins(6, 4, 6, 4);
    g->setVerticalSpacing(3);
    auto addLabeled = [&](int row, int col, const QString& label, QLineEdit* e) {
        auto* l = new QLabel(label, fraPatInfo);
        l->setBuddy(e);
        g->addWidget(l, row, col);
        g->addWidget(e, row, col + 1);
    };
    txtRecID = field(fraPatInfo, "txtRecID", 50);
    txtRecID->setVisible(false);
    txtAdmID = field(fraPatInfo, "txtAdmID", 110);
    txtType = field(fraPatInfo, "txtType", 150);
    txtDescription = field(fraPatInfo, "txtDescription", 200);
    txtScanBy = field(fraPatInfo, "txtScanBy", 150);
    txtScanUpdate = field(fraPatInfo, "txtScanUpdate", 130);
    // Wide enough for the longest date and time it shows.
    txtScanUpdate->setMinimumWidth(
        txtScanUpdate->fontMetrics().horizontalAdvance("12/28/2026 10:55:07 PM") + 16);
    txtScanUpdate->setToolTip("scan date");
    txtScanDate = field(fraPatInfo, "txtScanDate", 90);
    addLabeled(0, 0, "ID No.", txtAdmID);
    addLabeled(0, 2, "Type", txtType);
    addLabeled(0, 4, "Description", txtDescription);
    addLabeled(1, 0, "Rec Date", txtScanDate);
    addLabeled(1, 2, "Scan by", txtScanBy);
    g->addWidget(txtScanUpdate, 1, 4);

    // Patient fields, shown for the medical-records department only.
    fraPinfo = new QFrame(fraPatInfo);
    fraPinfo->setObjectName("fraPinfo");
    auto* pg = new QHBoxLayout(fraPinfo);
    pg->setContentsMargins(0, 0, 0, 0);
    txtHospNum = field(fraPinfo, "txtHospNum", 80);
    txtLastname = field(fraPinfo, "txtLastname", 220);
    txtAdmDate = field(fraPinfo, "txtAdmDate", 90);
    txtDisDate = field(fraPinfo, "txtDisDate", 90);
    const std::array<std::pair<const char*, QLineEdit*>, 4> pfields{
        {{"Hosp #", txtHospNum}, {"Pat. Name", txtLastname}, {"Adm Date", txtAdmDate},
         {"Dcr Date", txtDisDate}}};
    for (const auto& [label, e] : pfields) {
        auto* l = new QLabel(label, fraPinfo);
        l->setBuddy(e);
        pg->addWidget(l);
        pg->addWidget(e);
    }
    pg->addStretch();
    g->addWidget(fraPinfo, 2, 0, 1, 6);

    // Page counter, zoom and page command buttons.
    auto* tools = new QHBoxLayout;
    tools->setSpacing(3);
    txtPages = field(fraPatInfo, "txtPages", 70);
    txtPages->setAlignment(Qt::AlignCenter);
    txtPages->setMaximumWidth(120);
    tools->addWidget(new QLabel("Page", fraPatInfo));
    tools->addWidget(txtPages);
    cmdZoom[0] = button(fraPatInfo, arrayItemName("cmdZoom", 0), "-");
    cmdZoom[1] = button(fraPatInfo, arrayItemName("cmdZoom", 1), "+");
    for (auto* b : cmdZoom) {
        b->setMaximumWidth(28);
        tools->addWidget(b);
    }
    tools->addSpacing(8);
    cmdDup = button(fraPatInfo, "cmdDup", "Duplicate");
    tools->addWidget(cmdDup);
    const std::array<const char*, 5> commands{"Properties", "Smooth", "Invert", "Auto Deskew ",
                                              "Deskew "};
    for (size_t i = 0; i < commands.size(); ++i) {
        cmdCommands[i] =
            button(fraPatInfo, arrayItemName("cmdCommands", static_cast<int>(i)), commands[i]);
        tools->addWidget(cmdCommands[i]);
    }
    tools->addSpacing(8);
    cmdStamp = button(fraPatInfo, "cmdStamp", "Stamp");
    cmdText = button(fraPatInfo, "cmdText", "Text");
    cmdBarcode = button(fraPatInfo, "cmdBarcode", "Barcode");
    tools->addWidget(cmdStamp);
    tools->addWidget(cmdText);
    tools->addWidget(cmdBarcode);
    // "Read Only" goes under the description, where it neither widens the window nor is
    // clipped when it appears.
    QFont bold = fraPatInfo->font();
    bold.setBold(true);
    txtReadOnly = field(fraPatInfo, "txtReadOnly");
    txtReadOnly->setFixedWidth(QFontMetrics(bold).horizontalAdvance("Read Only") + 16);
    txtReadOnly->setText("Read Only");
    txtReadOnly->setStyleSheet("QLineEdit { color: #b00020; font-weight: bold; }");
    txtReadOnly->setVisible(false);
    g->addWidget(txtReadOnly, 1, 5, Qt::AlignLeft);
    tools->addStretch();
    g->addLayout(tools, 3, 0, 1, 6);
    g->setColumnStretch(5, 1);

    // Department and admin mode, to the right of the record frame.
    fraDept = new QGroupBox("Department : ", central);
    fraDept->setObjectName("fraDept");
    auto* dl = new QVBoxLayout(fraDept);
    cboDept = new QComboBox(fraDept);
    cboDept->setObjectName("cboDept");
    cboDept->setMinimumWidth(180);
    dl->addWidget(cboDept);
    fraAdminMode = new QGroupBox("Admin Mode", central);
    fraAdminMode->setObjectName("fraAdminMode");
    auto* al = new QHBoxLayout(fraAdminMode);
    txtAdminPW = new QLineEdit(fraAdminMode);
    txtAdminPW->setObjectName("txtAdminPW");
    txtAdminPW->setEchoMode(QLineEdit::Password);
    cmdCancelAdmin = button(fraAdminMode, "cmdCancelAdmin", "Cancel");
    al->addWidget(txtAdminPW);
    al->addWidget(cmdCancelAdmin);
    fraAdminMode->setVisible(false);

    auto* right = new QVBoxLayout;
    right->addWidget(fraDept);
    right->addWidget(fraAdminMode);
    right->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(fraPatInfo, 1);
    top->addLayout(right);

    paneArea = new QWidget(central);
    paneArea->setObjectName("paneArea");
    paneArea->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    imgDivider = new QLabel(paneArea);
    imgDivider->setObjectName("imgDivider");
    imgDivider->setFrameStyle(QFrame::Panel | QFrame::Raised);
    imgDivider->setCursor(Qt::SplitHCursor);
    imgDivider->setVisible(false);
    Picture1 = new QLabel(paneArea);
    Picture1->setObjectName("Picture1");
    Picture1->setAlignment(Qt::AlignCenter);

    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(4, 4, 4, 0);
    v->addLayout(top);
    v->addWidget(paneArea, 1);

    Timer1 = new QTimer(w);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(2000);
}

} // namespace viewer
