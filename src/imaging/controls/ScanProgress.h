#pragma once
// The window shown while a scan runs: the page being scanned, how far it is, and Cancel.
// It is shown without exec(): the scan's own event loop keeps it live.
#include "imaging/scanning/ScannerUi.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace imaging {

class ScanProgressDialog : public QDialog, public ScanProgressView {
    Q_OBJECT
public:
    explicit ScanProgressDialog(QWidget* parent = nullptr);

    void begin(const QString& deviceLabel) override;
    void pageStarted(int page) override;
    void progress(int page, qint64 bytes, qint64 totalBytes, int lines, int totalLines) override;
    void pageFinished(int page) override;
    bool cancelRequested() const override { return cancelled_; }
    void end() override;

    // Text of the detail line, e.g. "120 of 590 lines, 36 KB" (for the window and its tests).
    static QString detailText(qint64 bytes, int lines, int totalLines);

protected:
    void reject() override; // Esc and the window's close button cancel the scan

private:
    void requestCancel();

    QLabel* device_;
    QLabel* page_;
    QLabel* detail_;
    QProgressBar* bar_;
    QPushButton* cancel_;
    bool cancelled_ = false;
    int pagesDone_ = 0;
};

} // namespace imaging
