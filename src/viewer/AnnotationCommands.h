#pragma once
// The Annotation menu, the annotation mouse tools, the floating toolbox, and the record
// frame's Stamp, Text and Barcode buttons.
#include <QObject>

namespace viewer {

class MainWindow;

// The record's ID number as a barcode label: the group its annotations go into and where
// its parts are drawn (page display coordinates).
namespace barcode {
inline constexpr const char* kGroup = "GROUP1";
inline constexpr int kBackgroundLeft = 10, kBackgroundTop = 38;
inline constexpr int kBackgroundWidth = 250, kBackgroundHeight = 80;
inline constexpr int kCodeLeft = 20, kCodeTop = 40;
inline constexpr double kCodeFontSize = 32;
inline constexpr const char* kCodeFont = "Free 3 of 9";
inline constexpr int kCaptionLeft = 10, kCaptionTop = 15;
inline constexpr double kCaptionFontSize = 8;
inline constexpr const char* kCaptionFont = "Arial";
} // namespace barcode

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
