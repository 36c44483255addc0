#pragma once
// The scanning accomplishment report (`frmScanReport`, "Scanning Accomplishment Report"):
// for a date range, how many documents each employee filed or saved, from the procedure
// sp_ScanReport, and the printable report of the same figures (the classes component's
// OpenMainReport over the program folder's ScanReport.rpt).
//
// The window is modeless and stays until Esc or closing. The search runs as a background job
// of the main window; the grid is filled when it ends (searchFinished).
#include <QDate>
#include <QWidget>

class QDateEdit;
class QLabel;
class QPushButton;
class QTableWidget;

namespace viewer {
class MainWindow;
}

namespace reports {

class ReportPreviewWindow;

class ScanReportWindow : public QWidget {
    Q_OBJECT
public:
    // Loads the window: the start date is the day before today, the end date today.
    ScanReportWindow(viewer::MainWindow& main, QWidget* parent = nullptr);
    ~ScanReportWindow() override;

    void cmdSearch_Click();
    void cmdPrint_Click();
    bool searchRunning() const { return running_; }

    // The report definition Print reads: the program folder's ScanReport.rpt.
    QString reportFile() const;

    // DTPicker1(0) "Date Start" and DTPicker1(1) "Date End".
    QDateEdit* DTPicker1[2] = {nullptr, nullptr};
    QLabel* lblDate[2] = {nullptr, nullptr};
    QPushButton* cmdSearch = nullptr;
    QPushButton* cmdPrint = nullptr;
    QTableWidget* fgridScanReport = nullptr;

signals:
    // A search ended (with rows, without, or failed).
    void searchFinished();
    // Print opened the report's preview.
    void previewOpened(reports::ReportPreviewWindow* preview);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutGrid();
    void Form_Resize();

    viewer::MainWindow& main_;
    bool running_ = false;
};

} // namespace reports
