// The General Options window, opened from the View menu.
#include "test_navigation_helpers.h"
#include "viewer/GeneralOptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

using namespace viewertest;
using app::kAppPrefs;

namespace {

class GeneralOptions : public NavigationFixture {
protected:
    viewer::GeneralOptionsDialog* showOptions() {
        ui().mnuViewOptionsItem[0]->trigger();
        return w->findChild<viewer::GeneralOptionsDialog*>("frmGenOpt");
    }
    bool dialogOpen() const {
        auto* d = w->findChild<viewer::GeneralOptionsDialog*>("frmGenOpt");
        return d && d->isVisible();
    }
};

} // namespace

TEST_F(GeneralOptions, ShowsTheZoomListTheScrollBarsAndTheStorageRoot) {
    loadWindow();
    t.s().gstrZoom = "Actual";
    t.s().gblnShowScrollbars = false;
    t.s().gstrDefaultDirectoryD = "\\\\records-fs\\recfiles";
    viewer::GeneralOptionsDialog* d = showOptions();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->isVisible());
    EXPECT_FALSE(d->isModal());
    EXPECT_EQ(d->windowTitle(), "General Options");
    const QStringList items{"25%",  "50%",          "75%",           "100%",     "200%",
                            "400%", "Fit to Width", "Fit to Height", "Best Fit", "Actual Size"};
    QStringList shown;
    for (int i = 0; i < d->cboZoom->count(); ++i)
        shown << d->cboZoom->itemText(i);
    EXPECT_EQ(shown, items);
    EXPECT_EQ(d->cboZoom->currentText(), "Actual Size");
    EXPECT_FALSE(d->chkShowScrollbars->isChecked());
    EXPECT_EQ(d->chkShowScrollbars->text(), "&Show scroll bars");
    EXPECT_EQ(d->txtFileLocation->text(), "\\\\records-fs\\recfiles");
    EXPECT_EQ(d->findChild<QLabel*>("lblZoom")->text(), "&Open documents zoomed to:");
    EXPECT_EQ(d->findChild<QLabel*>("lblFileLocation")->text(), "&Default file location:");
    EXPECT_EQ(d->cmdCancel->text(), "Cancel");
    // Asked for again, the same window comes forward.
    EXPECT_EQ(showOptions(), d);
    d->close();
    QApplication::processEvents();

    t.s().gstrZoom = "33"; // no such item: 50%
    EXPECT_EQ(showOptions()->cboZoom->currentText(), "50%");
}

TEST_F(GeneralOptions, OkAppliesTheScrollBarsAtOnceAndStoresOnlyAtExit) {
    loadWindow();
    open(makeDocument("wide.tif", 1, QSize(2400, 1800)));
    ui().mnuZoomFactorItem[8]->trigger(); // 100%: larger than the display
    settle();
    ASSERT_TRUE(edit().horizontalScrollBar()->isVisible());
    const double zoom = edit().zoom();
    const QString storedZoom = t.settings.read(kAppPrefs, "General Preferences", "Zoom", "none");

    viewer::GeneralOptionsDialog* d = showOptions();
    d->cboZoom->setCurrentText("Fit to Height");
    d->chkShowScrollbars->setChecked(false);
    QTest::mouseClick(d->cmdOK, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(dialogOpen());
    EXPECT_EQ(t.s().gstrZoom, "FitToHeight");
    EXPECT_FALSE(t.s().gblnShowScrollbars);
    EXPECT_FALSE(edit().horizontalScrollBar()->isVisible());
    EXPECT_FALSE(edit().verticalScrollBar()->isVisible());
    EXPECT_DOUBLE_EQ(edit().zoom(), zoom); // the zoom preference is not applied
    EXPECT_EQ(t.settings.read(kAppPrefs, "General Preferences", "Zoom", "none"), storedZoom);

    w->Form_Unload();
    EXPECT_EQ(t.settings.read(kAppPrefs, "General Preferences", "Zoom"), "FitToHeight");
    EXPECT_EQ(t.settings.read(kAppPrefs, "General Preferences", "Scrollbars"), "False");
}

TEST_F(GeneralOptions, CancelChangesNothing) {
    loadWindow();
    open(makeDocument("wide.tif", 1, QSize(2400, 1800)));
    ui().mnuZoomFactorItem[8]->trigger();
    settle();
    t.s().gstrZoom = "75";
    t.s().gblnShowScrollbars = true;
    viewer::GeneralOptionsDialog* d = showOptions();
    d->cboZoom->setCurrentText("Best Fit");
    d->chkShowScrollbars->setChecked(false);
    QTest::mouseClick(d->cmdCancel, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(dialogOpen());
    EXPECT_EQ(t.s().gstrZoom, "75");
    EXPECT_TRUE(t.s().gblnShowScrollbars);
    EXPECT_TRUE(edit().horizontalScrollBar()->isVisible());
}
