// The page display's annotations: drawing from code (the barcode layout), the mouse tools,
// selecting and moving, show and hide, making permanent, the toolbox and the rubber stamps.
#include "imaging/controls/AnnotationToolbox.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/controls/StampDialog.h"
#include "test_imageedit_support.h"

#include <QAbstractButton>
#include <QDate>
#include <QFile>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>

namespace {

using namespace imagetest;
using imaging::AnnotationKind;

const imaging::AnnotationList& annotationsOf(const imaging::ImageEdit& edit) {
    static imaging::AnnotationList list;
    list = edit.model()->annotations(edit.page() - 1);
    return list;
}

void drag(QWidget* vp, QPoint from, QPoint to) {
    QTest::mousePress(vp, Qt::LeftButton, {}, from);
    QTest::mouseMove(vp, (from + to) / 2);
    QTest::mouseMove(vp, to);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, to);
}

TEST(ImageEditAnnotations, TheBarcodeLayoutMakesThreeAnnotationsInItsGroup) {
    testsupport::TempDir dir;
    const QString path = writePages(dir, "letter.tif", {whitePage(2550, 3300)}, 300);
    EditFixture f(QSize(800, 600));
    f.open(path, 1, 50);
    QSignalSpy drawn(&f.edit, &imaging::ImageEdit::annotationDrawn);

    f.edit.addAnnotationGroup("GROUP1");
    f.edit.setAnnotationGroup("GROUP1");
    f.edit.setAnnotationType(imaging::kDrawFilledRectangle);
    f.edit.setAnnotationStyle(imaging::kStyleOpaque);
    f.edit.setAnnotationFillColor(QColor(0xFF, 0xFF, 0xFF));
    f.edit.draw(10, 38, 250, 80);
    f.edit.setAnnotationFont("Free 3 of 9", 32, false);
    f.edit.setAnnotationType(imaging::kDrawTypedText);
    f.edit.setAnnotationText("A123456");
    f.edit.draw(20, 40);
    f.edit.setAnnotationFont("Arial", 8, false);
    f.edit.draw(10, 15);

    EXPECT_EQ(f.edit.annotationCount(), 3);
    EXPECT_EQ(drawn.count(), 3);
    const imaging::AnnotationList& list = annotationsOf(f.edit);
    for (const imaging::Annotation& a : list)
        EXPECT_EQ(a.group, "GROUP1");
    // Display coordinates at 50 % are half the page pixels.
    EXPECT_EQ(list[0].kind, AnnotationKind::FilledRectangle);
    EXPECT_EQ(list[0].bounds, QRect(20, 76, 500, 160));
    EXPECT_EQ(list[0].fillColor, QColor(Qt::white));
    EXPECT_EQ(list[0].style, 0); // opaque
    EXPECT_EQ(list[1].kind, AnnotationKind::TypedText);
    EXPECT_EQ(list[1].fontName, "Free 3 of 9");
    EXPECT_EQ(list[1].text, "A123456");
    EXPECT_EQ(list[1].bounds.topLeft(), QPoint(40, 80));
    // 32 points at 300 dpi are 133 page pixels.
    EXPECT_GE(list[1].bounds.height(), 133);
    EXPECT_LE(list[1].bounds.height(), 175);
    EXPECT_GT(list[1].bounds.width(), list[1].bounds.height());
    EXPECT_EQ(list[2].bounds.topLeft(), QPoint(20, 30));
    EXPECT_LT(list[2].bounds.height(), list[1].bounds.height()); // 8 points
    EXPECT_GE(list[2].bounds.height(), 33);

    // A text needs a text; a rectangle needs a size.
    f.edit.setAnnotationText("");
    expectError(imaging::kErrBadArgument, [&] { f.edit.draw(0, 0); });
    f.edit.setAnnotationType(imaging::kDrawHollowRectangle);
    expectError(imaging::kErrBadArgument, [&] { f.edit.draw(5, 5, 0, 10); });
    expectError(imaging::kErrBadArgument, [&] { f.edit.setAnnotationType(99); });
    EXPECT_EQ(f.edit.annotationCount(), 3);
}

TEST(ImageEditAnnotations, ShownHiddenAndMadePermanent) {
    testsupport::TempDir dir;
    const QString path = writePages(dir, "p.tif", {whitePage(200, 100)});
    EditFixture f(QSize(400, 300));
    f.open(path);
    f.edit.setAnnotationType(imaging::kDrawFilledRectangle);
    f.edit.setAnnotationFillColor(Qt::black);
    f.edit.draw(50, 20, 30, 30);
    const QPoint inside = f.at(60, 30);
    EXPECT_TRUE(f.edit.annotationsShown());
    EXPECT_TRUE(black(f.shown(), inside.x(), inside.y()));
    f.edit.hideAnnotations();
    EXPECT_FALSE(f.edit.annotationsShown());
    EXPECT_FALSE(black(f.shown(), inside.x(), inside.y()));
    EXPECT_EQ(f.edit.annotationCount(), 1);
    f.edit.showAnnotations();
    EXPECT_TRUE(black(f.shown(), inside.x(), inside.y()));
    EXPECT_FALSE(black(f.edit.model()->pageImage(0), 60, 30)); // not in the pixels yet

    expectError(imaging::kErrBadArgument, [&] { f.edit.burnInAnnotations(1, 7); });
    f.edit.burnInAnnotations(1, 2);
    EXPECT_EQ(f.edit.annotationCount(), 0);
    const QImage burnt = f.edit.model()->pageImage(0);
    EXPECT_EQ(burnt.depth(), 1); // a bitonal page stays bitonal
    EXPECT_TRUE(black(burnt, 60, 30));
    EXPECT_FALSE(black(burnt, 10, 10));
    // Hidden annotations are still burnt when all are asked for, but not the visible ones.
    f.edit.draw(0, 0, 10, 10);
    f.edit.hideAnnotations();
    f.edit.burnInAnnotations(0, 2);
    EXPECT_EQ(f.edit.annotationCount(), 1);
    f.edit.burnInAnnotations(1, 1);
    EXPECT_EQ(f.edit.annotationCount(), 0);
    EXPECT_TRUE(black(f.edit.model()->pageImage(0), 5, 5));
}

TEST(ImageEditAnnotations, SurviveSaveReopenAndRotation) {
    testsupport::TempDir dir;
    const QString path = writePages(dir, "keep.tif", {whitePage(100, 50), whitePage(100, 50)});
    {
        EditFixture f;
        f.open(path, 2);
        f.edit.setAnnotationType(imaging::kDrawHollowRectangle);
        f.edit.draw(10, 5, 20, 10);
        f.edit.rotateRight(); // (10,5 20x10) in 100x50 turns to (35,10 10x20)
        f.edit.save();
        f.edit.setImage("");
    }
    const imaging::DocumentPtr doc = imaging::Document::open(path);
    ASSERT_EQ(doc->annotations(1).size(), 1u);
    EXPECT_EQ(doc->annotations(1)[0].bounds, QRect(35, 10, 10, 20));
    EXPECT_EQ(doc->annotations(1)[0].kind, AnnotationKind::HollowRectangle);
    EXPECT_TRUE(doc->annotations(0).empty());
    EditFixture again;
    again.open(path, 2);
    EXPECT_EQ(again.edit.annotationCount(), 1);
}

TEST(ImageEditTools, ChoosingAToolIsAnnounced) {
    EditFixture f;
    QSignalSpy selected(&f.edit, &imaging::ImageEdit::toolSelected);
    for (int tool : {3, 1, 0, 11}) {
        f.edit.setAnnotationTool(tool);
        EXPECT_EQ(f.edit.annotationTool(), tool);
        EXPECT_EQ(selected.takeFirst().at(0).toInt(), tool);
    }
    expectError(imaging::kErrBadArgument, [&] { f.edit.setAnnotationTool(12); });
    EXPECT_EQ(f.edit.annotationTool(), 11);
    EXPECT_EQ(selected.count(), 0);
}

TEST(ImageEditTools, ShapesAreDrawnWithTheMouse) {
    testsupport::TempDir dir;
    const QString path = writePages(dir, "p.tif", {whitePage(200, 100)});
    EditFixture f(QSize(400, 300));
    f.open(path, 1, 200); // 400x200 display: one display pixel is half a page pixel
    QSignalSpy drawn(&f.edit, &imaging::ImageEdit::annotationDrawn);
    QWidget* vp = f.edit.viewport();

    f.edit.setAnnotationTool(imaging::kToolFilledRectangle);
    drag(vp, f.at(20, 20), f.at(100, 60));
    f.edit.setAnnotationTool(imaging::kToolStraightLine);
    drag(vp, f.at(0, 0), f.at(40, 80));
    f.edit.setAnnotationTool(imaging::kToolFreehand);
    QTest::mousePress(vp, Qt::LeftButton, {}, f.at(10, 10));
    for (int i = 1; i <= 5; ++i)
        QTest::mouseMove(vp, f.at(10 + 10 * i, 10 + 4 * i));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, f.at(60, 30));
    f.edit.setAnnotationTool(imaging::kToolHighlighter);
    drag(vp, f.at(200, 100), f.at(300, 120));
    // A click without dragging draws no rectangle.
    QTest::mouseClick(vp, Qt::LeftButton, {}, f.at(300, 150));

    ASSERT_EQ(f.edit.annotationCount(), 4);
    EXPECT_EQ(drawn.count(), 4);
    const imaging::AnnotationList& list = annotationsOf(f.edit);
    EXPECT_EQ(list[0].kind, AnnotationKind::FilledRectangle);
    EXPECT_EQ(list[0].bounds, QRect(10, 10, 40, 20));
    EXPECT_EQ(list[1].kind, AnnotationKind::StraightLine);
    EXPECT_EQ(list[1].points, QPolygon({QPoint(0, 0), QPoint(20, 40)}));
    EXPECT_EQ(list[2].kind, AnnotationKind::FreehandLine);
    EXPECT_GE(list[2].points.size(), 5);
    EXPECT_EQ(list[2].points.front(), QPoint(5, 5));
    EXPECT_EQ(list[2].points.back(), QPoint(30, 15));
    EXPECT_EQ(list[3].kind, AnnotationKind::Highlighter);
    EXPECT_EQ(list[3].bounds, QRect(100, 50, 50, 10));
    EXPECT_EQ(list[3].style, 1); // see-through
}

TEST(ImageEditTools, TextToolsAskForTheirText) {
    testsupport::TempDir dir;
    const QString path = writePages(dir, "p.tif", {whitePage(300, 200)}, 72);
    QFile text(dir.file("note.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("Line one\nLine two\n");
    text.close();
    EditFixture f(QSize(400, 300));
    f.open(path);
    QWidget* vp = f.edit.viewport();

    f.edit.setAnnotationTool(imaging::kToolTypedText);
    f.dialogs->texts = {QString("Hello")};
    QTest::mouseClick(vp, Qt::LeftButton, {}, f.at(30, 40));
    f.dialogs->texts = {std::nullopt}; // cancelled: nothing drawn
    QTest::mouseClick(vp, Qt::LeftButton, {}, f.at(30, 100));
    f.edit.setAnnotationTool(imaging::kToolAttachANote);
    f.dialogs->texts = {QString("Call the ward")};
    drag(vp, f.at(100, 100), f.at(200, 150));
    f.edit.setAnnotationTool(imaging::kToolTextFromFile);
    f.dialogs->files = {dir.file("note.txt")};
    QTest::mouseClick(vp, Qt::LeftButton, {}, f.at(10, 150));
    f.edit.setAnnotationTool(imaging::kToolHyperlink);
    f.dialogs->texts = {QString("https://example.org/chart")};
    QTest::mouseClick(vp, Qt::LeftButton, {}, f.at(150, 10));

    ASSERT_EQ(f.edit.annotationCount(), 4);
    const imaging::AnnotationList& list = annotationsOf(f.edit);
    EXPECT_EQ(list[0].kind, AnnotationKind::TypedText);
    EXPECT_EQ(list[0].text, "Hello");
    EXPECT_EQ(list[0].bounds.topLeft(), QPoint(30, 40));
    EXPECT_GT(list[0].bounds.width(), 10);
    EXPECT_EQ(list[1].kind, AnnotationKind::AttachANote);
    EXPECT_EQ(list[1].bounds, QRect(100, 100, 100, 50));
    EXPECT_EQ(list[1].text, "Call the ward");
    EXPECT_EQ(list[2].kind, AnnotationKind::TextFromFile);
    EXPECT_EQ(list[2].text, "Line one\nLine two");
    EXPECT_EQ(list[3].kind, AnnotationKind::Hyperlink);
    EXPECT_EQ(list[3].text, "https://example.org/chart");
}

TEST(ImageEditTools, SelectMoveAndDeleteAnnotations) {
    testsupport::TempDir dir;
    const QString path = writePages(dir, "p.tif", {whitePage(300, 200)});
    EditFixture f(QSize(400, 300));
    f.open(path);
    f.edit.setAnnotationType(imaging::kDrawHollowRectangle);
    f.edit.draw(10, 10, 40, 30);
    f.edit.draw(100, 100, 50, 50);
    f.edit.draw(200, 20, 20, 20);
    QSignalSpy selected(&f.edit, &imaging::ImageEdit::annotationSelected);
    QSignalSpy cleared(&f.edit, &imaging::ImageEdit::selectionCleared);
    QWidget* vp = f.edit.viewport();
    f.edit.setAnnotationTool(imaging::kToolSelect);

    QTest::mouseClick(vp, Qt::LeftButton, {}, f.at(20, 20));
    EXPECT_EQ(selected.count(), 1);
    EXPECT_EQ(f.edit.selectedAnnotationIndices(), (std::vector<int>{0}));
    // Dragging a selected annotation moves it.
    drag(vp, f.at(20, 20), f.at(50, 35));
    EXPECT_EQ(annotationsOf(f.edit)[0].bounds, QRect(40, 25, 40, 30));
    // A band around the other two selects both.
    drag(vp, f.at(90, 5), f.at(290, 190));
    EXPECT_EQ(f.edit.selectedAnnotationIndices(), (std::vector<int>{1, 2}));
    // Delete removes them.
    f.edit.setFocus();
    QTest::keyClick(&f.edit, Qt::Key_Delete);
    ASSERT_EQ(f.edit.annotationCount(), 1);
    EXPECT_EQ(annotationsOf(f.edit)[0].bounds, QRect(40, 25, 40, 30));
    EXPECT_GE(cleared.count(), 1);
    // Hidden annotations cannot be picked.
    f.edit.hideAnnotations();
    QTest::mouseClick(vp, Qt::LeftButton, {}, f.at(50, 30));
    EXPECT_TRUE(f.edit.selectedAnnotationIndices().empty());
    f.edit.showAnnotations();
    // Clicking beside everything selects nothing.
    QTest::mouseClick(vp, Qt::LeftButton, {}, f.at(40, 20));
    QTest::mouseClick(vp, Qt::LeftButton, {}, f.at(250, 150));
    EXPECT_TRUE(f.edit.selectedAnnotationIndices().empty());
}

TEST(ImageEditTools, SelectedAnnotationsGoThroughTheClipboard) {
    testsupport::TempDir dir;
    const QString path = writePages(dir, "p.tif", {whitePage(300, 200)});
    EditFixture f(QSize(400, 300));
    f.open(path);
    f.edit.setAnnotationType(imaging::kDrawFilledRectangle);
    f.edit.setAnnotationFillColor(Qt::blue);
    f.edit.draw(100, 50, 20, 10);
    f.edit.setAnnotationTool(imaging::kToolSelect);
    QTest::mouseClick(f.edit.viewport(), Qt::LeftButton, {}, f.at(110, 55));
    ASSERT_EQ(f.edit.selectedAnnotationIndices().size(), 1u);
    f.edit.clipboardCopy();
    EXPECT_TRUE(f.edit.isClipboardDataAvailable());
    f.edit.clipboardCut();
    EXPECT_EQ(f.edit.annotationCount(), 0);
    f.edit.clipboardPaste();
    ASSERT_EQ(f.edit.annotationCount(), 1);
    // Pasted at the top-left of the view, selected.
    EXPECT_EQ(annotationsOf(f.edit)[0].bounds, QRect(0, 0, 20, 10));
    EXPECT_EQ(annotationsOf(f.edit)[0].fillColor, QColor(Qt::blue));
    EXPECT_EQ(f.edit.selectedAnnotationIndices(), (std::vector<int>{0}));
}

TEST(ImageEditStamps, TheStampDialogArmsTheStampToolOrChangesNothing) {
    testsupport::TempDir dir;
    const QString path = writePages(dir, "p.tif", {whitePage(600, 400)}, 100);
    // A moment just before midnight: the stamp says the environment's day, not the machine's.
    imaging::Environment env;
    env.clock = [] { return QDateTime(QDate(2019, 3, 5), QTime(23, 59, 30)); };
    EditFixture f(QSize(700, 500), env);
    f.open(path);
    f.edit.setStampUserName("jdoe");
    f.edit.setAnnotationTool(imaging::kToolFreehand);
    f.edit.setMousePointer(imaging::kPointerDrag);
    QSignalSpy selected(&f.edit, &imaging::ImageEdit::toolSelected);

    // Cancel: pointer and tool as they were.
    f.dialogs->onRun = [](QDialog& d) {
        qobject_cast<imaging::StampDialog*>(&d)->choose(1);
        return false;
    };
    f.edit.showRubberStampDialog();
    EXPECT_EQ(f.edit.mousePointer(), imaging::kPointerDrag);
    EXPECT_EQ(f.edit.annotationTool(), imaging::kToolFreehand);
    EXPECT_EQ(selected.count(), 0);
    EXPECT_EQ(f.edit.statusCode(), 0);

    // Choose "RECEIVED %date% %user%".
    f.dialogs->onRun = [](QDialog& d) {
        auto* stamps = qobject_cast<imaging::StampDialog*>(&d);
        const int row = int(std::find_if(stamps->stamps().begin(), stamps->stamps().end(),
                                         [](const imaging::StampTemplate& s) {
                                             return s.text.startsWith("RECEIVED");
                                         }) -
                            stamps->stamps().begin());
        stamps->choose(row);
        return true;
    };
    f.edit.showRubberStampDialog();
    EXPECT_EQ(f.edit.mousePointer(), imaging::kPointerStamp);
    EXPECT_EQ(f.edit.annotationTool(), imaging::kToolRubberStamp);
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected.at(0).at(0).toInt(), imaging::kToolRubberStamp);

    QTest::mouseClick(f.edit.viewport(), Qt::LeftButton, {}, f.at(50, 60));
    ASSERT_EQ(f.edit.annotationCount(), 1);
    const imaging::Annotation stamp = annotationsOf(f.edit)[0];
    EXPECT_EQ(stamp.kind, AnnotationKind::TextStamp);
    EXPECT_EQ(stamp.text, "RECEIVED 2019-03-05 jdoe");
    EXPECT_EQ(stamp.bounds.topLeft(), QPoint(50, 60));
}

TEST(ImageEditStamps, TextAndImageStampsAreAddedInTheDialog) {
    testsupport::TempDir dir;
    QImage logo(40, 20, QImage::Format_RGB32);
    logo.fill(Qt::darkGreen);
    ASSERT_TRUE(logo.save(dir.file("logo.png")));
    const QString path = writePages(dir, "p.tif", {whitePage(300, 200)});
    EditFixture f;
    f.open(path);
    const std::size_t before = f.edit.stamps().size();
    f.dialogs->texts = {QString("PAID %user%")};
    f.dialogs->files = {dir.file("logo.png")};
    f.dialogs->onRun = [](QDialog& d) {
        auto* stamps = qobject_cast<imaging::StampDialog*>(&d);
        d.findChild<QAbstractButton*>("addTextStamp")->click();
        d.findChild<QAbstractButton*>("addImageStamp")->click();
        EXPECT_EQ(stamps->chosen(), int(stamps->stamps().size()) - 1); // the new one
        return true;
    };
    f.edit.showRubberStampDialog();
    ASSERT_EQ(f.edit.stamps().size(), before + 2);
    EXPECT_EQ(f.edit.stamps()[before].text, "PAID %user%");
    EXPECT_TRUE(f.edit.stamps()[before + 1].isImage());
    QTest::mouseClick(f.edit.viewport(), Qt::LeftButton, {}, f.at(10, 10));
    ASSERT_EQ(f.edit.annotationCount(), 1);
    const imaging::Annotation a = annotationsOf(f.edit)[0];
    EXPECT_EQ(a.kind, AnnotationKind::ImageStamp);
    // The picture keeps its physical size: 40x20 pixels at 96 dpi on a 200 dpi page.
    EXPECT_EQ(a.bounds.size(), QSize(83, 42));
    EXPECT_EQ(a.bounds.topLeft(), QPoint(10, 10));
    EXPECT_EQ(a.image.size(), logo.size());
}

TEST(ImageEditToolbox, ClosingTheToolboxIsAnnouncedAndItsButtonsChooseTools) {
    EditFixture f;
    QSignalSpy hidden(&f.edit, &imaging::ImageEdit::toolPaletteHidden);
    QSignalSpy selected(&f.edit, &imaging::ImageEdit::toolSelected);
    f.edit.showAnnotationToolPalette();
    ASSERT_TRUE(f.edit.annotationToolPaletteShown());
    imaging::AnnotationToolbox* box = f.edit.toolPalette();
    box->findChild<QAbstractButton*>("tool3")->click();
    EXPECT_EQ(f.edit.annotationTool(), 3);
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected.at(0).at(0).toInt(), 3);
    // Choosing a tool in code shows in the toolbox.
    f.edit.setAnnotationTool(5);
    EXPECT_TRUE(box->findChild<QAbstractButton*>("tool5")->isChecked());
    EXPECT_FALSE(box->findChild<QAbstractButton*>("tool3")->isChecked());

    f.edit.hideAnnotationToolPalette(); // from code: not announced
    EXPECT_FALSE(f.edit.annotationToolPaletteShown());
    EXPECT_EQ(hidden.count(), 0);
    f.edit.showAnnotationToolPalette();
    box->close(); // by the user
    EXPECT_EQ(hidden.count(), 1);
    EXPECT_FALSE(f.edit.annotationToolPaletteShown());
}

} // namespace
