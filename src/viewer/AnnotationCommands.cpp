#include "viewer/AnnotationCommands.h"

#include "viewer/MainWindow.h"

namespace viewer {

AnnotationCommands::AnnotationCommands(MainWindow& w) : QObject(&w), w_(w) {}

void AnnotationCommands::mnuAnnoDisplayItem_Click(int) {}
void AnnotationCommands::mnuAnnoToolItem_Click(int) {}
void AnnotationCommands::mnuAnnoShowAnnoToolbox_Click() {}
void AnnotationCommands::cmdStamp_Click() {}
void AnnotationCommands::cmdText_Click() {}
void AnnotationCommands::cmdBarcode_Click() {}
void AnnotationCommands::docImgEdit1_ToolSelected(int) {}
void AnnotationCommands::docImgEdit1_AnnotationDrawn() {}
void AnnotationCommands::docImgEdit1_ToolPaletteHidden() {}

} // namespace viewer
