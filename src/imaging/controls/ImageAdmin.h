#pragma once
// The administration object: facts about a document file, page operations on it, and the
// file and print dialogs. The program holds two: one for the open document and one for
// the source file of page insertions.
//
// Paths are kept exactly as given and resolved through the environment's paths at each file
// access (the environment, given at construction, also holds the dialogs). Page
// operations go through the open DocumentModel of the path when there is one, so the views
// update and unsaved edits of the other pages survive; otherwise they write the file
// directly. Pages are 1-based.
//
// Every operation sets statusCode(): 0 on success; on failure it raises imaging::Error and
// the status takes the error's number. A cancelled dialog raises Error(kCancelError) when
// cancelError() is on (the default), or just returns false when it is off.
#include "imaging/controls/Dialogs.h"
#include "imaging/documents/Document.h"
#include "imaging/controls/Environment.h"

#include <QObject>
#include <QString>
#include <memory>

class QWidget;

namespace imaging {

class ImageAdmin : public QObject {
    Q_OBJECT
public:
    // With the real environment.
    explicit ImageAdmin(QObject* parent = nullptr);
    explicit ImageAdmin(EnvironmentPtr env, QObject* parent = nullptr);
    ~ImageAdmin() override;

    void setImage(const QString& path);
    QString image() const { return image_; }
    // FileTypeCode of the file at image(); 0 when there is no readable image file.
    int fileType();
    int pageCount();
    // Why the file at image() is damaged (its page chain loops back after the pages it
    // shows); empty for an intact or unreadable file. Such a file is to be shown read-only.
    QString damage();
    void setPage(int page); // 1..pageCount()
    int page() const { return page_; }

    // A file name (name only) not yet used in `folder`: prefix + digits + "." + extension.
    QString getUniqueName(const QString& folder, const QString& prefix, const QString& extension);

    void deletePages(int firstPage, int count);
    // `count` pages of `source` from `sourcePage` become pages destPage, destPage+1, ...
    void insert(const QString& source, int sourcePage, int destPage, int count);
    void append(const QString& source, int firstPage, int count);

    // File dialog settings: the filter in "Name (*.ext)|*.ext|..." form, its 1-based index
    // (updated by the dialog), the initial folder, flags, and the dialog's title.
    void setFilter(const QString& filter) { filter_ = filter; }
    QString filter() const { return filter_; }
    void setFilterIndex(int index);
    int filterIndex() const { return filterIndex_; }
    void setInitDir(const QString& folder) { initDir_ = folder; }
    QString initDir() const { return initDir_; }
    void setFlags(int flags) { flags_ = flags; }
    int flags() const { return flags_; }
    void setCancelError(bool on) { cancelError_ = on; }
    bool cancelError() const { return cancelError_; }
    void setDialogTitle(const QString& title) { dialogTitle_ = title; }
    QString dialogTitle() const { return dialogTitle_; }

    // kind 0 open, 1 save. On OK image() becomes the chosen path and filterIndex() the
    // filter in use; returns true.
    bool showFileDialog(int kind, QWidget* owner = nullptr);
    // Pages and options for printing image(); on OK the print...() values below are set.
    bool showPrintDialog(QWidget* owner = nullptr);
    int printStartPage() const { return printStart_; }
    int printEndPage() const { return printEnd_; }
    int printOutputFormat() const { return printOption_; } // see Print.h
    bool printAnnotations() const { return printAnnotations_; }

    int statusCode() const { return status_; }

    // Dialogs of this object only, in place of its environment's (null: the environment's).
    void setFileDialogRunner(std::shared_ptr<FileDialogRunner> runner);
    void setPrintDialogRunner(std::shared_ptr<PrintDialogRunner> runner);

private:
    template <class F> auto guarded(F&& work) -> decltype(work());
    DocumentPtr document();
    void requireImage() const;
    [[noreturn]] void raiseCancel();

    QString image_;
    int page_ = 1;
    QString filter_;
    int filterIndex_ = 1;
    QString initDir_;
    int flags_ = 0;
    bool cancelError_ = true;
    QString dialogTitle_;
    int printStart_ = 1;
    int printEnd_ = 1;
    int printOption_ = 0;
    bool printAnnotations_ = true;
    int status_ = 0;
    DocumentPtr cached_; // snapshot of image(), reopened when the file changes
    EnvironmentPtr env_;
    std::shared_ptr<FileDialogRunner> fileRunner_;
    std::shared_ptr<PrintDialogRunner> printRunner_;
};

} // namespace imaging
