#include "imaging/controls/Print.h"

#include "imaging/documents/DocumentModel.h"
#include "imaging/pixels/ImagingError.h"

#include <QMutex>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTransform>

namespace imaging {

namespace {

// Pages as a print job sees them, whatever holds them (an open model or a file snapshot).
struct PrintSource {
    int pageCount = 0;
    std::function<PageInfo(int)> info;
    std::function<QImage(int)> image;
    std::function<AnnotationList(int)> annotations;
};

// Where the page goes in the printable area, in device pixels of the printer.
QRectF placePage(QSizeF pageInches, const QRectF& printable, double deviceDpi, int option) {
    QSizeF size(pageInches.width() * deviceDpi, pageInches.height() * deviceDpi);
    const bool larger = size.width() > printable.width() || size.height() > printable.height();
    if (option == kPrintFitToPage || larger) size.scale(printable.size(), Qt::KeepAspectRatio);
    const QPointF topLeft(printable.left() + (printable.width() - size.width()) / 2,
                          printable.top() + (printable.height() - size.height()) / 2);
    return QRectF(topLeft, size);
}

// A 1-bit image whose colour table is exactly (black, white): the form the PDF and print
// engines keep as a 1-bit mask instead of widening it to 8 bits a pixel.
QImage asBlackOnWhite(const QImage& image) {
    QImage mono = image.convertToFormat(QImage::Format_Mono);
    const QList<QRgb> table = mono.colorTable();
    if (table.size() == 2 && qGray(table[0]) > qGray(table[1]))
        mono.invertPixels(); // entry 0 was the light one
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    return mono;
}

void printPage(QPainter& painter, QPrinter& printer, const PrintSource& source, int index,
               int option, bool withAnnotations) {
    const PageInfo info = source.info(index);
    const QImage image = source.image(index);
    if (image.isNull())
        throw Error(kErrBadFile, QString("Page %1 could not be read for printing.").arg(index + 1));
    const double xDpi = info.xDpi > 0 ? info.xDpi : kDefaultPrintDpi;
    const double yDpi = info.yDpi > 0 ? info.yDpi : (info.xDpi > 0 ? info.xDpi : kDefaultPrintDpi);
    const QSizeF inches(image.width() / xDpi, image.height() / yDpi);

    // The painter works in device pixels with the origin at the printable area's corner.
    const int deviceDpi = printer.resolution();
    const QRect paintRect = printer.pageLayout().paintRectPixels(deviceDpi);
    const QRectF printable(0, 0, paintRect.width(), paintRect.height());
    painter.setViewport(printable.toRect());
    painter.setWindow(printable.toRect());
    const QRectF target = placePage(inches, printable, deviceDpi, option);

    const bool bitonal = image.depth() == 1;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !bitonal);
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (bitonal) {
        // Printed as a 1-bit mask in the pen's colour: sharp at any printer resolution.
        painter.setPen(Qt::black);
        painter.drawImage(target, asBlackOnWhite(image));
    } else {
        painter.drawImage(target, image);
    }

    if (withAnnotations) {
        const AnnotationList list = source.annotations(index);
        if (!list.empty()) {
            QTransform pageToDevice;
            pageToDevice.translate(target.left(), target.top());
            pageToDevice.scale(target.width() / image.width(), target.height() / image.height());
            painter.save();
            painter.setClipRect(target);
            paintAnnotations(painter, list, pageToDevice, xDpi);
            painter.restore();
        }
    }
}

void printSource(PrinterProvider& provider, const PrintSource& source, int firstPage, int lastPage, int option,
                 bool withAnnotations, const PrintProgress& progress) {
    if (option != kPrintActualSize && option != kPrintFitToPage)
        throw Error(kErrBadArgument, QString("Unknown print option %1.").arg(option));
    if (source.pageCount < 1) throw Error(kErrNoDocument, "There is no document to print.");
    if (firstPage < 1 || lastPage < firstPage || lastPage > source.pageCount)
        throw Error(kErrBadPage, QString("Pages %1 to %2 cannot be printed: the document has "
                                         "pages 1 to %3.")
                                     .arg(firstPage)
                                     .arg(lastPage)
                                     .arg(source.pageCount));

    std::unique_ptr<QPrinter> printer = provider.printer();
    if (!printer || !printer->isValid()) throw Error(kErrPrinter, "No printer is available.");

    QPainter painter;
    const int total = lastPage - firstPage + 1;
    try {
        for (int page = firstPage; page <= lastPage; ++page) {
            const int index = page - 1;
            const PageInfo info = source.info(index);
            const double xDpi = info.xDpi > 0 ? info.xDpi : kDefaultPrintDpi;
            const double yDpi = info.yDpi > 0 ? info.yDpi : xDpi;
            const bool landscape = info.width / xDpi > info.height / yDpi;
            printer->setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
            if (page == firstPage) {
                if (!painter.begin(printer.get()))
                    throw Error(kErrPrinter, "The printer could not start the print job.");
            } else if (!printer->newPage()) {
                throw Error(kErrPrinter, "The printer could not start a new page.");
            }
            printPage(painter, *printer, source, index, option, withAnnotations);
            if (progress && !progress(page - firstPage + 1, total)) break;
        }
    } catch (...) {
        if (painter.isActive()) {
            printer->abort();
            painter.end();
        }
        throw;
    }
    if (!painter.end()) throw Error(kErrPrinter, "The printer could not finish the print job.");
}

} // namespace

struct SystemPrinterProvider::Choice {
    bool set = false;
    QString printerName;
    QString outputFileName;
    QPageSize pageSize;
    int copies = 1;
    QPrinter::DuplexMode duplex = QPrinter::DuplexNone;
    QPrinter::ColorMode colorMode = QPrinter::Color;
};

SystemPrinterProvider::SystemPrinterProvider() : choice_(std::make_unique<Choice>()) {}
SystemPrinterProvider::~SystemPrinterProvider() = default;

std::unique_ptr<QPrinter> SystemPrinterProvider::printer() {
    Choice chosen;
    {
        QMutexLocker lock(&mutex_);
        chosen = *choice_;
    }
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (chosen.set && !chosen.outputFileName.isEmpty()) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(chosen.outputFileName);
    } else {
        const QString name = chosen.set && !chosen.printerName.isEmpty()
                                 ? chosen.printerName
                                 : QPrinterInfo::defaultPrinterName();
        if (name.isEmpty()) throw Error(kErrPrinter, "No printer is installed.");
        printer->setPrinterName(name);
    }
    if (chosen.set) {
        if (chosen.pageSize.isValid()) printer->setPageSize(chosen.pageSize);
        printer->setCopyCount(chosen.copies);
        printer->setDuplex(chosen.duplex);
        printer->setColorMode(chosen.colorMode);
    }
    return printer;
}

std::unique_ptr<QPrinter> PdfPrinterProvider::printer() {
    if (fileName_.isEmpty()) throw Error(kErrPrinter, "No output file is set for printing.");
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(fileName_);
    printer->setPageSize(QPageSize(QPageSize::Letter));
    printer->setPageMargins(QMarginsF(0.5, 0.5, 0.5, 0.5), QPageLayout::Inch);
    return printer;
}

void SystemPrinterProvider::rememberChoice(const QPrinter& printer) {
    QMutexLocker lock(&mutex_);
    Choice& c = *choice_;
    c.set = true;
    c.printerName = printer.printerName();
    c.outputFileName =
        printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : QString();
    c.pageSize = printer.pageLayout().pageSize();
    c.copies = printer.copyCount();
    c.duplex = printer.duplex();
    c.colorMode = printer.colorMode();
}

void printPages(PrinterProvider& printer, const DocumentModel& model, int firstPage, int lastPage, int option,
                bool printAnnotations, const PrintProgress& progress) {
    PrintSource source;
    source.pageCount = model.pageCount();
    source.info = [&model](int i) { return model.pageInfo(i); };
    source.image = [&model](int i) { return model.pageImage(i); };
    source.annotations = [&model](int i) { return model.annotations(i); };
    printSource(printer, source, firstPage, lastPage, option, printAnnotations, progress);
}

void printPages(PrinterProvider& printer, const Document& document, int firstPage, int lastPage, int option,
                bool printAnnotations, const PrintProgress& progress) {
    PrintSource source;
    source.pageCount = document.pageCount();
    source.info = [&document](int i) { return document.pageInfo(i); };
    source.image = [&document](int i) { return document.decodePage(i); };
    source.annotations = [&document](int i) { return document.annotations(i); };
    printSource(printer, source, firstPage, lastPage, option, printAnnotations, progress);
}

// ---- the print job ----

jobs::Job* makePrintJob(std::shared_ptr<PrinterProvider> printer, DocumentPtr document,
                        int firstPage, int lastPage, int option,
                        bool printAnnotations, QObject* parent) {
    auto* job = new jobs::Job(
        QStringLiteral("Printing"),
        [=](jobs::Progress& progress) {
            if (!document) throw Error(kErrNoDocument, "There is no document to print.");
            if (!printer) throw Error(kErrPrinter, "No printer is available.");
            const int total = std::max(1, lastPage - firstPage + 1);
            progress.set(0, total, QStringLiteral("Printing page 1 of %1...").arg(total));
            int printed = 0;
            printPages(*printer, *document, firstPage, lastPage, option, printAnnotations,
                       [&progress, &printed](int done, int all) {
                           printed = done;
                           progress.set(done, all,
                                        done < all ? QStringLiteral("Printing page %1 of %2...")
                                                         .arg(done + 1)
                                                         .arg(all)
                                                   : QStringLiteral("Printed %1 of %2 pages.")
                                                         .arg(done)
                                                         .arg(all));
                           return !progress.isCancelRequested();
                       });
            if (printed < total) progress.checkCancel(); // stopped between pages
        },
        parent);
    job->setCancellable(true);
    return job;
}

} // namespace imaging
