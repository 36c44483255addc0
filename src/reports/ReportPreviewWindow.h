#pragma once
// The print preview of a report (object name "frmReportPreview", a window of its own): the
// pages as they will print, page by page or zoomed, and the commands to print them through
// the print dialog or to save them as a PDF file.
//
// The preview lays the pages out on US Letter with half-inch margins; printing lays them out
// again on the chosen printer's page. Printing asks the print dialog for the pages and the
// printer, and prints on the printer of the main window's imaging environment (the printer
// chosen there); saving asks its file dialog for the PDF file. Tests hand the main window an
// environment with scripted dialogs and a PDF printer.
#include "imaging/controls/Dialogs.h"
#include "imaging/controls/Environment.h"
#include "reports/ReportRenderer.h"

#include <QWidget>
#include <memory>

class QLabel;
class QPrintPreviewWidget;
class QPrinter;
class QPushButton;

namespace viewer {
class MainWindow;
}

namespace reports {

class ReportPreviewWindow : public QWidget {
    Q_OBJECT
public:
    ReportPreviewWindow(viewer::MainWindow& main, std::shared_ptr<const ReportRenderer> report,
                        const QString& documentName, QWidget* parent = nullptr);
    ~ReportPreviewWindow() override;

    const ReportRenderer& report() const { return *report_; }
    int pageCount() const;

    // "&Print...": the print dialog, then the chosen pages on the chosen printer.
    void cmdPrint_Click();
    // "Save as P&DF...": the file dialog, then every page into that PDF file.
    void cmdSavePdf_Click();

    // Dialogs of this window only, in place of the environment's (null: the environment's).
    void setPrintDialogRunner(std::shared_ptr<imaging::PrintDialogRunner> r);
    void setFileDialogRunner(std::shared_ptr<imaging::FileDialogRunner> r);

    QPrintPreviewWidget* preview = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdSavePdf = nullptr;
    QPushButton* cmdPrevious = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdZoomIn = nullptr;
    QPushButton* cmdZoomOut = nullptr;
    QPushButton* cmdFitWidth = nullptr;
    QPushButton* cmdClose = nullptr;
    QLabel* lblPage = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showPage();

    viewer::MainWindow& main_;
    std::shared_ptr<const ReportRenderer> report_;
    QString documentName_;
    std::unique_ptr<QPrinter> layoutPrinter_;
    imaging::EnvironmentPtr env_;
    std::shared_ptr<imaging::PrintDialogRunner> printRunner_;
    std::shared_ptr<imaging::FileDialogRunner> fileRunner_;
};

} // namespace reports
