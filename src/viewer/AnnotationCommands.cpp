#include "viewer/AnnotationCommands.h"

#include "imaging/controls/ImageEdit.h"
#include "viewer/MainWindow.h"
#include "viewer/History.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <iterator>

namespace viewer {

namespace {

// The mouse tools of the Annotation menu's tool items, by index.
const char* const kToolNames[] = {
    "SelectAnnoAndZones", "FreehandLine", "Highlighter", "StraightLine", "HollowRectangle",
    "FilledRectangle",    "TypedText",    "AttachANote", "TextFromFile", "RubberStamp"};

// Menu items whose handlers decide the check mark themselves: a click must not toggle it
// before the handler has read it.
void keepCheckForHandler(QAction* a, bool checkedByClick) {
    a->setChecked(!checkedByClick);
}

} // namespace

AnnotationCommands::AnnotationCommands(MainWindow& w) : QObject(&w), w_(w) {
    MainWindowUi& ui = w.ui();
    auto run = [this](auto handler) { w_.runCommand(handler); };
    connect(ui.mnuAnnoDisplayItem[0], &QAction::triggered, this, [this, run](bool checked) {
        keepCheckForHandler(w_.ui().mnuAnnoDisplayItem[0], checked);
        run([this] { mnuAnnoDisplayItem_Click(0); });
    });
    connect(ui.mnuAnnoDisplayItem[1], &QAction::triggered, this,
            [this, run] { run([this] { mnuAnnoDisplayItem_Click(1); }); });
    for (int i = 0; i < 10; ++i)
        connect(ui.mnuAnnoToolItem[i], &QAction::triggered, this,
                [this, run, i] { run([this, i] { mnuAnnoToolItem_Click(i); }); });
    connect(ui.mnuAnnoShowAnnoToolbox, &QAction::triggered, this, [this, run](bool checked) {
        keepCheckForHandler(w_.ui().mnuAnnoShowAnnoToolbox, checked);
        run([this] { mnuAnnoShowAnnoToolbox_Click(); });
    });
    connect(ui.cmdStamp, &QPushButton::clicked, this,
            [this, run] { run([this] { cmdStamp_Click(); }); });
    connect(ui.cmdText, &QPushButton::clicked, this,
            [this, run] { run([this] { cmdText_Click(); }); });
    connect(ui.cmdBarcode, &QPushButton::clicked, this,
            [this, run] { run([this] { cmdBarcode_Click(); }); });

    imaging::ImageEdit* edit = w.docImgEdit1;
    connect(edit, &imaging::ImageEdit::toolSelected, this,
            [this, run](int tool) { run([this, tool] { docImgEdit1_ToolSelected(tool); }); });
    connect(edit, &imaging::ImageEdit::annotationDrawn, this,
            [this, run] { run([this] { docImgEdit1_AnnotationDrawn(); }); });
    connect(edit, &imaging::ImageEdit::toolPaletteHidden, this,
            [this, run] { run([this] { docImgEdit1_ToolPaletteHidden(); }); });
}

void AnnotationCommands::mnuAnnoDisplayItem_Click(int Index) {
    imaging::ImageEdit& edit = *w_.docImgEdit1;
    if (Index == 0) {
        QAction* show = w_.ui().mnuAnnoDisplayItem[0];
        if (show->isChecked()) {
            show->setChecked(false);
            edit.hideAnnotations();
        } else {
            show->setChecked(true);
            edit.showAnnotations();
        }
        edit.refresh();
    } else if (Index == 1) {
        // All annotations, burnt in as they are shown.
        edit.burnInAnnotations(1, 2);
        recordDocumentHistory(w_, history::Action::BurnIn, pageRange(1, edit.pageCount()));
    }
}

void AnnotationCommands::mnuAnnoToolItem_Click(int Index) {
    if (Index < 0 || Index >= int(std::size(kToolNames))) return;
    w_.SelectMouseTool(kToolNames[Index]);
}

void AnnotationCommands::mnuAnnoShowAnnoToolbox_Click() {
    QAction* item = w_.ui().mnuAnnoShowAnnoToolbox;
    if (item->isChecked()) {
        item->setChecked(false);
        w_.docImgEdit1->hideAnnotationToolPalette();
    } else {
        item->setChecked(true);
        w_.docImgEdit1->showAnnotationToolPalette();
    }
}

void AnnotationCommands::cmdStamp_Click() {
    mnuAnnoToolItem_Click(9);
}

void AnnotationCommands::cmdText_Click() {
    mnuAnnoToolItem_Click(6);
}

void AnnotationCommands::cmdBarcode_Click() {
    const QString id = w_.ui().txtAdmID->text();
    if (id.isEmpty()) return;
    imaging::ImageEdit& edit = *w_.docImgEdit1;
    using namespace barcode;
    edit.addAnnotationGroup(kGroup);
    edit.setAnnotationGroup(kGroup);
    // A white box behind the label, so the bars stand out from whatever the page has there.
    edit.setAnnotationType(imaging::kDrawFilledRectangle);
    edit.setAnnotationStyle(imaging::kStyleOpaque);
    edit.setAnnotationFillColor(QColor(0xFF, 0xFF, 0xFF));
    edit.draw(kBackgroundLeft, kBackgroundTop, kBackgroundWidth, kBackgroundHeight);
    // The ID number in the barcode font, exactly as typed. Both texts are black, as typed
    // text is: a coloured one would vanish when made permanent on a bitonal page.
    edit.setAnnotationLineColor(Qt::black);
    edit.setAnnotationFont(kCodeFont, kCodeFontSize, false);
    edit.setAnnotationType(imaging::kDrawTypedText);
    edit.setAnnotationText(id);
    edit.draw(kCodeLeft, kCodeTop);
    // And readable above it.
    edit.setAnnotationFontSize(kCaptionFontSize);
    edit.setAnnotationFontName(kCaptionFont);
    edit.setAnnotationType(imaging::kDrawTypedText);
    edit.setAnnotationText(id);
    edit.draw(kCaptionLeft, kCaptionTop);
    w_.SelectMouseTool("Drag");
}

void AnnotationCommands::docImgEdit1_ToolSelected(int tool) {
    w_.ClearToolChecks();
    MainWindowUi& ui = w_.ui();
    if (tool == 1) {
        ui.mnuEditSelectItem[2]->setChecked(true);
        ui.mnuAnnoToolItem[0]->setChecked(true);
    } else if (tool >= 2 && tool <= 10) {
        ui.mnuAnnoToolItem[tool - 1]->setChecked(true);
    }
}

void AnnotationCommands::docImgEdit1_AnnotationDrawn() {
    w_.changeCommandFacts([](CommandFacts& f) { f.pageHasAnnotations = true; });
}

void AnnotationCommands::docImgEdit1_ToolPaletteHidden() {
    w_.ui().mnuAnnoShowAnnoToolbox->setChecked(false);
}

} // namespace viewer
