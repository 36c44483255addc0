#pragma once
// The Annotation menu, the annotation mouse tools, the floating toolbox, and the record
// frame's Stamp, Text and Barcode buttons.
#include <QObject>

namespace viewer {

class MainWindow;

class AnnotationCommands : public QObject {
    Q_OBJECT
public:
    explicit AnnotationCommands(MainWindow& w);

    void mnuAnnoDisplayItem_Click(int Index);
    void mnuAnnoToolItem_Click(int Index);
    void mnuAnnoShowAnnoToolbox_Click();
    void cmdStamp_Click();
    void cmdText_Click();
    void cmdBarcode_Click();

    // Page display notifications.
    void docImgEdit1_ToolSelected(int tool);
    void docImgEdit1_AnnotationDrawn();
    void docImgEdit1_ToolPaletteHidden();

private:
    MainWindow& w_;
};

} // namespace viewer
