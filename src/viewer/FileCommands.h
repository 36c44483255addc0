#pragma once
// Opening an image, saving, Save As, closing the record, exit and printing.
#include <QObject>
#include <QString>
#include <functional>

namespace viewer {

class MainWindow;

// How an imaging control's status code is shown: the error's description, then
// " (<control> error <code in upper-case hexadecimal>)", e.g. "Disk full (ImgEdit error 3F1)".
QString engineErrorText(const QString& description, const QString& control, int status);

class FileCommands : public QObject {
    Q_OBJECT
public:
    explicit FileCommands(MainWindow& w);

    void mnuFileOpen_Click();
    // Returns true when the document was written to its file (for a filed record also when
    // only the database stamp failed: that is reported, the file is saved).
    bool mnuFileSave_Click();
    // Returns true when the document was saved; false when the user cancelled the dialog or
    // the save failed (nothing was written then).
    bool mnuFileSaveAs_Click();
    void mnuFileClose_Click();
    void mnuFileExit_Click();
    void mnuFilePrint_Click();
    void mnuPagePrintPage_Click();

    // True while a print job is going out (the window stays usable meanwhile).
    bool printing() const { return printing_; }

private:
    // The outcome of an engine operation: status 0, or the error's number and description.
    struct EngineResult {
        int status = 0;
        QString description;
    };
    // Runs `work` on a worker thread; the window keeps painting and the status bar shows
    // `status` until it is done.
    EngineResult runOffThread(const QString& status, const std::function<void()>& work);
    // Writes the page display's document to its own file (fileType 0) or to `path` as
    // fileType, through the engine's atomic write.
    EngineResult saveDocument(const QString& path, int fileType);
    // Writes the document to its own file; reports a failure and answers false.
    bool saveToOwnFile();
    // Prints pages of the document as stored in its file, off the window's thread, with a
    // progress window and the status bar telling how far it got.
    EngineResult printStoredPages(int firstPage, int lastPage, int option, bool annotations);
    // Save As BMP: writes the current page to `path` after saying so for a document of
    // several pages; the document itself stays as it is. True when that saved the whole
    // document (one page); false when cancelled, failed, or other pages are not in the file.
    bool exportBmp(const QString& path);
    // A filed record's file: the open record's own file, or any file below the storage root.
    bool isFiledRecordFile(const QString& path) const;
    // Stamps the filed record's row with the update time and the saving employee.
    void stampRecord();
    void showEngineError(const QString& description, const QString& control, int status);
    void showStatus(const QString& text);

    MainWindow& w_;
    bool printing_ = false;
};

} // namespace viewer
