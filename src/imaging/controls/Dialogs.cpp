#include "imaging/controls/Dialogs.h"

#include "imaging/controls/Print.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>

namespace imaging {

QStringList qtNameFilters(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList result;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i].trimmed();
        const QString patterns = parts[i + 1].trimmed();
        if (name.isEmpty() || patterns.isEmpty()) continue;
        // Qt reads the patterns from the parentheses: replace any the name already shows.
        static const QRegularExpression trailingParens(R"(\s*\([^()]*\)\s*$)");
        name.remove(trailingParens);
        QStringList list = patterns.split(';', Qt::SkipEmptyParts);
        for (QString& p : list)
            p = p.trimmed();
        result << QString("%1 (%2)").arg(name, list.join(' '));
    }
    return result;
}

namespace {

// "*.tif" → "tif"; anything but one plain extension → "".
QString plainSuffix(const QString& nameFilter) {
    static const QRegularExpression one(R"(\(\*\.([A-Za-z0-9]+)\)$)");
    const auto m = one.match(nameFilter);
    return m.hasMatch() ? m.captured(1) : QString();
}

} // namespace

void prepareFileDialog(QFileDialog& dialog, const FileDialogRequest& request) {
    const bool save = request.kind == kFileDialogSave;
    dialog.setWindowTitle(request.caption);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = qtNameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = std::clamp(request.filterIndex, 1, int(filters.size())) - 1;
        dialog.selectNameFilter(filters[index]);
        if (save) {
            dialog.setDefaultSuffix(plainSuffix(filters[index]));
            QObject::connect(
                &dialog, &QFileDialog::filterSelected, &dialog,
                [&dialog](const QString& f) { dialog.setDefaultSuffix(plainSuffix(f)); });
        }
    }
    if (!request.initialFolder.isEmpty()) dialog.setDirectory(request.initialFolder);
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
}

FileDialogAnswer fileDialogAnswer(const QFileDialog& dialog) {
    FileDialogAnswer answer;
    const QStringList files = dialog.selectedFiles();
    answer.path = files.isEmpty() ? QString() : files.constFirst();
    answer.filterIndex =
        std::max(1, int(dialog.nameFilters().indexOf(dialog.selectedNameFilter())) + 1);
    return answer;
}

std::optional<FileDialogAnswer> QtFileDialogRunner::run(const FileDialogRequest& request) {
    QFileDialog dialog(request.owner);
    prepareFileDialog(dialog, request);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return fileDialogAnswer(dialog);
}

QtPrintDialogRunner::QtPrintDialogRunner(std::shared_ptr<SystemPrinterProvider> printer)
    : printer_(std::move(printer)) {}

bool QtPrintDialogRunner::run(PrintDialogRequest& request) {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, request.owner);
    dialog.setWindowTitle(QObject::tr("Print"));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setMinMax(1, std::max(1, request.pageCount));
    const bool all = request.firstPage <= 1 && request.lastPage >= request.pageCount;
    if (!all) {
        dialog.setPrintRange(QAbstractPrintDialog::PageRange);
        dialog.setFromTo(request.firstPage, request.lastPage);
    }

    auto* options = new QWidget;
    options->setWindowTitle(QObject::tr("Pages"));
    auto* form = new QFormLayout(options);
    auto* size = new QComboBox(options);
    size->addItem(QObject::tr("Actual size"), kPrintActualSize);
    size->addItem(QObject::tr("Fit to page"), kPrintFitToPage);
    size->setCurrentIndex(std::max(0, size->findData(request.option)));
    auto* annotations = new QCheckBox(QObject::tr("Print annotations"), options);
    annotations->setChecked(request.printAnnotations);
    form->addRow(QObject::tr("Page size:"), size);
    form->addRow(annotations);
    if (request.pageOptions) dialog.setOptionTabs({options});
    else delete options;

    if (dialog.exec() != QDialog::Accepted) return false;
    if (dialog.printRange() == QAbstractPrintDialog::PageRange && dialog.fromPage() > 0) {
        request.firstPage = dialog.fromPage();
        request.lastPage = dialog.toPage();
    } else {
        request.firstPage = 1;
        request.lastPage = request.pageCount;
    }
    if (request.pageOptions) {
        request.option = size->currentData().toInt();
        request.printAnnotations = annotations->isChecked();
    }
    if (printer_) printer_->rememberChoice(printer);
    return true;
}

} // namespace imaging
