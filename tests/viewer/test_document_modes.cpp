#include "ViewerFixture.h"

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace viewertest;

namespace {
class DocumentModes : public ViewerFixture {};
} // namespace

TEST_F(DocumentModes, WithoutADocumentTheDocumentItemsAreDisabled) {
    load();
    for (int i = 0; i < 6; ++i) EXPECT_FALSE(ui().mnuEditActionItem[i]->isEnabled()) << i;
    EXPECT_TRUE(ui().mnuEditActionItem[0]->isVisible());
    EXPECT_FALSE(ui().mnuFileSave->isEnabled());
    EXPECT_FALSE(ui().mnuFileClose->isEnabled());
    EXPECT_FALSE(ui().tbarButton(4)->isEnabled());
    EXPECT_FALSE(ui().mnuPageDirectionItem[1]->isEnabled());
    EXPECT_FALSE(ui().mnuPageInsert->isEnabled());
    EXPECT_FALSE(ui().mnuAnnoDisplayItem[1]->isEnabled());
    EXPECT_FALSE(ui().fraPatInfo->isEnabled());
    // The fake scanner is there: Scan New is offered, Rescan needs a document.
    EXPECT_TRUE(ui().mnuFileScanNew->isEnabled());
    EXPECT_FALSE(ui().mnuPageRescan->isEnabled());
}

TEST_F(DocumentModes, AReadWriteDocumentShowsAndEnablesItsItems) {
    load();
    open(makeDocument("three.tif", 3));
    EXPECT_FALSE(w->doc().gblnReadOnly);
    EXPECT_TRUE(w->doc().gblnJustOpened);
    EXPECT_EQ(w->doc().gintFileType, 1);
    EXPECT_TRUE(ui().mnuEditActionItem[2]->isEnabled());
    EXPECT_TRUE(ui().mnuEditActionItem[5]->isEnabled());
    EXPECT_FALSE(ui().mnuEditActionItem[0]->isEnabled()); // no selection yet
    EXPECT_TRUE(ui().mnuPageInsert->isEnabled());
    EXPECT_TRUE(ui().mnuPageRescan->isEnabled());
    EXPECT_TRUE(ui().mnuFileSave->isEnabled());
    EXPECT_TRUE(ui().tbarButton(13)->isVisible());
    EXPECT_FALSE(ui().txtReadOnly->isVisible());
    // Page 1 of 3: back is closed, forward open.
    EXPECT_FALSE(ui().mnuPageDirectionItem[0]->isEnabled());
    EXPECT_FALSE(ui().mnuPageDirectionItem[2]->isEnabled());
    EXPECT_TRUE(ui().mnuPageDirectionItem[1]->isEnabled());
    EXPECT_TRUE(ui().mnuPageDirectionItem[3]->isEnabled());
    EXPECT_TRUE(ui().mnuEditSelectItem[0]->isChecked()); // Drag
    EXPECT_TRUE(ui().mnuViewScaleToGray->isChecked());   // the first document
    EXPECT_EQ(w->doc().GrayEligible, 1);
    EXPECT_EQ(edit().displayScaleAlgorithm(), imaging::kScaleGray);
    EXPECT_EQ(ui().txtPages->text(), "1/3");
    EXPECT_EQ(w->doc().Title, "three.tif");
}

TEST_F(DocumentModes, AOnePageDocumentClosesEveryPageDirection) {
    load();
    open(makeDocument("one.tif", 1));
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(ui().mnuPageDirectionItem[i]->isEnabled()) << i;
    EXPECT_TRUE(ui().mnuEditActionItem[5]->isEnabled());
}

TEST_F(DocumentModes, AReadOnlyFileHidesTheEditingItemsAndOffersNothingThatWrites) {
    load();
    const QString path = makeDocument("locked.tif", 2);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup);
    open(path);
    EXPECT_TRUE(w->doc().gblnReadOnly);
    EXPECT_TRUE(ui().txtReadOnly->isVisible());
    for (int i : {0, 3, 4, 5}) EXPECT_FALSE(ui().mnuEditActionItem[i]->isVisible()) << i;
    EXPECT_FALSE(ui().mnuPageInsert->isVisible());
    EXPECT_FALSE(ui().mnuPageAppend->isVisible());
    for (QAction* a : ui().mnuAnnoToolItem) EXPECT_FALSE(a->isVisible());
    EXPECT_TRUE(ui().mnuEditActionItem[2]->isEnabled()); // Copy Page stays
    EXPECT_FALSE(ui().tbarButton(13)->isVisible());

    // No command that writes the file can be chosen, the thumbnails' menu included.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    t.prompter.shown.clear();
    for (QAction* a : {ui().mnuFileSave, ui().mDuplicate, ui().mAddImages, ui().mnuPageRescan,
                       ui().mnuCtxDel, ui().mnuEditActionItem[5], ui().tbarButton(14)}) {
        EXPECT_FALSE(a->isVisible() && a->isEnabled()) << a->objectName().toStdString();
        a->trigger();
    }
    EXPECT_FALSE(ui().cmdDup->isEnabled());
    settle();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    EXPECT_TRUE(t.prompter.shown.empty()) << t.prompter.lastText().toStdString();
}

TEST_F(DocumentModes, AnImageAddressWithoutWriteIsReadOnlyAndNamedAfterThePrefix) {
    load();
    const QString path = makeDocument("addr.tif", 1);
    w->PerformFileOpen(false, "IMAGEX://" + path, 1);
    settle();
    EXPECT_EQ(w->doc().gintSourceKind, viewer::SourceKind::ReadOnlyImageAddress);
    EXPECT_EQ(w->doc().FileName, path);
    EXPECT_TRUE(w->doc().gblnReadOnly);
    EXPECT_EQ(edit().pageCount(), 1);
}

TEST_F(DocumentModes, NamingOnlyChangesNamesAndPathsButShowsNothing) {
    load();
    const QString path = makeDocument("named.tif", 2);
    w->PerformFileOpen(true, path, 1);
    EXPECT_EQ(w->doc().FileName, "named.tif");
    EXPECT_EQ(edit().image(), path);
    EXPECT_EQ(w->docImgAdmin1->image(), path);
    EXPECT_TRUE(w->doc().NoDocument);
    EXPECT_FALSE(ui().mnuFileSave->isEnabled()); // menus left alone
    EXPECT_FALSE(w->doc().gblnJustOpened);
}

TEST_F(DocumentModes, WithoutAScannerTheScanItemsAreOffInEveryMode) {
    scanner->script().noDevice = true;
    load();
    EXPECT_FALSE(ui().mnuFileScanNew->isEnabled());
    open(makeDocument("two.tif", 2));
    EXPECT_FALSE(ui().mnuFileScanNew->isEnabled());
    EXPECT_FALSE(ui().mnuPageInsertItem[0]->isEnabled());
    EXPECT_FALSE(ui().mnuPageAppendItem[0]->isEnabled());
    EXPECT_FALSE(ui().mnuPageRescan->isEnabled());
}

TEST_F(DocumentModes, AFileThatIsNotTiffKeepsInsertAndAppendDisabled) {
    load();
    QImage png = labelledPage(1);
    const QString path = t.dir.file("page.png");
    ASSERT_TRUE(png.save(path));
    open(path);
    EXPECT_FALSE(w->doc().gblnReadOnly);
    EXPECT_NE(w->doc().gintFileType, 1);
    EXPECT_FALSE(ui().mnuPageInsert->isEnabled());
    EXPECT_FALSE(ui().mnuPageAppend->isEnabled());
}

TEST_F(DocumentModes, AFileThatCannotBeOpenedIsLoggedStepByStep) {
    load();
    const QString path = t.dir.file("broken.tif");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("II*\0garbage", 11);
    f.close();
    t.log.lines.clear();
    w->PerformFileOpen(false, path, 1);
    EXPECT_FALSE(t.log.lines.empty());
    EXPECT_TRUE(w->doc().NoDocument);
}

TEST_F(DocumentModes, AnUnnamedScanIsDeletedWhenClosedAndKeptWhenSaveAsIsCancelled) {
    load(/*admin=*/false);
    const QString path = makeDocument("Img1.tif", 1);
    w->doc().gblnNewDocument = true;
    w->PerformFileOpen(false, path, 1);
    settle();
    EXPECT_EQ(w->doc().Title, "Untitled");
    // Yes, then the Save As dialog is cancelled: the close is off and the scan stays.
    t.prompter.answers.push_back(app::mb::Yes);
    fileDialogs->cancel();
    EXPECT_FALSE(w->PerformFileClose());
    EXPECT_TRUE(QFile::exists(path));
    // No: the scratch file goes.
    t.prompter.answers.push_back(app::mb::No);
    EXPECT_TRUE(w->PerformFileClose());
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(DocumentModes, TheThreeLayoutsAndTheDividerRule) {
    load();
    open(makeDocument("layout.tif", 3));
    const double tpp = w->twipsPerPixelX();
    w->SetViewMode(0);
    EXPECT_TRUE(edit().isVisible());
    EXPECT_FALSE(thumbs().isVisible());
    EXPECT_EQ(edit().width(), ui().paneArea->width());
    w->SetViewMode(1);
    EXPECT_FALSE(edit().isVisible());
    EXPECT_TRUE(thumbs().isVisible());
    EXPECT_EQ(thumbs().width(), ui().paneArea->width());
    w->SetViewMode(2);
    EXPECT_TRUE(edit().isVisible());
    EXPECT_TRUE(thumbs().isVisible());
    EXPECT_TRUE(ui().imgDivider->isVisible());
    EXPECT_EQ(ui().imgDivider->x(), thumbs().width());
    EXPECT_NEAR(edit().x(), thumbs().width() + 52 / tpp, 1.0);
    // A divider dragged to 10 twips leaves a strip of 40 twips.
    ui().imgDivider->move(int(10 / tpp), 0);
    w->SetViewMode(2);
    EXPECT_NEAR(thumbs().width() * tpp, 40, tpp);
}

TEST_F(DocumentModes, WithoutADocumentOnlyThePageDisplayLayoutIsUsed) {
    load();
    w->SetViewMode(2);
    EXPECT_FALSE(thumbs().isVisible());
    EXPECT_FALSE(ui().imgDivider->isVisible());
}
