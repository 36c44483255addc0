#include "viewer/NavigationCommands.h"

#include "app/Failure.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageThumbnail.h"
#include "imaging/pixels/ImagingError.h"
#include "viewer/BlankPages.h"
#include "viewer/EditCommands.h"
#include "viewer/FileCommands.h"
#include "viewer/GeneralOptionsDialog.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QToolBar>
#include <algorithm>
#include <cmath>

namespace viewer {

namespace {

// Zoom menu: the fit mode of items 0-3 and the percentage of items 5-10 (4 is a separator).
constexpr int kFitOfItem[] = {imaging::kFitHeight, imaging::kFitWidth, imaging::kFitBest,
                              imaging::kFitActual};
constexpr double kPercentOfItem[] = {25, 50, 75, 100, 200, 400};
constexpr int kZoomItems[] = {0, 1, 2, 3, 5, 6, 7, 8, 9, 10};

// Key codes of the page display's key-down notification.
constexpr int kKeyLeft = 37;
constexpr int kKeyRight = 39;

// Mouse buttons of the controls' notifications.
constexpr int kLeftButton = 1;
constexpr int kRightButton = 2;

// Width of the pane divider, in twips.
constexpr double kDividerTwips = 52;

} // namespace

NavigationCommands::NavigationCommands(MainWindow& w) : QObject(&w), w_(w) {
    connectMenus();
    connectControls();
    addShortcuts();
}

void NavigationCommands::connectMenus() {
    MainWindowUi& ui = w_.ui();
    auto on = [this](QAction* a, std::function<void()> f) {
        connect(a, &QAction::triggered, this, [this, f] { w_.runCommand(f); });
    };
    // A check item's command decides its check mark from the state before the click, so
    // the mark Qt toggles on its own is put back first.
    auto onCheckItem = [this](QAction* a, std::function<void()> f) {
        connect(a, &QAction::triggered, this, [this, a, f](bool checked) {
            a->setChecked(!checked);
            w_.runCommand(f);
        });
    };
    for (int i = 0; i < 4; ++i)
        on(ui.mnuPageDirectionItem[i], [this, i] { mnuPageDirectionItem_Click(i); });
    for (int i = 0; i < 3; ++i)
        on(ui.mnuViewModeItem[i], [this, i] { mnuViewModeItem_Click(i); });
    onCheckItem(ui.mnuViewScaleToGray, [this] { mnuViewScaleToGray_Click(); });
    onCheckItem(ui.mnuViewFullScreen, [this] { mnuViewFullScreen_Click(); });
    for (int i = 0; i < 2; ++i)
        on(ui.mnuViewOptionsItem[i], [this, i] { mnuViewOptionsItem_Click(i); });
    for (int i : kZoomItems)
        on(ui.mnuZoomFactorItem[i], [this, i] { mnuZoomFactorItem_Click(i); });
}

void NavigationCommands::connectControls() {
    MainWindowUi& ui = w_.ui();
    for (int i = 0; i < 2; ++i)
        connect(ui.cmdZoom[i], &QPushButton::clicked, this,
                [this, i] { w_.runCommand([this, i] { cmdZoom_Click(i); }); });
    connect(ui.tbarMain, &QToolBar::actionTriggered, this,
            [this](QAction* a) { w_.runCommand([this, a] { tbarMain_ButtonClick(a); }); });

    imaging::ImageEdit* edit = w_.docImgEdit1;
    connect(edit, &imaging::ImageEdit::keyDown, this, [this](int key, int shift) {
        w_.runCommand([&] { docImgEdit1_KeyDown(key, shift); });
    });
    connect(edit, &imaging::ImageEdit::mouseDown, this, [this](int b, int s, int x, int y) {
        w_.runCommand([&] { docImgEdit1_MouseDown(b, s, x, y); });
    });
    connect(edit, &imaging::ImageEdit::mouseMove, this, [this](int b, int s, int x, int y) {
        w_.runCommand([&] { docImgEdit1_MouseMove(b, s, x, y); });
    });
    connect(edit, &imaging::ImageEdit::mouseUp, this, [this](int b, int s, int x, int y) {
        w_.runCommand([&] { docImgEdit1_MouseUp(b, s, x, y); });
    });

    imaging::ImageThumbnail* strip = w_.docImgThumbnail1;
    connect(strip, &imaging::ImageThumbnail::click, this,
            [this](int n) { w_.runCommand([&] { docImgThumbnail1_Click(n); }); });
    connect(strip, &imaging::ImageThumbnail::dblClick, this,
            [this](int n) { w_.runCommand([&] { docImgThumbnail1_DblClick(n); }); });
    connect(strip, &imaging::ImageThumbnail::thumbMouseDown, this,
            [this](int b, int s, int x, int y, int n) {
                w_.runCommand([&] { docImgThumbnail1_MouseDown(b, s, x, y, n); });
            });

    ui.imgDivider->installEventFilter(this);
    // A fit chosen in the Zoom menu stays a fit when the panes change size (view mode,
    // divider, window size), so its check mark keeps telling the truth. A zoom set by
    // percentage or by the buttons ends it.
    edit->setRefitOnResize(true);
}

void NavigationCommands::addShortcuts() {
    MainWindowUi& ui = w_.ui();
    // The keys the captions of "F2-Scan" and "F3-Open" promise run those buttons' commands
    // (a hidden button's key does nothing, as the button cannot be clicked).
    ui.tbarButton(2)->setShortcut(QKeySequence(Qt::Key_F2));
    ui.tbarButton(3)->setShortcut(QKeySequence(Qt::Key_F3));
    // Standard paging keys. A disabled item's shortcut does not fire, so the first and the
    // last page close them just as they close the items.
    ui.mnuPageDirectionItem[0]->setShortcut(QKeySequence(Qt::Key_PageUp));
    ui.mnuPageDirectionItem[1]->setShortcut(QKeySequence(Qt::Key_PageDown));
    ui.mnuPageDirectionItem[2]->setShortcut(QKeySequence(Qt::Key_Home));
    ui.mnuPageDirectionItem[3]->setShortcut(QKeySequence(Qt::Key_End));
    // Zooming by keys works like the "-" and "+" buttons, and only while they are enabled.
    auto zoomKeys = [this](const QString& name, QList<QKeySequence> keys, int index) {
        auto* s = new QShortcut(&w_);
        s->setObjectName(name);
        s->setKeys(keys);
        connect(s, &QShortcut::activated, this, [this, index] {
            if (w_.ui().cmdZoom[index]->isEnabled())
                w_.runCommand([this, index] { cmdZoom_Click(index); });
        });
    };
    zoomKeys("shortcutZoomOut", {QKeySequence(Qt::CTRL | Qt::Key_Minus)}, 0);
    // Ctrl+= is the plus key without Shift on most keyboards.
    zoomKeys("shortcutZoomIn",
             {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}, 1);
}

// ---- pages ----

bool NavigationCommands::setDisplayPage(int page) {
    imaging::ImageEdit& edit = *w_.docImgEdit1;
    if (app::Steps(app::FailureStyle::Skip)([&] { edit.setPage(page); })) return true;
    if (edit.statusCode() == imaging::kErrBadPage) return false;
    throw imaging::Error(edit.statusCode(), edit.statusDescription());
}

void NavigationCommands::showPage(int page, bool keepThumbSelection) {
    if (!setDisplayPage(page)) return;
    w_.doc().gblnJustOpened = false;
    w_.EnablePageMenusAndDisplay(w_.docImgEdit1->page(), false, keepThumbSelection);
}

void NavigationCommands::mnuPageDirectionItem_Click(int Index) {
    const imaging::ImageEdit& edit = *w_.docImgEdit1;
    switch (Index) {
    case 0:
        return showPage(edit.page() - 1);
    case 1:
        return showPage(edit.page() + 1);
    case 2:
        return showPage(1);
    case 3:
        return showPage(edit.pageCount());
    default:
        return;
    }
}

void NavigationCommands::docImgEdit1_KeyDown(int keyCode, int) {
    if (keyCode == kKeyLeft) mnuPageDirectionItem_Click(0);
    if (keyCode == kKeyRight) mnuPageDirectionItem_Click(1);
}

void NavigationCommands::docImgThumbnail1_Click(int thumbNumber) {
    if (thumbNumber < 1) return;
    // Thumbnails chosen together (Ctrl+click, Shift+click, Ctrl+A) stay chosen, so
    // "Delete Pages" and the context menu act on all of them.
    showPage(thumbNumber, w_.docImgThumbnail1->selectedThumbs().size() > 1);
}

void NavigationCommands::docImgThumbnail1_DblClick(int thumbNumber) {
    setDisplayPage(thumbNumber);
}

void NavigationCommands::docImgThumbnail1_MouseDown(int button, int, int x, int y,
                                                    int thumbNumber) {
    if (button != kRightButton || thumbNumber <= 0) return;
    docImgThumbnail1_Click(thumbNumber);
    // The menu opens without waiting: its items run as commands of their own.
    w_.ui().mnuContext->popup(w_.docImgThumbnail1->viewport()->mapToGlobal(QPoint(x, y)));
}

void NavigationCommands::UpdatePageCounter() {
    watchDocument();
    const int page = w_.docImgEdit1->page();
    QString text = QString::number(page) + "/" + QString::number(w_.docImgThumbnail1->thumbCount());
    // A page marked as looking blank says so beside its number.
    if (w_.blankPages().isMarked(page)) text += tr(" blank?");
    w_.ui().txtPages->setText(text);
}

void NavigationCommands::watchDocument() {
    QObject* model = w_.docImgEdit1->model().get();
    if (model == watchedModel_) return;
    for (auto* c : {&modelInserted_, &modelRemoved_, &modelReloaded_})
        disconnect(*c);
    watchedModel_ = model;
    if (!model) return;
    // The strip and the page display follow the document before this runs (they were
    // connected to it first), so the counter reads their new state.
    auto recount = [this] {
        if (!w_.doc().NoDocument && w_.docImgEdit1->model()) UpdatePageCounter();
    };
    auto* m = static_cast<imaging::DocumentModel*>(model);
    modelInserted_ = connect(m, &imaging::DocumentModel::pagesInserted, this, recount);
    modelRemoved_ = connect(m, &imaging::DocumentModel::pagesRemoved, this, recount);
    modelReloaded_ = connect(m, &imaging::DocumentModel::reloaded, this, recount);
}

// ---- view ----

void NavigationCommands::mnuViewModeItem_Click(int Index) {
    MainWindowUi& ui = w_.ui();
    for (int i = 0; i < 3; ++i)
        ui.mnuViewModeItem[i]->setChecked(i == Index);
    w_.ViewMode = Index;
    if (Index == 2) holdThumbnailsUntilPainted();
    w_.SetViewMode(Index);
}

void NavigationCommands::holdThumbnailsUntilPainted() {
    imaging::ImageThumbnail* strip = w_.docImgThumbnail1;
    imaging::ImageEdit* edit = w_.docImgEdit1;
    // A strip coming into view beside the page starts making its thumbnails at once; while
    // the page is still being rendered they would take the processor from it. They wait.
    if (strip->isVisible() || strip->thumbCount() == 0 || !edit->renderingPending()) return;
    strip->clearThumbs();
    const QString document = strip->image();
    connect(
        edit, &imaging::ImageEdit::renderingFinished, strip,
        [strip, document] {
            if (strip->image() == document) strip->generateThumb(imaging::kThumbGenerateVisible);
        },
        Qt::SingleShotConnection);
}

void NavigationCommands::mnuViewFullScreen_Click() {
    QAction* item = w_.ui().mnuViewFullScreen;
    if (item->isChecked()) {
        w_.setWindowState(Qt::WindowNoState);
        item->setChecked(false);
    } else {
        w_.setWindowState(Qt::WindowMaximized);
        item->setChecked(true);
    }
}

void NavigationCommands::mnuViewOptionsItem_Click(int Index) {
    if (Index == 0) {
        // One General Options window at a time; asking again brings it forward.
        if (!generalOptions_)
            generalOptions_ = new GeneralOptionsDialog(w_.session(), *w_.docImgEdit1, &w_);
        generalOptions_->show();
        generalOptions_->raise();
        generalOptions_->activateWindow();
    } else if (Index == 1) {
        w_.docImgThumbnail1->showThumbSizeDialog();
    }
}

void NavigationCommands::mnuViewScaleToGray_Click() {
    QAction* item = w_.ui().mnuViewScaleToGray;
    imaging::ImageEdit& edit = *w_.docImgEdit1;
    if (item->isChecked()) {
        item->setChecked(false);
        edit.setDisplayScaleAlgorithm(imaging::kScaleNormal);
        edit.refresh();
        return;
    }
    item->setChecked(true);
    if (w_.doc().GrayEligible != 1) return;
    edit.setDisplayScaleAlgorithm(imaging::kScaleGray);
    edit.refresh();
}

// ---- zoom ----

void NavigationCommands::mnuZoomFactorItem_Click(int Index) {
    if (Index < 0 || Index > 10 || Index == 4) return;
    MainWindowUi& ui = w_.ui();
    imaging::ImageEdit& edit = *w_.docImgEdit1;
    for (int i : kZoomItems)
        ui.mnuZoomFactorItem[i]->setChecked(false);
    if (Index <= 3)
        edit.fitTo(kFitOfItem[Index]);
    else
        edit.setZoom(kPercentOfItem[Index - 5]);
    ui.mnuZoomFactorItem[Index]->setChecked(true);
    edit.refresh();
}

void NavigationCommands::checkZoomInEffect() {
    MainWindowUi& ui = w_.ui();
    const imaging::ImageEdit& edit = *w_.docImgEdit1;
    const int fit = edit.fitMode();
    for (int i : kZoomItems) {
        const bool inEffect = i <= 3 ? fit == kFitOfItem[i]
                                     : fit < 0 && edit.zoom() == kPercentOfItem[i - 5];
        ui.mnuZoomFactorItem[i]->setChecked(inEffect);
    }
}

void NavigationCommands::cmdZoom_Click(int Index) {
    imaging::ImageEdit& edit = *w_.docImgEdit1;
    const float z = float(edit.zoom());
    if (Index == 0) {
        if (z - 10 > 1) edit.setZoom(z - 10);
    } else if (Index == 1) {
        // The engine's largest zoom is where "+" stops.
        edit.setZoom(std::min(double(z) + 10, imaging::ImageEdit::kMaxZoom));
    }
    edit.refresh();
    // The menu's mark follows: a zoom the menu does not offer leaves no item checked.
    checkZoomInEffect();
}

// ---- panning ----

void NavigationCommands::docImgEdit1_MouseDown(int button, int, int x, int y) {
    if (!w_.docImgEdit1->imageDisplayed() || button != kLeftButton ||
        !w_.ui().mnuEditSelectItem[0]->isChecked())
        return;
    Dragging = true;
    DragX = x * w_.twipsPerPixelX();
    DragY = y * w_.twipsPerPixelY();
}

void NavigationCommands::docImgEdit1_MouseMove(int, int, int xPixels, int yPixels) {
    if (!Dragging || w_.editing().PasteDone) return;
    imaging::ImageEdit& edit = *w_.docImgEdit1;
    const double tx = w_.twipsPerPixelX(), ty = w_.twipsPerPixelY();
    const double x = xPixels * tx, y = yPixels * ty;
    const double dx = DragX - x;
    if (dx > 0) edit.scrollImage(imaging::kScrollLeft, int(std::lround(std::abs(x - DragX) / tx)));
    if (dx < 0) edit.scrollImage(imaging::kScrollRight, int(std::lround(std::abs(x - DragX) / tx)));
    DragX = x;
    const double dy = DragY - y;
    if (dy > 0) edit.scrollImage(imaging::kScrollUp, int(std::lround(std::abs(y - DragY) / ty)));
    if (dy < 0) edit.scrollImage(imaging::kScrollDown, int(std::lround(std::abs(y - DragY) / ty)));
    DragY = y;
}

void NavigationCommands::docImgEdit1_MouseUp(int, int, int, int) {
    Dragging = false;
}

// ---- pane divider ----

void NavigationCommands::imgDivider_Dropped(bool onPageDisplay, double x) {
    const double tx = w_.twipsPerPixelX();
    QLabel* divider = w_.ui().imgDivider;
    const double left = onPageDisplay ? w_.docImgThumbnail1->width() * tx + kDividerTwips + x : x;
    divider->move(int(std::lround(left / tx)), divider->y());
    w_.SetViewMode(2);
}

bool NavigationCommands::eventFilter(QObject* watched, QEvent* event) {
    QLabel* divider = w_.ui().imgDivider;
    if (watched != divider) return false;
    auto* me = static_cast<QMouseEvent*>(event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (me->button() != Qt::LeftButton) return false;
        dividerDragging_ = true;
        // While it is dragged the divider is a dark bar, seen over the page as well.
        divider->setBackgroundRole(QPalette::Dark);
        divider->setAutoFillBackground(true);
        divider->raise();
        return true;
    case QEvent::MouseMove: {
        if (!dividerDragging_) return false;
        // The divider follows the pointer; where it is let go decides the layout.
        QWidget* area = w_.ui().paneArea;
        const int x = divider->mapTo(area, me->position().toPoint()).x();
        divider->move(std::clamp(x, 0, std::max(0, area->width() - divider->width())),
                      divider->y());
        return true;
    }
    case QEvent::MouseButtonRelease:
        dividerDragging_ = false;
        divider->setAutoFillBackground(false);
        return false; // the window lays the panes out for the drop
    default:
        return false;
    }
}

// ---- toolbar ----

void NavigationCommands::tbarMain_ButtonClick(QAction* button) {
    if (!button) return;
    // The other buttons share their menu command's action and run it themselves.
    const QString key = button->data().toString();
    if (key == QLatin1String("tbrClose")) {
        w_.files().mnuFileClose_Click();
        w_.ClearRecordData();
    } else if (key == QLatin1String("tbrInsert")) {
        w_.ui().mnuPageInsertItem[0]->trigger();
    }
}

} // namespace viewer
