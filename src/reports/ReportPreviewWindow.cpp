#include "reports/ReportPreviewWindow.h"

#include "reports/ReportDefinition.h"
#include "imaging/controls/Print.h"
#include "viewer/MainWindow.h"

#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPdfWriter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

namespace reports {

namespace {

QPageLayout letter() {
    return QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                       QMarginsF(0.5, 0.5, 0.5, 0.5), QPageLayout::Inch);
}

} // namespace

ReportPreviewWindow::ReportPreviewWindow(viewer::MainWindow& main,
                                         std::shared_ptr<const ReportRenderer> report,
                                         const QString& documentName, QWidget* parent)
    : QWidget(parent, Qt::Window), main_(main), report_(std::move(report)),
      documentName_(documentName), env_(main.imagingEnvironment()),
      printRunner_(env_->printDialog), fileRunner_(env_->fileDialog) {
    setObjectName("frmReportPreview");
    setWindowTitle(report_->data().title + " - Print Preview");

    layoutPrinter_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    layoutPrinter_->setOutputFormat(QPrinter::PdfFormat);
    layoutPrinter_->setPageLayout(letter());
    layoutPrinter_->setDocName(documentName_);

    auto button = [this](const QString& name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    cmdPrint = button("cmdPrint", "&Print...");
    cmdSavePdf = button("cmdSavePdf", "Save as P&DF...");
    cmdPrevious = button("cmdPrevious", "<");
    cmdNext = button("cmdNext", ">");
    cmdZoomIn = button("cmdZoomIn", "Zoom &In");
    cmdZoomOut = button("cmdZoomOut", "Zoom &Out");
    cmdFitWidth = button("cmdFitWidth", "Fit &Width");
    cmdClose = button("cmdClose", "&Close");
    lblPage = new QLabel(this);
    lblPage->setObjectName("lblPage");

    preview = new QPrintPreviewWidget(layoutPrinter_.get(), this);
    preview->setObjectName("preview");
    preview->setViewMode(QPrintPreviewWidget::SinglePageView);
    preview->setZoomMode(QPrintPreviewWidget::FitInView);
    connect(preview, &QPrintPreviewWidget::paintRequested, this,
            [this](QPrinter* printer) { report_->render(*printer); });
    connect(preview, &QPrintPreviewWidget::previewChanged, this, [this] { showPage(); });

    auto* bar = new QHBoxLayout;
    for (QWidget* wdg : {static_cast<QWidget*>(cmdPrint), static_cast<QWidget*>(cmdSavePdf)})
        bar->addWidget(wdg);
    bar->addSpacing(16);
    for (QWidget* wdg : {static_cast<QWidget*>(cmdPrevious), static_cast<QWidget*>(lblPage),
                         static_cast<QWidget*>(cmdNext)})
        bar->addWidget(wdg);
    bar->addSpacing(16);
    for (QPushButton* b : {cmdZoomIn, cmdZoomOut, cmdFitWidth}) bar->addWidget(b);
    bar->addStretch();
    bar->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(preview, 1);

    connect(cmdPrint, &QPushButton::clicked, this,
            [this] { main_.runCommand([this] { cmdPrint_Click(); }); });
    connect(cmdSavePdf, &QPushButton::clicked, this,
            [this] { main_.runCommand([this] { cmdSavePdf_Click(); }); });
    connect(cmdPrevious, &QPushButton::clicked, this, [this] {
        preview->setCurrentPage(preview->currentPage() - 1);
        showPage();
    });
    connect(cmdNext, &QPushButton::clicked, this, [this] {
        preview->setCurrentPage(preview->currentPage() + 1);
        showPage();
    });
    connect(cmdZoomIn, &QPushButton::clicked, preview, [this] { preview->zoomIn(); });
    connect(cmdZoomOut, &QPushButton::clicked, preview, [this] { preview->zoomOut(); });
    connect(cmdFitWidth, &QPushButton::clicked, preview, [this] { preview->fitToWidth(); });
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);

    const QSizeF page = layoutPrinter_->pageLayout().fullRect(QPageLayout::Inch).size();
    const double tx = main_.twipsPerPixelX();
    resize(qRound(page.width() * 1440 * 0.9 / tx), qRound(page.height() * 1440 * 0.75 / tx));
}

ReportPreviewWindow::~ReportPreviewWindow() = default;

int ReportPreviewWindow::pageCount() const { return report_->pageCount(*layoutPrinter_); }

void ReportPreviewWindow::showPage() {
    const int pages = preview->pageCount();
    const int page = preview->currentPage();
    lblPage->setText(QString("Page %1 of %2").arg(page).arg(pages));
    cmdPrevious->setEnabled(page > 1);
    cmdNext->setEnabled(page < pages);
}

void ReportPreviewWindow::cmdPrint_Click() {
    imaging::PrintDialogRequest request;
    request.pageCount = pageCount();
    request.firstPage = 1;
    request.lastPage = request.pageCount;
    request.pageOptions = false;
    request.owner = this;
    if (!printRunner_->run(request)) return;
    std::unique_ptr<QPrinter> printer = env_->printer->printer();
    printer->setDocName(documentName_);
    report_->render(*printer, request.firstPage, request.lastPage);
}

void ReportPreviewWindow::cmdSavePdf_Click() {
    imaging::FileDialogRequest request;
    request.kind = imaging::kFileDialogSave;
    request.caption = "Save as PDF";
    request.filter = "PDF files (*.pdf)|*.pdf|";
    request.initialFolder = QDir::homePath();
    request.fileName = documentName_ + ".pdf";
    request.owner = this;
    const auto answer = fileRunner_->run(request);
    if (!answer) return;
    QString path = answer->path;
    if (!path.endsWith(".pdf", Qt::CaseInsensitive)) path += ".pdf";
    QPdfWriter writer(path);
    writer.setTitle(report_->data().title);
    writer.setCreator("Docuvane");
    writer.setResolution(600);
    writer.setPageLayout(layoutPrinter_->pageLayout());
    report_->render(writer);
}

void ReportPreviewWindow::setPrintDialogRunner(std::shared_ptr<imaging::PrintDialogRunner> r) {
    printRunner_ = r ? std::move(r) : env_->printDialog;
}

void ReportPreviewWindow::setFileDialogRunner(std::shared_ptr<imaging::FileDialogRunner> r) {
    fileRunner_ = r ? std::move(r) : env_->fileDialog;
}

void ReportPreviewWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace reports
