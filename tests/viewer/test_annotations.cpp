// Annotations through the main window: the mouse tools and their check marks, the rubber
// stamps, the Annotation menu, the toolbox, and the record frame's Stamp, Text and Barcode
// buttons.
#include "ViewerFixture.h"
#include "imaging/controls/AnnotationToolbox.h"
#include "imaging/documents/Document.h"
#include "imaging/controls/StampDialog.h"
#include "viewer/AnnotationCommands.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <ZXing/ReadBarcode.h>

using namespace viewertest;

namespace {

class Annotating : public ViewerFixture {
protected:
    QString openPage(int pages = 2) {
        load();
        const QString path = makeDocument("notes.tif", pages);
        open(path);
        edit().setZoom(100);
        settle();
        return path;
    }
    // The checked items among Edit's mouse modes and the annotation tools, by object name.
    QStringList checkedTools() const {
        QStringList names;
        for (QAction* a : ui().mnuEditSelectItem)
            if (a->isChecked()) names << a->objectName();
        for (QAction* a : ui().mnuAnnoToolItem)
            if (a->isChecked()) names << a->objectName();
        return names;
    }
    void dragOnPage(QPoint from, QPoint to) {
        const QPoint o = edit().displayedImageRect().topLeft();
        QTest::mousePress(edit().viewport(), Qt::LeftButton, {}, o + from);
        QTest::mouseMove(edit().viewport(), o + (from + to) / 2);
        QTest::mouseMove(edit().viewport(), o + to);
        QTest::mouseRelease(edit().viewport(), Qt::LeftButton, {}, o + to);
    }
    void chooseFirstStamp() {
        editDialogs->accept = true;
        editDialogs->whileShown = [](QDialog& d) {
            if (auto* stamps = qobject_cast<imaging::StampDialog*>(&d)) stamps->choose(0);
        };
    }
    imaging::AnnotationList annotations() const {
        return edit().model()->annotations(edit().page() - 1);
    }
};

} // namespace

TEST_F(Annotating, HighlighterSelectsToolThreeAndOnlyItIsChecked) {
    openPage();
    action("mnuAnnoToolItem_0")->trigger();
    ASSERT_EQ(checkedTools(), (QStringList{"mnuEditSelectItem_2", "mnuAnnoToolItem_0"}));
    action("mnuAnnoToolItem_2")->trigger();
    EXPECT_EQ(edit().annotationTool(), imaging::kToolHighlighter);
    EXPECT_EQ(checkedTools(), QStringList{"mnuAnnoToolItem_2"});
    // Choosing it again leaves it checked.
    action("mnuAnnoToolItem_2")->trigger();
    EXPECT_EQ(checkedTools(), QStringList{"mnuAnnoToolItem_2"});
}

TEST_F(Annotating, EveryToolItemSelectsItsToolAndCheck) {
    openPage();
    const int tools[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    for (int i = 0; i < 9; ++i) {
        action(viewer::arrayItemName("mnuAnnoToolItem", i))->trigger();
        EXPECT_EQ(edit().annotationTool(), tools[i]) << i;
        QStringList expected{viewer::arrayItemName("mnuAnnoToolItem", i)};
        if (i == 0) expected.prepend("mnuEditSelectItem_2");
        EXPECT_EQ(checkedTools(), expected) << i;
    }
    // The Edit menu's item selects the same tool as the Annotation menu's first one.
    action("mnuEditSelectItem_0")->trigger();
    EXPECT_EQ(checkedTools(), QStringList{"mnuEditSelectItem_0"});
    action("mnuEditSelectItem_2")->trigger();
    EXPECT_EQ(edit().annotationTool(), imaging::kToolSelect);
    EXPECT_EQ(checkedTools(), (QStringList{"mnuEditSelectItem_2", "mnuAnnoToolItem_0"}));
}

TEST_F(Annotating, DragAndSelectImageTakeTheAnnotationChecksAway) {
    openPage();
    action("mnuAnnoToolItem_3")->trigger();
    action("mnuEditSelectItem_1")->trigger();
    EXPECT_EQ(edit().annotationTool(), imaging::kToolNone);
    EXPECT_TRUE(edit().selectionRectangle());
    EXPECT_EQ(checkedTools(), QStringList{"mnuEditSelectItem_1"});
    action("mnuEditSelectItem_0")->trigger();
    EXPECT_EQ(edit().mousePointer(), imaging::kPointerDrag);
    EXPECT_EQ(checkedTools(), QStringList{"mnuEditSelectItem_0"});
}

TEST_F(Annotating, AToolWithoutAMenuItemLeavesNothingChecked) {
    openPage();
    action("mnuAnnoToolItem_1")->trigger();
    w->SelectMouseTool("Hyperlink");
    EXPECT_EQ(edit().annotationTool(), imaging::kToolHyperlink);
    EXPECT_TRUE(checkedTools().isEmpty());
}

TEST_F(Annotating, CancelledRubberStampsLeaveThePreviousTool) {
    openPage();
    action("mnuAnnoToolItem_1")->trigger(); // Freehand Line
    editDialogs->accept = false;
    action("mnuAnnoToolItem_9")->trigger();
    ASSERT_EQ(editDialogs->shown.size(), 1u);
    EXPECT_FALSE(ui().mnuAnnoToolItem[9]->isChecked());
    EXPECT_EQ(edit().annotationTool(), imaging::kToolFreehand);
    EXPECT_EQ(checkedTools(), QStringList{"mnuAnnoToolItem_1"});
}

TEST_F(Annotating, AChosenRubberStampBecomesTheTool) {
    openPage();
    action("mnuAnnoToolItem_1")->trigger();
    chooseFirstStamp();
    action("mnuAnnoToolItem_9")->trigger();
    EXPECT_EQ(edit().annotationTool(), imaging::kToolRubberStamp);
    EXPECT_EQ(edit().mousePointer(), imaging::kPointerStamp);
    EXPECT_EQ(checkedTools(), QStringList{"mnuAnnoToolItem_9"});
}

TEST_F(Annotating, TheStampButtonIsTheRubberStampsItem) {
    openPage();
    editDialogs->accept = false;
    ui().cmdStamp->click();
    EXPECT_EQ(editDialogs->shown.size(), 1u);
    EXPECT_TRUE(checkedTools().isEmpty() || checkedTools() == QStringList{"mnuEditSelectItem_0"});
    chooseFirstStamp();
    ui().cmdStamp->click();
    EXPECT_EQ(edit().annotationTool(), imaging::kToolRubberStamp);
    EXPECT_EQ(checkedTools(), QStringList{"mnuAnnoToolItem_9"});
}

TEST_F(Annotating, TheTextButtonIsTypedText) {
    openPage();
    ui().cmdText->click();
    EXPECT_EQ(edit().annotationTool(), imaging::kToolTypedText);
    EXPECT_EQ(checkedTools(), QStringList{"mnuAnnoToolItem_6"});
    // And it types text like the menu's tool does.
    editDialogs->text = QStringLiteral("Seen");
    dragOnPage({100, 100}, {220, 150});
    ASSERT_EQ(annotations().size(), 1u);
    EXPECT_EQ(annotations()[0].kind, imaging::AnnotationKind::TypedText);
    EXPECT_EQ(annotations()[0].text, "Seen");
}

// ---- the Annotation menu ----

TEST_F(Annotating, ShowAnnotationsToggledTwiceShowsThemAgain) {
    openPage();
    QAction* show = action("mnuAnnoDisplayItem_0");
    ASSERT_TRUE(show->isChecked());
    show->trigger();
    EXPECT_FALSE(show->isChecked());
    EXPECT_FALSE(edit().annotationsShown());
    show->trigger();
    EXPECT_TRUE(show->isChecked());
    EXPECT_TRUE(edit().annotationsShown());
}

TEST_F(Annotating, ADrawnAnnotationEnablesMakePermanentWhichBurnsItIn) {
    openPage();
    QAction* permanent = action("mnuAnnoDisplayItem_1");
    EXPECT_FALSE(permanent->isEnabled());
    action("mnuAnnoToolItem_6")->trigger(); // Typed Text, in black
    editDialogs->text = QStringLiteral("MMMM");
    dragOnPage({100, 100}, {260, 180});
    ASSERT_EQ(edit().annotationCount(), 1);
    EXPECT_TRUE(permanent->isEnabled());

    const QRect box = annotations()[0].bounds;
    auto blackIn = [&](const QRect& r) {
        const QImage page = edit().model()->pageImage(0);
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                n += qGray(page.pixel(x, y)) < 128;
        return n;
    };
    ASSERT_EQ(blackIn(box), 0);
    permanent->trigger();
    EXPECT_EQ(edit().annotationCount(), 0);
    EXPECT_GT(blackIn(box), 20); // the letters are in the pixels now
    EXPECT_EQ(pageLabel(edit().model()->pageImage(0)), 1);
}

TEST_F(Annotating, TheToolboxItemFollowsTheToolbox) {
    openPage();
    QAction* item = action("mnuAnnoShowAnnoToolbox");
    item->trigger();
    EXPECT_TRUE(item->isChecked());
    EXPECT_TRUE(edit().annotationToolPaletteShown());
    item->trigger();
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(edit().annotationToolPaletteShown());

    item->trigger();
    ASSERT_TRUE(edit().toolPalette());
    edit().toolPalette()->close(); // closed by the user
    EXPECT_FALSE(item->isChecked());
    item->trigger();
    EXPECT_TRUE(edit().annotationToolPaletteShown());
}

// ---- the barcode label ----

namespace {

class BarcodeLabel : public Annotating {
protected:
    // A 300 dpi Letter page, as the scanners file them.
    QString openLetterPage() {
        load();
        const QString path = t.dir.file("letter.tif");
        imaging::writeDocument(
            path, {imaging::PageSource::pixels(labelledPage(1, QSize(2550, 3300)), 300, 300, {})});
        open(path);
        edit().fitTo(imaging::kFitWidth);
        settle();
        return path;
    }
    static QString readCode39(const QImage& page) {
        const QImage gray = page.convertToFormat(QImage::Format_Grayscale8);
        const ZXing::ImageView view(gray.constBits(), gray.width(), gray.height(),
                                    ZXing::ImageFormat::Lum, int(gray.bytesPerLine()));
        const ZXing::Result result =
            ZXing::ReadBarcode(view, ZXing::DecodeHints().setFormats(ZXing::BarcodeFormat::Code39));
        return result.isValid() ? QString::fromStdString(result.text()) : QString();
    }
};

} // namespace

TEST_F(BarcodeLabel, WithoutAnIdNumberNothingIsDrawn) {
    openPage();
    ui().txtAdmID->clear();
    action("mnuAnnoToolItem_2")->trigger();
    ui().cmdBarcode->click();
    EXPECT_EQ(edit().annotationCount(), 0);
    EXPECT_EQ(checkedTools(), QStringList{"mnuAnnoToolItem_2"}); // the tool stays too
}

TEST_F(BarcodeLabel, AnIdNumberAddsThreeAnnotationsInGroupOneAndLeavesDrag) {
    openPage();
    ui().txtAdmID->setText("A0012345");
    action("mnuAnnoToolItem_2")->trigger();
    ui().cmdBarcode->click();
    const imaging::AnnotationList list = annotations();
    ASSERT_EQ(list.size(), 3u);
    for (const imaging::Annotation& a : list)
        EXPECT_EQ(a.group, "GROUP1");
    EXPECT_EQ(list[0].kind, imaging::AnnotationKind::FilledRectangle);
    EXPECT_EQ(list[0].fillColor, QColor(Qt::white));
    EXPECT_EQ(list[0].bounds, QRect(10, 38, 250, 80)); // 100 %: display pixels are page pixels
    EXPECT_EQ(list[1].kind, imaging::AnnotationKind::TypedText);
    EXPECT_EQ(list[1].text, "A0012345");
    EXPECT_EQ(list[1].fontName, "Free 3 of 9");
    EXPECT_EQ(list[1].fontSize, 32);
    EXPECT_FALSE(list[1].fontBold);
    EXPECT_EQ(list[1].bounds.topLeft(), QPoint(20, 40));
    EXPECT_EQ(list[2].kind, imaging::AnnotationKind::TypedText);
    EXPECT_EQ(list[2].fontName, "Arial");
    EXPECT_EQ(list[2].fontSize, 8);
    EXPECT_EQ(list[2].bounds.topLeft(), QPoint(10, 15));
    EXPECT_EQ(edit().annotationTool(), imaging::kToolNone);
    EXPECT_EQ(checkedTools(), QStringList{"mnuEditSelectItem_0"});
    EXPECT_TRUE(action("mnuAnnoDisplayItem_1")->isEnabled());
}

TEST_F(BarcodeLabel, TheLabelReadsBackAsCode39OnceMadePermanentAndSaved) {
    const QString path = openLetterPage();
    ui().txtAdmID->setText("A0012345");
    ui().cmdBarcode->click();
    ASSERT_EQ(edit().annotationCount(), 3);
    const QRect caption = annotations()[2].bounds;
    EXPECT_TRUE(readCode39(edit().model()->pageImage(0)).isEmpty()); // annotations only yet
    action("mnuAnnoDisplayItem_1")->trigger();
    EXPECT_EQ(edit().annotationCount(), 0);
    edit().save();
    const auto stored = imaging::Document::open(path);
    EXPECT_EQ(stored->pageInfo(0).xDpi, 300);
    const QImage page = stored->decodePage(0);
    EXPECT_EQ(readCode39(page), "A0012345");
    // The readable caption made it into the pixels too.
    int black = 0;
    for (int y = caption.top(); y <= caption.bottom(); ++y)
        for (int x = caption.left(); x <= caption.right(); ++x)
            black += qGray(page.pixel(x, y)) < 128;
    EXPECT_GT(black, 50);
}

TEST_F(BarcodeLabel, SeveralKindsOfAnnotationsWithTheToolbox) {
    openLetterPage();
    action("mnuViewModeItem_2")->trigger();
    edit().fitTo(imaging::kFitWidth);
    ui().txtAdmID->setText("A0012345");
    ui().txtLastname->setText("Dela Cruz, Juan");
    ui().cmdBarcode->click();
    // A highlight, a box, a line and a note drawn with the mouse.
    action("mnuAnnoToolItem_2")->trigger();
    dragOnPage({60, 260}, {420, 290});
    action("mnuAnnoToolItem_4")->trigger();
    dragOnPage({300, 40}, {560, 130});
    action("mnuAnnoToolItem_3")->trigger();
    dragOnPage({60, 330}, {520, 330});
    editDialogs->text = QStringLiteral("Check discharge date");
    action("mnuAnnoToolItem_7")->trigger();
    dragOnPage({320, 380}, {560, 450});
    action("mnuAnnoShowAnnoToolbox")->trigger();
    settle();
    EXPECT_EQ(edit().annotationCount(), 7);
    ASSERT_TRUE(edit().annotationToolPaletteShown());
    EXPECT_EQ(checkedTools(), QStringList{"mnuAnnoToolItem_7"});

    // DOCUVANE_SHOT_DIR set: the window with the toolbox where it floats, for looking at.
    const QString shots = qEnvironmentVariable("DOCUVANE_SHOT_DIR");
    if (!shots.isEmpty()) {
        ui().Picture1->hide(); // the start picture's time is up
        QImage shot = w->grab().toImage();
        QPainter p(&shot);
        imaging::AnnotationToolbox* box = edit().toolPalette();
        p.drawPixmap(box->geometry().topLeft() - w->geometry().topLeft(), box->grab());
        p.end();
        shot.save(QDir(shots).filePath("annotations.png"));
    }
}
