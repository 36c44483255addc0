#pragma once
// Page navigation, view modes, full screen, options, zoom, drag panning, the pane divider,
// the page counter, the toolbar and the thumbnail strip's events.
#include <QMetaObject>
#include <QObject>
#include <QPointer>

class QAction;
class QPoint;

namespace viewer {

class MainWindow;
class GeneralOptionsDialog;

class NavigationCommands : public QObject {
    Q_OBJECT
public:
    explicit NavigationCommands(MainWindow& w);

    void mnuPageDirectionItem_Click(int Index);
    void mnuViewModeItem_Click(int Index);
    void mnuViewFullScreen_Click();
    void mnuViewOptionsItem_Click(int Index);
    void mnuViewScaleToGray_Click();
    void mnuZoomFactorItem_Click(int Index);
    void cmdZoom_Click(int Index);
    // Checks the Zoom menu's item of the zoom in effect (a fit, or a percentage of the menu)
    // and no other: when a document is opened and whenever the zoom changes.
    void checkZoomInEffect();
    void tbarMain_ButtonClick(QAction* button);

    // Page display events.
    void docImgEdit1_KeyDown(int keyCode, int shift);
    void docImgEdit1_MouseDown(int button, int shift, int x, int y);
    void docImgEdit1_MouseMove(int button, int shift, int x, int y);
    void docImgEdit1_MouseUp(int button, int shift, int x, int y);
    // The divider image dropped on the page display (`onPageDisplay`) or the strip at x
    // (twips, relative to the control it was dropped on).
    void imgDivider_Dropped(bool onPageDisplay, double x);

    // Thumbnail strip events.
    void docImgThumbnail1_Click(int thumbNumber);
    void docImgThumbnail1_DblClick(int thumbNumber);
    void docImgThumbnail1_MouseDown(int button, int shift, int x, int y, int thumbNumber);

    void UpdatePageCounter();

    // Pan state.
    bool Dragging = false;
    double DragX = 0;
    double DragY = 0;

protected:
    // Moves the divider with the pointer while it is dragged (the drop lays the panes out).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectMenus();
    void connectControls();
    void addShortcuts();
    // Makes `page` the page display's current page; false when the display refuses it as
    // outside the document (the page shown stays). Other failures end the command.
    bool setDisplayPage(int page);
    // Shows page `page` as a page operation does: the current page, then the redisplay.
    void showPage(int page, bool keepThumbSelection = false);
    // Follows the open document's page list so the counter stays right after inserts and
    // deletions, whoever makes them.
    void watchDocument();
    // Keeps a strip about to be shown beside the page from competing with its rendering.
    void holdThumbnailsUntilPainted();

    MainWindow& w_;
    QPointer<GeneralOptionsDialog> generalOptions_;
    QPointer<QObject> watchedModel_;
    QMetaObject::Connection modelInserted_, modelRemoved_, modelReloaded_;
    bool dividerDragging_ = false;
};

} // namespace viewer
