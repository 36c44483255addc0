#pragma once
// The file and print dialogs of the administration object, behind small interfaces: the
// real ones show Qt dialogs; tests use the scripted ones of the testing library
// (doubles/ScriptedDialogs.h), so they never show a modal window.
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class QFileDialog;
class QWidget;

namespace imaging {

class SystemPrinterProvider;

inline constexpr int kFileDialogOpen = 0;
inline constexpr int kFileDialogSave = 1;

struct FileDialogRequest {
    int kind = kFileDialogOpen; // kFileDialogOpen or kFileDialogSave
    QString caption;
    QString filter;        // "Name (*.ext)|*.ext|Other|*.a;*.b|" form
    int filterIndex = 1;   // 1-based
    QString initialFolder; // native path
    QString fileName;      // proposed file name (may be empty)
    int flags = 0;         // handed through; see QtFileDialogRunner
    QWidget* owner = nullptr;
};

struct FileDialogAnswer {
    QString path;        // native path of the chosen file
    int filterIndex = 1; // 1-based index of the filter in use when the user confirmed
};

class FileDialogRunner {
public:
    virtual ~FileDialogRunner() = default;
    // The chosen file, or nothing when the user cancelled.
    virtual std::optional<FileDialogAnswer> run(const FileDialogRequest& request) = 0;
};

// One entry of the "Name|pattern|Name|pattern|" filter form, as a Qt name filter.
// "TIFF files (*.tif)|*.tif|" gives "TIFF files (*.tif)"; "Pictures|*.bmp;*.png" gives
// "Pictures (*.bmp *.png)". Incomplete trailing entries are dropped.
QStringList qtNameFilters(const QString& filter);

// Sets up `dialog` for `request`, and reads the answer of an accepted dialog: the two halves
// of QtFileDialogRunner around exec().
void prepareFileDialog(QFileDialog& dialog, const FileDialogRequest& request);
FileDialogAnswer fileDialogAnswer(const QFileDialog& dialog);

// QFileDialog (Qt's own, not the platform's). Open dialogs accept existing files only; save
// dialogs ask before replacing a file. The flags carry no further meaning here.
class QtFileDialogRunner : public FileDialogRunner {
public:
    std::optional<FileDialogAnswer> run(const FileDialogRequest& request) override;
};

struct PrintDialogRequest {
    int firstPage = 1;
    int lastPage = 1;
    int option = 0; // the 16-bit print option (see Print.h)
    bool printAnnotations = true;
    int pageCount = 1;
    // Whether the page size option and the annotations flag apply (pages of a document);
    // other printouts (reports) print as they are laid out.
    bool pageOptions = true;
    QWidget* owner = nullptr;
};

class PrintDialogRunner {
public:
    virtual ~PrintDialogRunner() = default;
    // Lets the user change the request's pages and options; false when cancelled.
    virtual bool run(PrintDialogRequest& request) = 0;
};

// QPrintDialog with an extra tab for the page size option and the annotations flag. The
// printer chosen in it is remembered by `printer` for the next print jobs.
class QtPrintDialogRunner : public PrintDialogRunner {
public:
    explicit QtPrintDialogRunner(std::shared_ptr<SystemPrinterProvider> printer);
    bool run(PrintDialogRequest& request) override;

private:
    std::shared_ptr<SystemPrinterProvider> printer_;
};

} // namespace imaging
