// Open Image, Save, Save As, Close Record and Exit through the main window's menu items.
#include "ViewerFixture.h"
#include "app/Settings.h"
#include "imaging/documents/AtomicFile.h"
#include "imaging/documents/Document.h"
#include "imaging/pixels/ImagingError.h"
#include "viewer/FileCommands.h"
#include "viewer/JobHost.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <cerrno>

using namespace viewertest;

namespace {

class FileTest : public ViewerFixture {
protected:
    // The loaded window with the messages of its load forgotten.
    viewer::MainWindow& start(bool admin = true) {
        load(admin);
        t.prompter.shown.clear();
        return *w;
    }
    void trigger(QAction* a) {
        ASSERT_TRUE(a->isEnabled()) << a->objectName().toStdString();
        a->trigger();
        settle();
    }
    // Runs a save command to its end: what it told its continuation.
    bool finished(const std::function<void(std::function<void(bool)>)>& command) {
        std::optional<bool> outcome;
        command([&](bool saved) { outcome = saved; });
        settle();
        EXPECT_TRUE(outcome.has_value()) << "the command did not finish";
        return outcome.value_or(false);
    }
    bool save() {
        return finished([&](auto then) { w->files().mnuFileSave_Click(then); });
    }
    bool saveAs() {
        return finished([&](auto then) { w->files().mnuFileSaveAs_Click(then); });
    }
    // Width and height of a page as stored in a file.
    QSize storedSize(const QString& path, int page = 1) const {
        const imaging::PageInfo info = imaging::Document::open(path)->pageInfo(page - 1);
        return {info.width, info.height};
    }
    std::vector<QString> statementsLike(const QString& start) const {
        std::vector<QString> found;
        for (const QString& s : t.db->statements)
            if (s.startsWith(start, Qt::CaseInsensitive)) found.push_back(s);
        return found;
    }
    bool shown(const QString& text) const {
        const auto texts = t.prompter.texts();
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    // The record context of a filed row whose file is `path`, as opening the row leaves it.
    void recordOf(const QString& id, const QString& path) {
        t.s().rec.gstrRecFileId = id;
        t.s().rec.gstrCurrentFile = path;
    }
    // A folder for filed documents, used as the storage root.
    QString store() {
        const QString folder = t.dir.file("store");
        QDir().mkpath(folder);
        t.s().gstrDefaultDirectory = folder;
        return folder;
    }
};

// A file dialog that fails instead of showing itself.
class BrokenFileDialog : public imaging::FileDialogRunner {
public:
    std::optional<imaging::FileDialogAnswer> run(const imaging::FileDialogRequest&) override {
        throw imaging::Error(imaging::kErrFileAccess, "The folder cannot be read.");
    }
};

} // namespace

// ---- Open Image ----

class OpenImage : public FileTest {};

TEST_F(OpenImage, TheDialogAsksFromTheDriveRootWithNoNameAndCancelIsSilent) {
    start();
    fileDialogs->cancel();
    trigger(ui().mnuFileOpen);
    ASSERT_EQ(fileDialogs->requests().size(), 1u);
    const imaging::FileDialogRequest& r = fileDialogs->requests().front();
    EXPECT_EQ(r.kind, imaging::kFileDialogOpen);
    // The drive root "c:\\" through the session's paths: no share is set for C:, so the
    // folder drive paths fall back to.
    EXPECT_EQ(r.initialFolder, t.dir.file("home"));
    EXPECT_EQ(r.fileName, "");
    EXPECT_EQ(r.flags, 4);
    EXPECT_EQ(r.owner, w.get());
    EXPECT_TRUE(t.prompter.shown.empty());
    EXPECT_TRUE(w->doc().NoDocument);
}

TEST_F(OpenImage, OffersEveryImageTypeWhateverSaveAsChoseLast) {
    start();
    open(makeDocument("any.tif", 1));
    fileDialogs->answer(t.dir.file("copy.bmp"), 2); // BMP chosen in Save As
    trigger(ui().mnuFileSaveAs);
    fileDialogs->cancel();
    trigger(ui().mnuFileOpen);
    ASSERT_EQ(fileDialogs->requests().size(), 2u);
    const imaging::FileDialogRequest& r = fileDialogs->requests().back();
    EXPECT_EQ(imaging::qtNameFilters(r.filter),
              (QStringList{"Image Files (*.tif *.tiff *.bmp *.png *.jpg *.jpeg)", "All Files (*)"}));
    EXPECT_EQ(r.filterIndex, 1);
}

TEST_F(OpenImage, ACancelledDialogLeavesTheOpenDocumentPrintable) {
    start();
    const QString path = makeDocument("kept.tif", 2);
    open(path);
    fileDialogs->cancel();
    trigger(ui().mnuFileOpen);
    EXPECT_EQ(edit().image(), path);
    EXPECT_EQ(w->docImgAdmin1->image(), path);
    printDialogs->cancel();
    trigger(ui().mnuFilePrint);
    ASSERT_EQ(printDialogs->requests().size(), 1u); // the dialog knows the document's pages
    EXPECT_EQ(printDialogs->requests()[0].pageCount, 2);
    EXPECT_TRUE(t.prompter.shown.empty());
}

TEST_F(OpenImage, AFailingDialogShowsTheAdministrationError) {
    start();
    w->docImgAdmin1->setFileDialogRunner(std::make_shared<BrokenFileDialog>());
    trigger(ui().mnuFileOpen);
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_EQ(t.prompter.lastText(), "The folder cannot be read. (ImgAdmin error 3EA)");
    EXPECT_EQ(t.prompter.shown.back().icon, app::mb::Critical);
    EXPECT_TRUE(w->doc().NoDocument);
}

TEST_F(OpenImage, AChosenFileOpensAndLeavesTheRecordAsItWas) {
    start();
    t.s().rec.gstrRecFileId = "42";
    t.s().rec.gstrAdmissionID = "250123";
    w->SetExamData();
    w->doc().gblnNewDocument = true; // left over from a scan
    const QString path = makeDocument("loose.tif", 3);
    fileDialogs->answer(path);
    const size_t statements = t.db->statements.size();
    trigger(ui().mnuFileOpen);
    EXPECT_FALSE(w->doc().NoDocument);
    EXPECT_FALSE(w->doc().gblnNewDocument);
    EXPECT_EQ(w->doc().FullPathFileName, path);
    EXPECT_EQ(w->doc().Title, "loose.tif");
    EXPECT_EQ(edit().pageCount(), 3);
    EXPECT_EQ(pageLabel(edit().model()->pageImage(0)), 1);
    EXPECT_EQ(t.s().rec.gstrRecFileId, "42");
    EXPECT_EQ(ui().txtRecID->text(), "42");
    EXPECT_EQ(ui().txtAdmID->text(), "250123");
    EXPECT_EQ(t.db->statements.size(), statements); // no database work
}

TEST_F(OpenImage, CancellingTheSaveQuestionKeepsTheOpenDocumentAndShowsNoDialog) {
    start(/*admin=*/false);
    const QString path = makeDocument("busy.tif", 2);
    open(path);
    edit().rotateLeft();
    t.prompter.answers.push_back(app::mb::Cancel);
    trigger(ui().mnuFileOpen);
    EXPECT_EQ(t.prompter.lastText(), "Do you want to save the changes to busy.tif?");
    EXPECT_TRUE(fileDialogs->requests().empty());
    EXPECT_EQ(edit().image(), path);
    EXPECT_TRUE(edit().imageModified());
}

// ---- Save ----

class Save : public FileTest {};

TEST_F(Save, ANewDocumentGoesThroughSaveAsOnceAndIsThenSavedInPlace) {
    start();
    const QString folder = store();
    const QString scan = makeDocument("Img1.tif", 2);
    w->doc().gblnNewDocument = true;
    open(scan);
    w->doc().gblnNewDocument = true; // as Scan New leaves it
    edit().rotateLeft();
    const QString filed = folder + "/55-7.tif";
    fileDialogs->answer(filed, 1);
    trigger(ui().mnuFileSave);
    ASSERT_EQ(fileDialogs->requests().size(), 1u);
    EXPECT_EQ(fileDialogs->requests()[0].kind, imaging::kFileDialogSave);
    EXPECT_EQ(fileDialogs->requests()[0].initialFolder, folder);
    EXPECT_EQ(fileDialogs->requests()[0].fileName, ""); // "*.tif" proposes no name
    EXPECT_FALSE(w->doc().gblnNewDocument);
    EXPECT_EQ(w->doc().FullPathFileName, filed);
    EXPECT_EQ(w->doc().FileName, "55-7.tif");
    EXPECT_EQ(labelsOnDisk(scan), (std::vector<int>{1, 2})); // the scan itself untouched
    EXPECT_EQ(storedSize(filed), QSize(300, 400));           // the rotation went to the new file
    EXPECT_FALSE(edit().imageModified());

    edit().setPage(2);
    edit().rotateLeft();
    trigger(ui().mnuFileSave);
    EXPECT_EQ(fileDialogs->requests().size(), 1u); // no second dialog
    EXPECT_EQ(storedSize(filed, 2), QSize(300, 400));
    EXPECT_FALSE(edit().imageModified());
}

TEST_F(Save, RightsWithBSaveNothing) {
    t.user->rights = "AB";
    start();
    const QString path = makeDocument("barred.tif", 1);
    open(path);
    edit().rotateLeft();
    t.s().rec.gstrRecFileId = "42";
    const size_t statements = t.db->statements.size();
    trigger(ui().mnuFileSave);
    EXPECT_EQ(t.prompter.texts(), std::vector<QString>{"No Rights"});
    EXPECT_EQ(storedSize(path), QSize(400, 300));
    EXPECT_TRUE(edit().imageModified());
    EXPECT_EQ(t.db->statements.size(), statements);
}

TEST_F(Save, AFiledRecordIsStampedWithTheEmployeeAndTheTime) {
    t.user->employeeCode = "E001";
    start();
    t.db->scriptedRowsAffected = 1;
    const QString path = makeDocument("42.tif", 2);
    open(path);
    recordOf("42", path);
    t.s().rec.gstrScanUpdate = "Nov 20 2008  9:00AM";
    edit().rotateRight();
    trigger(ui().mnuFileSave);
    EXPECT_EQ(
        statementsLike("update"),
        std::vector<QString>{"update dbRecords.dbo.tblRecFiles set "
                             "date_updated=getdate(),employeeid='E001' where recfile_id='42'"});
    EXPECT_EQ(t.prompter.lastText(), "Saved.");
    EXPECT_EQ(t.prompter.shown.back().buttons, app::mb::OKOnly);
    // The fixed clock of the session says 2008-11-25 14:05.
    EXPECT_EQ(t.s().rec.gstrScanUpdate, "11/25/2008 2:05:00 PM");
    EXPECT_EQ(ui().txtScanUpdate->text(), "11/25/2008 2:05:00 PM");
    EXPECT_EQ(storedSize(path), QSize(300, 400));
}

TEST_F(Save, TheStatementQuotesItsValues) {
    t.user->employeeCode = "O'Neil";
    start();
    t.db->scriptedRowsAffected = 1;
    const QString path = makeDocument("q.tif", 1);
    open(path);
    recordOf("4'2", path);
    trigger(ui().mnuFileSave);
    EXPECT_EQ(statementsLike("update"),
              std::vector<QString>{"update dbRecords.dbo.tblRecFiles set date_updated=getdate(),"
                                   "employeeid='O''Neil' where recfile_id='4''2'"});
}

TEST_F(Save, TheRowOfTheDemoDatabaseTakesTheStamp) {
    t.useDemoDatabase();
    t.user->employeeCode = "E001";
    start();
    const QString path = makeDocument("250123-3.tif", 1);
    open(path);
    recordOf("3", path);
    trigger(ui().mnuFileSave);
    EXPECT_EQ(t.prompter.lastText(), "Saved.");
    auto rs = t.demo->open("SELECT EmployeeID, date_updated FROM dbRecords.dbo.tblRecFiles "
                           "WHERE recfile_id='3'");
    ASSERT_FALSE(rs->eof());
    EXPECT_EQ(rs->text("EmployeeID"), "E001");
    EXPECT_NE(rs->text("date_updated"), "2025-03-21 14:05:00.000");
}

TEST_F(Save, APlainImageIsSavedWithoutConfirmationOrDatabase) {
    start();
    const QString path = makeDocument("plain.tif", 2);
    open(path);
    edit().rotateLeft();
    const size_t statements = t.db->statements.size();
    ui().mnuFileSave->trigger();
    // The save runs as a job, told in the status bar; no Cancel: a save is not stopped half way.
    EXPECT_EQ(w->jobs().label()->text(), "Saving plain.tif");
    EXPECT_TRUE(w->jobs().cancelButton()->isHidden());
    settle();
    EXPECT_TRUE(w->jobs().label()->isHidden());
    EXPECT_TRUE(t.prompter.shown.empty());
    EXPECT_EQ(t.db->statements.size(), statements);
    EXPECT_EQ(storedSize(path), QSize(300, 400));
}

TEST_F(Save, AFailedUpdateIsReportedAndTheFileStaysSaved) {
    start();
    const QString path = makeDocument("nostamp.tif", 1);
    open(path);
    recordOf("42", path);
    t.s().rec.gstrScanUpdate = "Nov 20 2008  9:00AM";
    t.db->failWhen = [](const QString& s) { return s.startsWith("update"); };
    edit().rotateLeft();
    trigger(ui().mnuFileSave);
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_TRUE(t.prompter.lastText().startsWith(
        "The image was saved, but its record could not be updated in the database: "));
    EXPECT_TRUE(t.prompter.lastText().contains("Scripted failure"));
    EXPECT_FALSE(shown("Saved."));
    EXPECT_EQ(t.s().rec.gstrScanUpdate, "Nov 20 2008  9:00AM"); // not stamped
    EXPECT_EQ(storedSize(path), QSize(300, 400));
    EXPECT_FALSE(edit().imageModified());
}

TEST_F(Save, ARecordDeletedMeanwhileIsReportedAsGone) {
    t.useDemoDatabase();
    start();
    const QString path = makeDocument("gone.tif", 1);
    open(path);
    recordOf("999", path);
    edit().rotateLeft();
    trigger(ui().mnuFileSave);
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_EQ(t.prompter.lastText(),
              "The image was saved, but its record no longer exists in the database.");
    EXPECT_EQ(storedSize(path), QSize(300, 400));
}

// Open Image leaves the record panel as it was, but only the row's own file takes the row's
// stamp: another image opened after a record is saved without touching the database, the
// record's file opened again by Open Image (by its native path) is stamped.
TEST_F(Save, OnlyTheRowsOwnFileIsStampedAfterOpenImage) {
    t.settings.write(app::kAppPrefs, "Shares", "\\\\records-fs\\recfiles", t.dir.path());
    start();
    t.db->scriptedRowsAffected = 1;
    const QString recordFile = makeDocument("42.tif", 2);
    const QString other = makeDocument("loose.tif", 2);
    struct Case {
        const char* opened;
        QString path;
        bool stamped;
    };
    const std::vector<Case> cases{{"another image", other, false},
                                  {"the record's own file", recordFile, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opened);
        open(recordFile);
        // The record context as opening row 42 leaves it: its file in the logical form.
        recordOf("42", "\\\\records-fs\\recfiles\\42.tif");
        t.s().rec.gstrScanUpdate = "Nov 20 2008  9:00AM";
        w->SetExamData();
        fileDialogs->answer(c.path);
        trigger(ui().mnuFileOpen);
        ASSERT_EQ(w->doc().FullPathFileName, c.path);
        EXPECT_EQ(ui().txtRecID->text(), "42"); // the panel stays as it was
        edit().rotateRight();
        t.prompter.shown.clear();
        const size_t statements = statementsLike("update").size();
        trigger(ui().mnuFileSave);
        EXPECT_EQ(storedSize(c.path), QSize(300, 400)); // saved either way
        EXPECT_EQ(statementsLike("update").size(), statements + (c.stamped ? 1 : 0));
        EXPECT_EQ(shown("Saved."), c.stamped);
        EXPECT_EQ(t.s().rec.gstrScanUpdate,
                  c.stamped ? "11/25/2008 2:05:00 PM" : "Nov 20 2008  9:00AM");
        w->mnuFileClose_Click();
        settle();
    }
}

TEST_F(Save, AWriteThatFailsLeavesTheFileWholeAndSaysWhy) {
    start(/*admin=*/false);
    const QString path = makeDocument("full.tif", 3);
    open(path);
    edit().rotateLeft();
    recordOf("42", path);
    imaging::setAtomicWriteFailureForTesting(100, ENOSPC);
    // Save is not on the menu without scanning access; the save question runs it.
    EXPECT_FALSE(save());
    imaging::setAtomicWriteFailureForTesting(-1, 0);
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_TRUE(t.prompter.lastText().endsWith(" (ImgEdit error 3F1)"))
        << t.prompter.lastText().toStdString();
    EXPECT_EQ(t.prompter.shown.back().icon, app::mb::Critical);
    EXPECT_TRUE(statementsLike("update").empty());
    EXPECT_EQ(labelsOnDisk(path), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(QDir(t.dir.path()).entryList({"*docuvane-tmp*"}, QDir::Files | QDir::Hidden).size(),
              0);
    EXPECT_TRUE(edit().imageModified());

    // Closing with Yes while the disk is still full: the save fails and the close is called off,
    // so the changes are not thrown away.
    imaging::setAtomicWriteFailureForTesting(100, ENOSPC);
    t.prompter.answers.push_back(app::mb::Yes);
    EXPECT_FALSE(w->PerformFileClose());
    settle(); // the save runs as a job
    imaging::setAtomicWriteFailureForTesting(-1, 0);
    EXPECT_TRUE(edit().imageModified());
    EXPECT_EQ(edit().image(), path);
}

// ---- Save As ----

class SaveAs : public FileTest {};

TEST_F(SaveAs, TheCurrentNameSavesInPlaceAndKeepsTheFileType) {
    start();
    const QString path = makeDocument("same.tif", 3);
    open(path);
    edit().rotateLeft();
    fileDialogs->answer(path, 2); // BMP chosen, but the document's own name
    trigger(ui().mnuFileSaveAs);
    EXPECT_EQ(imaging::Document::open(path)->fileType(), imaging::kFileTiff);
    EXPECT_EQ(imaging::Document::open(path)->pageCount(), 3);
    EXPECT_EQ(storedSize(path), QSize(300, 400));
    EXPECT_EQ(w->doc().FullPathFileName, path);
    EXPECT_FALSE(edit().imageModified());
    EXPECT_TRUE(t.prompter.shown.empty());
}

TEST_F(SaveAs, ANativePathToTheDocumentsOwnFileSavesInPlace) {
    const QString native = t.dir.file("share");
    QDir().mkpath(native);
    t.settings.write(app::kAppPrefs, "Shares", "X:", native); // the drive's folder
    start();
    makeDocument("share/rec.tif", 2);
    const QString logical = "X:\\rec.tif";
    open(logical);
    ASSERT_EQ(edit().pageCount(), 2);
    edit().rotateLeft();
    fileDialogs->answer(native + "/rec.tif", 1); // what the dialog answers for that file
    trigger(ui().mnuFileSaveAs);
    EXPECT_EQ(w->doc().FullPathFileName, logical); // the document keeps its own name
    EXPECT_EQ(w->docImgAdmin1->image(), logical);
    EXPECT_EQ(storedSize(native + "/rec.tif"), QSize(300, 400));
    EXPECT_FALSE(edit().imageModified());
}

TEST_F(SaveAs, ANewTiffNameBecomesTheDocumentsName) {
    start();
    const QString path = makeDocument("old.tif", 3);
    open(path);
    edit().rotateLeft();
    const QString copy = t.dir.file("new.tif");
    fileDialogs->answer(copy, 1);
    trigger(ui().mnuFileSaveAs);
    EXPECT_EQ(labelsOnDisk(path), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(storedSize(path), QSize(400, 300));
    EXPECT_EQ(imaging::Document::open(copy)->pageCount(), 3);
    EXPECT_EQ(storedSize(copy), QSize(300, 400));
    EXPECT_EQ(w->doc().FullPathFileName, copy);
    EXPECT_EQ(w->doc().FileName, "new.tif");
    EXPECT_EQ(edit().image(), copy);
    EXPECT_EQ(w->docImgAdmin1->image(), copy);
    EXPECT_EQ(thumbs().image(), copy);
    EXPECT_FALSE(edit().imageModified());
}

TEST_F(SaveAs, BmpOfSeveralPagesSaysWhichPageAndKeepsTheDocumentAsItWas) {
    start();
    const QString scan = makeDocument("Img5.tif", 3);
    w->doc().gblnNewDocument = true; // as Scan New opens it
    w->PerformFileOpen(false, scan, 1);
    settle();
    edit().setPage(3);
    edit().rotateLeft(); // an edit not saved yet, on another page
    edit().setPage(2);
    edit().display();
    const QString bmp = t.dir.file("page.bmp");

    // Told first; Cancel writes nothing.
    fileDialogs->answer(bmp, 2);
    t.prompter.answers.push_back(app::mb::Cancel);
    EXPECT_FALSE(saveAs());
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_TRUE(t.prompter.lastText().contains("one page")) << t.prompter.lastText().toStdString();
    EXPECT_TRUE(t.prompter.lastText().contains("page 2 of 3"));
    EXPECT_EQ(t.prompter.shown.back().buttons, app::mb::OKCancel);
    EXPECT_FALSE(QFile::exists(bmp));

    // OK writes page 2 alone; the scan stays on screen with all its pages and its edit.
    fileDialogs->answer(bmp, 2);
    t.prompter.answers.push_back(app::mb::OK);
    saveAs();
    auto written = imaging::Document::open(bmp);
    EXPECT_EQ(written->fileType(), imaging::kFileBmp);
    EXPECT_EQ(pageLabel(written->decodePage(0)), 2);
    EXPECT_EQ(edit().image(), scan);
    EXPECT_EQ(w->docImgAdmin1->image(), scan);
    EXPECT_EQ(edit().pageCount(), 3);
    EXPECT_TRUE(edit().imageModified());
    EXPECT_TRUE(w->doc().gblnNewDocument);
    EXPECT_EQ(w->doc().Title, "Untitled");

    // Saving it so from the save question keeps it too: the other pages are not in the BMP.
    t.prompter.answers = {app::mb::Yes, app::mb::OK};
    fileDialogs->answer(bmp, 2);
    bool closeWentOn = false;
    EXPECT_FALSE(w->PerformFileClose([&] { closeWentOn = true; }));
    settle();
    EXPECT_FALSE(closeWentOn);
    EXPECT_TRUE(QFile::exists(scan));
    EXPECT_EQ(edit().pageCount(), 3);
}

TEST_F(SaveAs, RightsWithBCannotSaveOverAFiledRecord) {
    t.user->rights = "BV";
    start();
    const QString root = store();
    QDir().mkpath(root + "/2008/2008-11-25");
    const QString record = makeDocument("store/2008/2008-11-25/55-7.tif", 2);
    const QString other = makeDocument("store/2008/2008-11-25/56-7.tif", 1);
    const QString outside = t.dir.file("mine.tif");
    open(record);
    t.s().rec.gstrRecFileId = "42";
    edit().rotateLeft();
    for (const QString& target : {record, other}) {
        SCOPED_TRACE(target.toStdString());
        t.prompter.shown.clear();
        fileDialogs->answer(target, 1);
        EXPECT_FALSE(saveAs());
        EXPECT_EQ(t.prompter.texts(), std::vector<QString>{"No Rights"});
        EXPECT_EQ(edit().image(), record);
    }
    EXPECT_EQ(labelsOnDisk(record), (std::vector<int>{1, 2}));
    EXPECT_EQ(labelsOnDisk(other), std::vector<int>{1});
    // A copy elsewhere is no change of a record.
    t.prompter.shown.clear();
    fileDialogs->answer(outside, 1);
    EXPECT_TRUE(saveAs());
    EXPECT_TRUE(t.prompter.shown.empty());
    EXPECT_EQ(imaging::Document::open(outside)->pageCount(), 2);
}

TEST_F(SaveAs, CancellingChangesNothing) {
    start();
    const QString folder = store();
    const QString scan = makeDocument("Img2.tif", 1);
    w->doc().gblnNewDocument = true;
    open(scan);
    w->doc().gblnNewDocument = true;
    edit().rotateLeft();
    fileDialogs->cancel();
    trigger(ui().mnuFileSaveAs);
    EXPECT_TRUE(w->doc().gblnNewDocument);
    EXPECT_EQ(w->doc().FullPathFileName, scan);
    EXPECT_EQ(w->docImgAdmin1->image(), scan);
    EXPECT_EQ(edit().image(), scan);
    EXPECT_TRUE(edit().imageModified());
    EXPECT_EQ(storedSize(scan), QSize(400, 300));
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(t.prompter.shown.empty());
}

TEST_F(SaveAs, TheFilterOffersAwdOnlyOutsideTheNtFamily) {
    start();
    open(makeDocument("f.tif", 1));
    t.s().gintPlatformId = 2;
    fileDialogs->cancel();
    trigger(ui().mnuFileSaveAs);
    t.s().gintPlatformId = 1;
    fileDialogs->cancel();
    trigger(ui().mnuFileSaveAs);
    ASSERT_EQ(fileDialogs->requests().size(), 2u);
    EXPECT_EQ(imaging::qtNameFilters(fileDialogs->requests()[0].filter),
              (QStringList{"TIFF files (*.tif)", "BMP files (*.bmp)"}));
    EXPECT_EQ(imaging::qtNameFilters(fileDialogs->requests()[1].filter),
              (QStringList{"TIFF files (*.tif)", "BMP files (*.bmp)", "AWD files (*.awd)"}));
    EXPECT_EQ(fileDialogs->requests()[0].filter,
              "TIFF files (*.tif)|*.tif|BMP files (*.bmp)|*.bmp|");
    EXPECT_EQ(fileDialogs->requests()[1].flags, 0);
    EXPECT_EQ(fileDialogs->requests()[1].fileName, "f.tif"); // a named document proposes its name
}

TEST_F(SaveAs, AwdIsRefusedAndReported) {
    start();
    t.s().gintPlatformId = 1;
    const QString scan = makeDocument("Img3.tif", 1);
    w->doc().gblnNewDocument = true;
    open(scan);
    w->doc().gblnNewDocument = true;
    const QString awd = t.dir.file("fax.awd");
    fileDialogs->answer(awd, 3);
    EXPECT_FALSE(saveAs());
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_EQ(t.prompter.lastText(),
              "AWD files are not supported: save the document as TIFF or BMP. (ImgEdit error 3EC)");
    EXPECT_EQ(t.prompter.shown.back().icon, app::mb::Critical);
    EXPECT_FALSE(QFile::exists(awd));
    EXPECT_TRUE(w->doc().gblnNewDocument); // still unnamed: closing it still asks
    EXPECT_EQ(w->doc().FullPathFileName, scan);
    EXPECT_EQ(w->docImgAdmin1->image(), scan);
}

// ---- Close Record and Exit ----

class CloseAndExit : public FileTest {};

TEST_F(CloseAndExit, CloseRecordEndsInTheNoDocumentState) {
    start();
    open(makeDocument("rec.tif", 3));
    t.s().rec.gstrRecFileId = "42";
    w->SetExamData();
    trigger(ui().mnuFileClose);
    EXPECT_TRUE(w->doc().NoDocument);
    // The one-page layout of no document: an empty page display alone.
    EXPECT_TRUE(edit().isVisible());
    EXPECT_FALSE(edit().imageDisplayed());
    EXPECT_FALSE(thumbs().isVisible());
    EXPECT_FALSE(ui().imgDivider->isVisible());
    EXPECT_EQ(edit().image(), "");
    EXPECT_EQ(thumbs().image(), "");
    EXPECT_EQ(w->docImgAdmin1->image(), "");
    EXPECT_EQ(w->docImgScan1->image(), "");
    EXPECT_EQ(thumbs().thumbCount(), 0);
    EXPECT_FALSE(ui().mnuFileSave->isEnabled());
    EXPECT_FALSE(ui().mnuFileClose->isEnabled());
    EXPECT_FALSE(ui().mnuPagePrintPage->isEnabled());
    EXPECT_EQ(ui().txtRecID->text(), "42"); // the record panel is the toolbar's business
    EXPECT_TRUE(t.prompter.shown.empty());
}

TEST_F(CloseAndExit, AClosedScanIsDeletedAndNotAskedAboutAgain) {
    start(/*admin=*/false);
    const QString scan = makeDocument("Img4.tif", 1);
    w->doc().gblnNewDocument = true;
    open(scan);
    w->doc().gblnNewDocument = true;
    t.prompter.answers.push_back(app::mb::No);
    trigger(ui().mnuFileClose);
    EXPECT_FALSE(QFile::exists(scan));
    EXPECT_TRUE(w->doc().NoDocument);
    const size_t asked = t.prompter.shown.size();
    EXPECT_TRUE(w->Form_QueryUnload()); // nothing open: nothing to ask about
    EXPECT_EQ(t.prompter.shown.size(), asked);
}

TEST_F(CloseAndExit, ExitAsksFirstAndThenStoresThePreferences) {
    start(/*admin=*/false);
    open(makeDocument("exit.tif", 1));
    edit().rotateLeft();
    QSignalSpy ended(w.get(), &viewer::MainWindow::programEnded);
    w->ViewMode = 2;
    t.prompter.answers.push_back(app::mb::Cancel);
    trigger(ui().mnuFileExit);
    EXPECT_EQ(t.prompter.lastText(), "Do you want to save the changes to exit.tif?");
    EXPECT_EQ(ended.count(), 0);
    EXPECT_EQ(t.settings.read(app::kAppPrefs, "User Preferences", "View Mode", "none"), "none");

    t.prompter.answers.push_back(app::mb::No);
    ui().mnuFileExit->trigger();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(t.settings.read(app::kAppPrefs, "User Preferences", "View Mode", "none"), "2");
}

TEST_F(CloseAndExit, YesSavesAsAJobAndTheExitGoesOnWhenTheSaveIsDone) {
    start(/*admin=*/false);
    const QString path = makeDocument("yes.tif", 2);
    open(path);
    edit().rotateLeft();
    QSignalSpy ended(w.get(), &viewer::MainWindow::programEnded);
    t.prompter.answers.push_back(app::mb::Yes);
    ui().mnuFileExit->trigger();
    // The question is answered; the save runs, the window is not gone yet.
    EXPECT_EQ(t.prompter.texts(), std::vector<QString>{"Do you want to save the changes to yes.tif?"});
    EXPECT_TRUE(w->jobs().documentBusy());
    EXPECT_EQ(ended.count(), 0);
    settle();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(t.prompter.shown.size(), 1u); // asked once: the saved document has nothing to ask
    EXPECT_EQ(storedSize(path), QSize(300, 400));
}

// ---- The record panel ----

class RecordPanel : public FileTest {};

TEST_F(RecordPanel, ShowsTheRecordContextAndClearsItAgain) {
    t.useDemoDatabase();
    start();
    app::RecordContext& r = t.s().rec;
    r.gstrRecFileId = "3";
    r.gstrAdmissionID = "250123";
    r.gstrRecTypeName = "LABORATORY RESULTS";
    r.gstrDescription = "CBC and urinalysis";
    r.gstrRecDate = "2025-03-14 00:00:00.000"; // as a datetime column reads
    r.gstrScanUpdate = "Mar 21 2025  2:05PM";
    r.gstrEmployeeID = "1001";
    r.gstrHospNum = "H-77";
    r.gstrPatientName = "Dela Cruz, Juan Santos";
    r.gstrAdmDate = "03/10/2025";
    r.gstrDisDate = "03/14/2025";
    r.gstrCurrentFile = "\\\\fs\\recfiles\\2025\\2025-03-14\\250123-3.tif";
    w->SetExamData();
    EXPECT_EQ(ui().txtRecID->text(), "3");
    EXPECT_EQ(ui().txtAdmID->text(), "250123");
    EXPECT_EQ(ui().txtType->text(), "LABORATORY RESULTS");
    EXPECT_EQ(ui().txtDescription->text(), "CBC and urinalysis");
    EXPECT_EQ(ui().txtScanDate->text(), "03/14/2025");
    EXPECT_EQ(ui().txtScanBy->text(), "Santos, Maria Lopez");
    EXPECT_EQ(ui().txtScanUpdate->text(), "Mar 21 2025  2:05PM");
    EXPECT_EQ(ui().txtHospNum->text(), "H-77");
    EXPECT_EQ(ui().txtLastname->text(), "Dela Cruz, Juan Santos");
    EXPECT_EQ(ui().txtAdmDate->text(), "03/10/2025");
    EXPECT_EQ(ui().txtDisDate->text(), "03/14/2025");
    r.gstrRecDate = "11/25/2008";
    w->SetExamData();
    EXPECT_EQ(ui().txtScanDate->text(), "11/25/2008");

    ui().txtPages->setText("1/3");
    w->ClearRecordData();
    EXPECT_EQ(r.gstrRecFileId, "");
    EXPECT_EQ(r.gstrPatientName, "");
    EXPECT_EQ(r.gstrScanUpdate, "");
    EXPECT_EQ(r.gstrCurrentFile, "\\\\fs\\recfiles\\2025\\2025-03-14\\250123-3.tif");
    for (QLineEdit* e : {ui().txtRecID, ui().txtAdmID, ui().txtType, ui().txtDescription,
                         ui().txtScanBy, ui().txtScanDate, ui().txtScanUpdate, ui().txtHospNum,
                         ui().txtLastname, ui().txtAdmDate, ui().txtDisDate, ui().txtPages})
        EXPECT_EQ(e->text(), "") << e->objectName().toStdString();
}
