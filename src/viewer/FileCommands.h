#pragma once
// Opening an image, saving, Save As, closing the record, exit and printing.
#include "jobs/Job.h"

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

    // The writes run as document jobs (JobHost); what comes after them runs in `then`, on the
    // window thread, when they are done.
    void mnuFileOpen_Click();
    // `then(true)` when the document was written to its file (for a filed record also when
    // only the database stamp failed: that is reported, the file is saved).
    void mnuFileSave_Click(std::function<void(bool saved)> then = {});
    // `then(true)` when the document was saved; false when the user cancelled the dialog or
    // the save failed (nothing was written then).
    void mnuFileSaveAs_Click(std::function<void(bool saved)> then = {});
    // `then` runs once the document is closed (also when its save question's save had to
    // finish first).
    void mnuFileClose_Click(std::function<void()> then = {});
    void mnuFileExit_Click();
    void mnuFilePrint_Click();
    void mnuPagePrintPage_Click();

private:
    // The outcome of an engine operation: status 0, or the error's number and description.
    struct EngineResult {
        int status = 0;
        QString description;
    };
    static EngineResult engineResultOf(const jobs::Result& result);
    // Starts a document job; when another one runs, the user is told and false is answered.
    bool startDocumentJob(jobs::Job* job, std::function<void(const jobs::Result&)> then);
    // Writes the page display's document to its own file (fileType 0) or to `path` as
    // fileType, through the engine's atomic write. A refusal already told to the user comes
    // with an empty description.
    void saveDocument(const QString& path, int fileType, std::function<void(EngineResult)> then);
    // Writes the document to its own file; reports a failure.
    void saveToOwnFile(std::function<void(bool saved)> then);
    // The print dialog, then the pages chosen.
    void printChosenPages();
    // Prints pages of the document as stored in its file, as a job with its progress in the
    // status bar.
    void printStoredPages(int firstPage, int lastPage, int option, bool annotations);
    // Save As BMP: writes the current page to `path` after saying so for a document of
    // several pages; the document itself stays as it is. `then` hears true when that saved the
    // whole document (one page); false when cancelled, failed, or other pages are not in it.
    void exportBmp(const QString& path, std::function<void(bool whole)> then);
    // The document shown is the file of the record context's row (the row a save stamps).
    bool isOpenRecordFile() const;
    // A filed record's file: the open record's own file, or any file below the storage root.
    bool isFiledRecordFile(const QString& path) const;
    // Stamps the filed record's row with the update time and the saving employee.
    void stampRecord();
    void showEngineError(const QString& description, const QString& control, int status);

    MainWindow& w_;
};

} // namespace viewer
