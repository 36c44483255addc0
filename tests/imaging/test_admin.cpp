// The administration object: facts about files, page operations, unique names, and the
// file and print dialogs through scripted runners.
#include "doubles/ScriptedDialogs.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/controls/ImageAdmin.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/controls/Environment.h"
#include "support/TempDir.h"
#include "test_admin_fixtures.h"

#include <QFile>
#include <QFileDialog>
#include <QPainter>
#include <gtest/gtest.h>

using namespace imaging;
using fixtures::errorOf;
using fixtures::readIds;
using fixtures::writeMarked;

namespace {

class AdminTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    ImageAdmin admin;
    QString doc = dir.file("doc.tif");
    QString source = dir.file("source.tif");

    void SetUp() override {
        writeMarked(doc, {1, 2, 3});
        writeMarked(source, {11, 12, 13, 14});
        admin.setImage(doc);
    }
};

} // namespace

TEST_F(AdminTest, ReportsFileFactsOfTheImage) {
    EXPECT_EQ(admin.fileType(), kFileTiff);
    EXPECT_EQ(admin.pageCount(), 3);
    EXPECT_EQ(admin.statusCode(), 0);

    QImage png(20, 30, QImage::Format_RGB32);
    png.fill(Qt::green);
    ASSERT_TRUE(png.save(dir.file("p.png")));
    ASSERT_TRUE(png.save(dir.file("p.bmp")));
    admin.setImage(dir.file("p.png"));
    EXPECT_EQ(admin.fileType(), kFilePng);
    EXPECT_EQ(admin.pageCount(), 1);
    admin.setImage(dir.file("p.bmp"));
    EXPECT_EQ(admin.fileType(), kFileBmp);

    QFile junk(dir.file("junk.tif"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not an image at all");
    junk.close();
    admin.setImage(junk.fileName());
    EXPECT_EQ(admin.fileType(), kFileUnknown);
    admin.setImage(dir.file("missing.tif"));
    EXPECT_EQ(admin.fileType(), kFileUnknown);
    admin.setImage("");
    EXPECT_EQ(admin.fileType(), kFileUnknown);
}

TEST_F(AdminTest, FailuresRaiseAndSetTheStatus) {
    admin.setImage(dir.file("missing.tif"));
    const int missing = errorOf([&] { admin.pageCount(); });
    EXPECT_NE(missing, 0);
    EXPECT_EQ(admin.statusCode(), missing);

    admin.setImage("");
    EXPECT_EQ(errorOf([&] { admin.pageCount(); }), kErrNoDocument);
    EXPECT_EQ(admin.statusCode(), kErrNoDocument);

    admin.setImage(doc);
    EXPECT_EQ(admin.pageCount(), 3);
    EXPECT_EQ(admin.statusCode(), 0) << "a success clears the status";

    EXPECT_EQ(errorOf([&] { admin.setPage(4); }), kErrBadPage);
    EXPECT_EQ(admin.statusCode(), kErrBadPage);
    admin.setPage(3);
    EXPECT_EQ(admin.page(), 3);
    EXPECT_EQ(admin.statusCode(), 0);
}

TEST_F(AdminTest, InsertAppendAndDeleteRewriteTheFile) {
    // Source pages 2..3 (ids 12, 13) become pages 2 and 3; old page 2 follows them.
    admin.insert(source, 2, 2, 2);
    EXPECT_EQ(admin.statusCode(), 0);
    EXPECT_EQ(readIds(doc), (std::vector<int>{1, 12, 13, 2, 3}));
    EXPECT_EQ(admin.pageCount(), 5);

    admin.append(source, 4, 1);
    EXPECT_EQ(readIds(doc), (std::vector<int>{1, 12, 13, 2, 3, 14}));

    admin.deletePages(2, 3);
    EXPECT_EQ(readIds(doc), (std::vector<int>{1, 3, 14}));
    EXPECT_EQ(admin.pageCount(), 3);

    // Inserting at page 1 puts the pages first.
    admin.insert(source, 1, 1, 1);
    EXPECT_EQ(readIds(doc), (std::vector<int>{11, 1, 3, 14}));
    EXPECT_EQ(readIds(source), (std::vector<int>{11, 12, 13, 14})) << "the source is untouched";
}

TEST_F(AdminTest, BadRangesAreRefusedAndLeaveTheFileAlone) {
    const std::vector<int> before = readIds(doc);
    struct Case {
        const char* what;
        std::function<void()> op;
    };
    const Case cases[] = {
        {"delete from page 0", [&] { admin.deletePages(0, 1); }},
        {"delete past the end", [&] { admin.deletePages(3, 2); }},
        {"delete nothing", [&] { admin.deletePages(1, 0); }},
        {"insert from a missing source page", [&] { admin.insert(source, 5, 1, 1); }},
        {"insert more pages than the source has", [&] { admin.insert(source, 3, 1, 3); }},
        {"insert at page 0", [&] { admin.insert(source, 1, 0, 1); }},
        {"append a negative count", [&] { admin.append(source, 1, -1); }},
        {"append from a missing file", [&] { admin.append(dir.file("none.tif"), 1, 1); }},
    };
    for (const Case& c : cases) {
        const int number = errorOf(c.op);
        EXPECT_NE(number, 0) << c.what;
        EXPECT_EQ(admin.statusCode(), number) << c.what;
        EXPECT_EQ(readIds(doc), before) << c.what;
    }
    EXPECT_EQ(errorOf([&] { admin.deletePages(4, 1); }), kErrBadPage);
}

TEST_F(AdminTest, UniqueNamesAreNotInUse) {
    const QString first = admin.getUniqueName(dir.path(), "Img", "Tif");
    EXPECT_TRUE(first.startsWith("Img")) << first.toStdString();
    EXPECT_TRUE(first.endsWith(".Tif")) << first.toStdString();
    EXPECT_FALSE(first.contains('/'));
    EXPECT_FALSE(QFile::exists(dir.file(first)));
    QFile taken(dir.file(first));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.close();
    const QString second = admin.getUniqueName(dir.path(), "Img", "Tif");
    EXPECT_NE(second, first);
    EXPECT_FALSE(QFile::exists(dir.file(second)));
}

TEST_F(AdminTest, PathsAreKeptAsGivenAndResolvedAtFileAccess) {
    const QString root = dir.path();
    auto env = std::make_shared<Environment>();
    env->paths = [root](const QString& p) {
        QString s = p;
        if (s.startsWith("S:\\", Qt::CaseInsensitive)) s = root + "/" + s.mid(3);
        return s.replace('\\', '/');
    };
    ImageAdmin mapped(env);
    mapped.setImage("S:\\doc.tif");
    EXPECT_EQ(mapped.image(), "S:\\doc.tif");
    EXPECT_EQ(mapped.pageCount(), 3);
    mapped.append("S:\\source.tif", 1, 1);
    EXPECT_EQ(readIds(doc), (std::vector<int>{1, 2, 3, 11}));
    // An object of another environment does not reach the drive.
    admin.setImage("S:\\doc.tif");
    EXPECT_EQ(errorOf([&] { admin.pageCount(); }), kErrFileNotFound);
}

TEST_F(AdminTest, OperationsKeepUnsavedEditsOfAnOpenDocument) {
    DocumentModelPtr model = DocumentModel::acquire(doc);
    ASSERT_EQ(model->pageCount(), 3);
    // Blacken the right half of page 1 without saving.
    model->apply(makeOperation("mark", 0, [](PageContent& page) {
        QImage im = page.image.convertToFormat(QImage::Format_RGB32);
        QPainter(&im).fillRect(im.width() / 2, 0, im.width() / 2, im.height(), Qt::black);
        page.image = im;
    }));
    ASSERT_TRUE(model->isPageModified(0));
    std::vector<std::pair<int, int>> inserted;
    QObject::connect(model.get(), &DocumentModel::pagesInserted,
                     [&](int first, int count) { inserted.emplace_back(first, count); });

    admin.insert(source, 1, 2, 2);
    EXPECT_EQ(model->pageCount(), 5);
    ASSERT_EQ(inserted.size(), 1u);
    EXPECT_EQ(inserted[0], std::make_pair(1, 2));
    EXPECT_EQ(readIds(doc), (std::vector<int>{1, 11, 12, 2, 3}));

    admin.deletePages(5, 1);
    admin.append(source, 4, 1);
    EXPECT_EQ(model->pageCount(), 5);
    EXPECT_EQ(admin.pageCount(), 5);

    // The edit of page 1 survived: still unsaved, still in the model's pixels.
    EXPECT_TRUE(model->isPageModified(0));
    const QImage page1 = model->pageImage(0).convertToFormat(QImage::Format_Grayscale8);
    EXPECT_LT(qGray(page1.pixel(page1.width() - 2, page1.height() - 2)), 64);
    EXPECT_EQ(fixtures::pageId(model->pageImage(1)), 11);
    EXPECT_EQ(fixtures::pageId(model->pageImage(4)), 14);
}

// ---- dialogs ----

TEST_F(AdminTest, FileDialogSetsImageAndFilterIndex) {
    auto runner = std::make_shared<doubles::ScriptedFileDialogRunner>();
    admin.setFileDialogRunner(runner);
    admin.setImage("");
    admin.setInitDir(dir.path());
    admin.setFilter("TIFF files (*.tif)|*.tif|BMP files (*.bmp)|*.bmp|");
    admin.setFilterIndex(2);
    admin.setFlags(4);
    runner->answer(source, 1);

    EXPECT_TRUE(admin.showFileDialog(kFileDialogOpen, nullptr));
    EXPECT_EQ(admin.image(), source);
    EXPECT_EQ(admin.filterIndex(), 1);
    EXPECT_EQ(admin.pageCount(), 4);
    ASSERT_EQ(runner->requests().size(), 1u);
    const FileDialogRequest& r = runner->requests()[0];
    EXPECT_EQ(r.kind, kFileDialogOpen);
    EXPECT_EQ(r.filterIndex, 2);
    EXPECT_EQ(r.flags, 4);
    EXPECT_EQ(r.initialFolder, dir.path());
    EXPECT_EQ(r.filter, admin.filter());

    // Save: the current file's name is proposed; the chosen filter index comes back.
    runner->answer(dir.file("copy.bmp"), 2);
    EXPECT_TRUE(admin.showFileDialog(kFileDialogSave, nullptr));
    EXPECT_EQ(runner->requests()[1].kind, kFileDialogSave);
    EXPECT_EQ(runner->requests()[1].fileName, "source.tif");
    EXPECT_EQ(runner->requests()[1].filterIndex, 1);
    EXPECT_EQ(admin.filterIndex(), 2);
    EXPECT_EQ(admin.image(), dir.file("copy.bmp"));

    // A pattern is not proposed as a name.
    admin.setImage("*.tif");
    runner->answer(dir.file("new.tif"));
    admin.showFileDialog(kFileDialogSave, nullptr);
    EXPECT_EQ(runner->requests()[2].fileName, "");

    EXPECT_EQ(errorOf([&] { admin.showFileDialog(2, nullptr); }), kErrBadArgument);
    EXPECT_EQ(errorOf([&] { admin.setFilterIndex(0); }), kErrBadArgument);
}

TEST_F(AdminTest, CancelledDialogsRaise32755UnlessTurnedOff) {
    auto files = std::make_shared<doubles::ScriptedFileDialogRunner>();
    auto prints = std::make_shared<doubles::ScriptedPrintDialogRunner>();
    admin.setFileDialogRunner(files);
    admin.setPrintDialogRunner(prints);
    files->cancel();
    prints->cancel();

    try {
        admin.showFileDialog(kFileDialogOpen, nullptr);
        FAIL() << "no error raised";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 32755);
        EXPECT_EQ(e.description(), "Cancel was selected.");
    }
    EXPECT_EQ(admin.statusCode(), kCancelError);
    EXPECT_EQ(admin.image(), doc) << "cancelling keeps the image";
    EXPECT_EQ(errorOf([&] { admin.showPrintDialog(nullptr); }), kCancelError);

    admin.setCancelError(false);
    files->cancel();
    prints->cancel();
    EXPECT_FALSE(admin.showFileDialog(kFileDialogSave, nullptr));
    EXPECT_EQ(admin.statusCode(), 0);
    EXPECT_FALSE(admin.showPrintDialog(nullptr));
    EXPECT_EQ(admin.statusCode(), 0);
    EXPECT_EQ(admin.image(), doc);
}

TEST_F(AdminTest, PrintDialogGivesPagesAndOptions) {
    auto prints = std::make_shared<doubles::ScriptedPrintDialogRunner>();
    admin.setPrintDialogRunner(prints);
    prints->answer({2, 3, 1, false});
    EXPECT_TRUE(admin.showPrintDialog(nullptr));
    EXPECT_EQ(admin.printStartPage(), 2);
    EXPECT_EQ(admin.printEndPage(), 3);
    EXPECT_EQ(admin.printOutputFormat(), 1);
    EXPECT_FALSE(admin.printAnnotations());
    ASSERT_EQ(prints->requests().size(), 1u);
    EXPECT_EQ(prints->requests()[0].pageCount, 3);
    EXPECT_EQ(prints->requests()[0].firstPage, 1);
    EXPECT_EQ(prints->requests()[0].lastPage, 3);

    // The options chosen last time are offered again; a range outside the file is refused.
    prints->answer({1, 4, 0, true});
    EXPECT_EQ(errorOf([&] { admin.showPrintDialog(nullptr); }), kErrBadPage);
    EXPECT_EQ(prints->requests()[1].option, 1);
    EXPECT_FALSE(prints->requests()[1].printAnnotations);
    EXPECT_EQ(admin.printEndPage(), 3) << "a refused answer changes nothing";

    admin.setImage("");
    EXPECT_EQ(errorOf([&] { admin.showPrintDialog(nullptr); }), kErrNoDocument);
}

TEST_F(AdminTest, ObjectRunnerWinsOverTheEnvironments) {
    auto shared = std::make_shared<doubles::ScriptedFileDialogRunner>();
    auto own = std::make_shared<doubles::ScriptedFileDialogRunner>();
    auto env = std::make_shared<Environment>();
    env->fileDialog = shared;
    ImageAdmin other(env);
    shared->answer(source);
    EXPECT_TRUE(other.showFileDialog(kFileDialogOpen, nullptr));
    EXPECT_EQ(other.image(), source);

    other.setFileDialogRunner(own);
    own->answer(doc);
    EXPECT_TRUE(other.showFileDialog(kFileDialogOpen, nullptr));
    EXPECT_EQ(other.image(), doc);
    EXPECT_EQ(shared->requests().size(), 1u);

    // Without its own runner the object asks its environment's again.
    other.setFileDialogRunner(nullptr);
    shared->answer(source);
    EXPECT_TRUE(other.showFileDialog(kFileDialogOpen, nullptr));
    EXPECT_EQ(other.image(), source);
    EXPECT_EQ(shared->requests().size(), 2u);
    EXPECT_EQ(own->requests().size(), 1u);
}

TEST(FileDialogFilters, OldFilterFormTranslatesToQtNameFilters) {
    EXPECT_EQ(qtNameFilters("TIFF files (*.tif)|*.tif|BMP files (*.bmp)|*.bmp|"),
              (QStringList{"TIFF files (*.tif)", "BMP files (*.bmp)"}));
    EXPECT_EQ(qtNameFilters("Directories|*.~#~"), QStringList{"Directories (*.~#~)"});
    EXPECT_EQ(qtNameFilters("Pictures (*.png)|*.bmp;*.png"), QStringList{"Pictures (*.bmp *.png)"});
    EXPECT_EQ(qtNameFilters("Dangling|"), QStringList{});
    EXPECT_EQ(qtNameFilters(""), QStringList{});
}

TEST(FileDialogFilters, TheQtDialogIsSetUpFromTheRequest) {
    testsupport::TempDir dir;
    FileDialogRequest request;
    request.kind = kFileDialogSave;
    request.caption = "Save As";
    request.filter = "TIFF files (*.tif)|*.tif|BMP files (*.bmp)|*.bmp|";
    request.filterIndex = 2;
    request.initialFolder = dir.path();
    request.fileName = "scan.tif";
    QFileDialog dialog;
    prepareFileDialog(dialog, request);
    EXPECT_EQ(dialog.windowTitle(), "Save As");
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.nameFilters(), (QStringList{"TIFF files (*.tif)", "BMP files (*.bmp)"}));
    EXPECT_EQ(dialog.selectedNameFilter(), "BMP files (*.bmp)");
    EXPECT_EQ(dialog.defaultSuffix(), "bmp");
    EXPECT_EQ(dialog.directory().absolutePath(), QDir(dir.path()).absolutePath());
    EXPECT_EQ(fileDialogAnswer(dialog).filterIndex, 2);
    EXPECT_EQ(fileDialogAnswer(dialog).path, dir.file("scan.tif"));

    // The user picks the other filter: the suffix and the index follow.
    dialog.selectNameFilter("TIFF files (*.tif)");
    emit dialog.filterSelected("TIFF files (*.tif)");
    EXPECT_EQ(dialog.defaultSuffix(), "tif");
    EXPECT_EQ(fileDialogAnswer(dialog).filterIndex, 1);

    // An index past the end selects the last filter; open dialogs want an existing file.
    request.kind = kFileDialogOpen;
    request.filterIndex = 9;
    QFileDialog open;
    prepareFileDialog(open, request);
    EXPECT_EQ(open.fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(open.selectedNameFilter(), "BMP files (*.bmp)");
}
