#include "viewer/EditCommands.h"

#include "viewer/MainWindow.h"

#include <QAction>

namespace viewer {

EditCommands::EditCommands(MainWindow& w) : QObject(&w), w_(w) {
    MainWindowUi& ui = w.ui();
    for (int i = 0; i < 3; ++i)
        connect(ui.mnuEditSelectItem[i], &QAction::triggered, this,
                [this, i] { w_.runCommand([this, i] { mnuEditSelectItem_Click(i); }); });
}

void EditCommands::mnuEditActionItem_Click(int) {}

void EditCommands::mnuEditSelectItem_Click(int Index) {
    static const char* tools[] = {"Drag", "SelectionRectangle", "SelectAnnoAndZones"};
    if (Index < 0 || Index > 2) return;
    w_.SelectMouseTool(tools[Index]);
}

void EditCommands::mnuPageRotatePageItem_Click(int) {}
void EditCommands::mDuplicate_Click() {}
void EditCommands::cmdDup_Click() {}
void EditCommands::cmdCommands_Click(int) {}
void EditCommands::mnuCtxDel_Click() {}
void EditCommands::mnuCtxFlip_Click() {}
void EditCommands::mnuCtxRLeft_Click() {}
void EditCommands::mnuCtxRRight_Click() {}
void EditCommands::docImgEdit1_SelectionRectDrawn(int, int, int, int) {}
void EditCommands::docImgEdit1_AnnotationSelected() {}
void EditCommands::docImgEdit1_SelectionCleared() {}

} // namespace viewer
