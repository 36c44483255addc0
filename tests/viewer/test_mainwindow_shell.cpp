#include "app/CurrentUser.h"
#include "app/Settings.h"
#include "doubles/TestSession.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace viewer;
using app::kAppPrefs;

namespace {
struct Shell : ::testing::Test {
    doubles::TestSession t;
    std::unique_ptr<MainWindow> w;
    void SetUp() override { t.signIn(); }
    MainWindow& load() {
        w = std::make_unique<MainWindow>(t.s());
        w->Form_Load();
        return *w;
    }
    QAction* action(const QString& name) { return w->findChild<QAction*>(name); }
};
} // namespace

TEST_F(Shell, TitleNamesTheVersionAndTheKindOfUser) {
    t.s().gblnAdmin = true;
    load();
    EXPECT_EQ(w->windowTitle(), "TALVOR Docuvane v8.0.78 - Admin User ");
    t.s().gblnAdmin = false;
    w->SetWindowTitle();
    EXPECT_EQ(w->windowTitle(), "TALVOR Docuvane v8.0.78 - Standard User");
}

TEST_F(Shell, StatusBarShowsTheEmployeeAndTheRights) {
    t.user->employeeName = "Reyes, Maria Santos";
    t.user->rights = "ASV";
    load();
    EXPECT_EQ(w->findChild<QLabel*>("StatusBar1_Panel1")->text(), "Reyes, Maria Santos");
    EXPECT_EQ(w->findChild<QLabel*>("StatusBar1_Panel2")->text(), "ASV");
}

TEST_F(Shell, ToolbarButtonsStandAtTheirPositionsWithTheirKeys) {
    load();
    const QStringList keys{"", "tbrNewRec", "tbrOpenRec", "tbrClose", "tbrSep", "tbrFirst",
                           "tbrPrevious", "tbrNextPage", "tbrLastPage", "tbrRotateLeft",
                           "tbrRotateRight", "tbrFlip", "tbrInsert", "tbrDelete", "tbrSep2",
                           "tbrExit", "tbrSep3"};
    const auto actions = w->findChild<QToolBar*>("tbarMain")->actions();
    ASSERT_EQ(actions.size(), keys.size());
    for (int i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(actions[i]->data().toString(), keys[i]) << "position " << i + 1;
        EXPECT_EQ(w->ui().tbarButton(i + 1), actions[i]);
    }
    EXPECT_TRUE(actions[0]->isSeparator());
    EXPECT_EQ(actions[1]->text(), "F2-&Scan");
    EXPECT_EQ(actions[3]->text(), "&Close Rec");
}

TEST_F(Shell, MenuArraysCarryTheirCaptionsAtTheirIndices) {
    load();
    EXPECT_EQ(action("mnuEditActionItem_5")->text(), "&Delete Pages");
    EXPECT_EQ(action("mnuZoomFactorItem_3")->text(), "Act&ual Size");
    EXPECT_TRUE(action("mnuZoomFactorItem_4")->isSeparator());
    EXPECT_EQ(action("mnuZoomFactorItem_10")->text(), "&400%");
    EXPECT_EQ(action("mnuAnnoToolItem_9")->text(), "R&ubber Stamps...");
    EXPECT_EQ(action("mnuPageInsertItem_1")->text(), "&Existing Page...");
    EXPECT_EQ(action("mnuViewOptionsItem_1")->text(), "&Thumbnail Size...");
    // The Maintenance menu holds its items in order.
    QStringList names;
    for (QAction* a : w->ui().mnuMaintenanceMenu->actions()) names << a->objectName();
    EXPECT_EQ(names, (QStringList{"mnuRectype", "mnuFileLoc", "mDeleteRecord", "mVersions",
                                  "mOpenLocation", "mUpdateModule", "mUpdateDatabase",
                                  "mChangeType", "mTraceMode", "mAdmin"}));
    EXPECT_NE(action("mConnect"), nullptr);
}

TEST_F(Shell, AccessTypeShowsOrHidesTheScanningAndAdministrationItems) {
    t.s().gblnAdmin = false;
    load();
    const QStringList gated{"mnuFileNew", "mnuFileManual", "mnuFilePrintCoverSheet",
                            "mnuFileScanNew", "mnuFileScanBatch", "mnuScanSet", "mnuFileSelectScanner",
                            "mnuFileScanPreferences", "mnuShowScanSetupbeforeScan", "mnuFileSave",
                            "mReports", "mnuRectype"};
    for (const QString& n : gated) EXPECT_FALSE(action(n)->isVisible()) << n.toStdString();
    for (int pos : {2, 13, 14}) EXPECT_FALSE(w->ui().tbarButton(pos)->isVisible());
    EXPECT_TRUE(action("mnuFileOpenRec")->isVisible());
    t.s().gblnAdmin = true;
    w->ApplyAccessMenus();
    for (const QString& n : gated) EXPECT_TRUE(action(n)->isVisible()) << n.toStdString();
    for (int pos : {2, 13, 14}) EXPECT_TRUE(w->ui().tbarButton(pos)->isVisible());
}

TEST_F(Shell, LoadReadsThePreferencesAndCentresAWindowWithoutAPosition) {
    t.settings.write(kAppPrefs, "General Preferences", "Zoom", "Actual");
    t.settings.write(kAppPrefs, "User Preferences", "ShowScanSetupbeforeScan", "True");
    load();
    EXPECT_EQ(t.s().gstrZoom, "Actual");
    EXPECT_TRUE(t.s().gblnShowScrollbars);
    EXPECT_TRUE(w->ui().mnuShowScanSetupbeforeScan->isChecked());
    EXPECT_EQ(w->size(), MainWindow::designSize());
    const QRect screen = w->screen()->geometry();
    EXPECT_EQ(w->x(), screen.x() + (screen.width() - w->width()) / 2);
    EXPECT_EQ(w->y(), screen.y() + (screen.height() - w->height()) / 2);
    EXPECT_EQ(t.s().gstrTempDir, t.system.folder + "\\Temp");
    EXPECT_TRUE(QDir(t.system.folder + "/Temp").exists());
}

TEST_F(Shell, PreferencesAndPositionSurviveAnExitAndTheNextStart) {
    load();
    t.s().gstrZoom = "200";
    t.s().gblnShowScrollbars = false;
    w->ViewMode = 2;
    w->setGeometry(100, 80, 900, 700);
    w->Form_Unload();
    EXPECT_EQ(t.settings.read(kAppPrefs, "General Preferences", "Zoom"), "200");
    EXPECT_EQ(t.settings.read(kAppPrefs, "User Preferences", "View Mode"), "2");
    EXPECT_EQ(t.settings.read(kAppPrefs, "Window Position", "Left"),
              QString::number(float(100 * w->twipsPerPixelX())));

    auto again = std::make_unique<MainWindow>(t.s());
    again->LoadSavePreferences("Get");
    EXPECT_EQ(again->geometry(), QRect(100, 80, 900, 700));
    EXPECT_EQ(again->ViewMode, 2);
    EXPECT_EQ(t.s().gstrZoom, "200");
    EXPECT_FALSE(t.s().gblnShowScrollbars);
}
