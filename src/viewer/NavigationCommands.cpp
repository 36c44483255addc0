#include "viewer/NavigationCommands.h"

#include "imaging/ImageEdit.h"
#include "imaging/ImageThumbnail.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QLineEdit>

namespace viewer {

NavigationCommands::NavigationCommands(MainWindow& w) : QObject(&w), w_(w) {
    MainWindowUi& ui = w.ui();
    for (int i = 0; i < 3; ++i)
        connect(ui.mnuViewModeItem[i], &QAction::triggered, this,
                [this, i] { w_.runCommand([this, i] { mnuViewModeItem_Click(i); }); });
}

void NavigationCommands::mnuPageDirectionItem_Click(int) {}

void NavigationCommands::mnuViewModeItem_Click(int Index) {
    MainWindowUi& ui = w_.ui();
    for (int i = 0; i < 3; ++i) ui.mnuViewModeItem[i]->setChecked(i == Index);
    w_.ViewMode = Index;
    w_.SetViewMode(Index);
}

void NavigationCommands::mnuViewFullScreen_Click() {}
void NavigationCommands::mnuViewOptionsItem_Click(int) {}
void NavigationCommands::mnuViewScaleToGray_Click() {}
void NavigationCommands::mnuZoomFactorItem_Click(int) {}
void NavigationCommands::cmdZoom_Click(int) {}
void NavigationCommands::tbarMain_ButtonClick(QAction*) {}
void NavigationCommands::docImgEdit1_KeyDown(int, int) {}
void NavigationCommands::docImgEdit1_MouseDown(int, int, int, int) {}
void NavigationCommands::docImgEdit1_MouseMove(int, int, int, int) {}
void NavigationCommands::docImgEdit1_MouseUp(int, int, int, int) {}
void NavigationCommands::imgDivider_Dropped(bool, double) {}
void NavigationCommands::docImgThumbnail1_Click(int) {}
void NavigationCommands::docImgThumbnail1_DblClick(int) {}
void NavigationCommands::docImgThumbnail1_MouseDown(int, int, int, int, int) {}

void NavigationCommands::UpdatePageCounter() {
    w_.ui().txtPages->setText(QString::number(w_.docImgEdit1->page()) + "/" +
                              QString::number(w_.docImgThumbnail1->thumbCount()));
}

} // namespace viewer
