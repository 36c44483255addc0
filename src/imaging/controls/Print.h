#pragma once
// Printing pages of a document.
//
// Placement: every page goes on its own sheet at its true physical size (pixels divided by
// the page's resolution; a page whose file states no resolution is taken as 200 dpi, the
// usual resolution of office scanners and fax), centred in the printable area of the sheet.
// A page larger than the printable area is scaled down, keeping its proportions, to fit it.
// The sheet's orientation follows the page: a page wider than it is tall is printed on a
// landscape sheet, any other page on a portrait sheet. Bitonal pages are handed to the
// printer as 1-bit images without smoothing, so their edges stay sharp.
//
// Print options (the 16-bit option at the interface):
//   kPrintActualSize (0): true physical size, shrunk only when larger than the printable area;
//   kPrintFitToPage  (1): scaled up or down to fill the printable area (proportions kept).
// Other values are refused with Error(kErrBadArgument).
//
// Keeping the window responsive: printPages renders one page at a time and calls the
// progress callback after each page (pages done, pages in the job); the callback may update a
// progress display and let pending window events run, and returns false to cancel the job.
// makePrintJob runs the same work as a background job.
#include "imaging/documents/Document.h"

#include "jobs/Job.h"

#include <QMutex>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QPrinter;

namespace imaging {

class DocumentModel;

inline constexpr int kPrintActualSize = 0;
inline constexpr int kPrintFitToPage = 1;

// Resolution assumed for a page whose file states none.
inline constexpr double kDefaultPrintDpi = 200.0;

// The printer a job prints on. Each call hands out a printer for one job.
class PrinterProvider {
public:
    virtual ~PrinterProvider() = default;
    // A printer ready for a new job; raises Error(kErrPrinter) when there is none.
    virtual std::unique_ptr<QPrinter> printer() = 0;
};

// The system's default printer, or the printer last chosen in a print dialog.
class SystemPrinterProvider : public PrinterProvider {
public:
    SystemPrinterProvider();
    ~SystemPrinterProvider() override;
    std::unique_ptr<QPrinter> printer() override;
    // Remembers the choices made on `printer` in a print dialog (printer name or output
    // file, paper size, copies, duplex, colour): the next jobs print on that printer.
    void rememberChoice(const QPrinter& printer);

private:
    struct Choice;
    mutable QMutex mutex_;
    std::unique_ptr<Choice> choice_;
};

// Prints into a PDF file (used by tests, and handy for "print to file").
class PdfPrinterProvider : public PrinterProvider {
public:
    explicit PdfPrinterProvider(QString fileName) : fileName_(std::move(fileName)) {}
    void setFileName(const QString& fileName) { fileName_ = fileName; }
    QString fileName() const { return fileName_; }
    std::unique_ptr<QPrinter> printer() override;

private:
    QString fileName_;
};

// Called after each page: (pages done, pages in the job). Return false to stop the job.
using PrintProgress = std::function<bool(int done, int total)>;

// Prints pages firstPage..lastPage (1-based, inclusive) on a printer of `printer` (the
// environment's provider), of `model` as it is now (unsaved
// edits included) or of `document` as stored in its file. Raises Error(kErrBadPage) for a
// bad range, Error(kErrBadArgument) for an unknown option, Error(kErrPrinter) when the
// printer fails, and the document's own errors when a page cannot be decoded. A job
// stopped through the progress callback ends quietly after the page being printed.
void printPages(PrinterProvider& printer, const DocumentModel& model, int firstPage, int lastPage, int option,
                bool printAnnotations, const PrintProgress& progress = {});
void printPages(PrinterProvider& printer, const Document& document, int firstPage, int lastPage, int option,
                bool printAnnotations, const PrintProgress& progress = {});

// A print job (jobs::Job, to be started by its owner) printing on a printer of `printer`
// pages firstPage..lastPage of `document` as stored in its file. Its progress is the pages printed so far, with the text
// "Printing page 2 of 5..."; a cancel stops it after the page being printed (outcome
// Cancelled). A failure ends it Failed with the imaging::Error raised (kErrBadPage for a bad
// range, kErrPrinter when the printer fails, ...).
jobs::Job* makePrintJob(std::shared_ptr<PrinterProvider> printer, DocumentPtr document, int firstPage, int lastPage, int option,
                        bool printAnnotations, QObject* parent = nullptr);

} // namespace imaging
