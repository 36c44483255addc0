#include "imaging/controls/ScanProgress.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace imaging {

ScanProgressDialog::ScanProgressDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Scanning"));
    setObjectName(QStringLiteral("scanProgress"));
    auto* layout = new QVBoxLayout(this);
    device_ = new QLabel(this);
    page_ = new QLabel(tr("Starting the scanner..."), this);
    QFont bold = page_->font();
    bold.setBold(true);
    page_->setFont(bold);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 0);
    bar_->setMinimumWidth(320);
    detail_ = new QLabel(this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    cancel_ = buttons->button(QDialogButtonBox::Cancel);
    connect(cancel_, &QPushButton::clicked, this, &ScanProgressDialog::requestCancel);
    layout->addWidget(device_);
    layout->addWidget(page_);
    layout->addWidget(bar_);
    layout->addWidget(detail_);
    layout->addWidget(buttons);
}

void ScanProgressDialog::begin(const QString& deviceLabel) {
    device_->setText(tr("Scanner: %1").arg(deviceLabel));
    setWindowModality(Qt::ApplicationModal);
    show();
}

void ScanProgressDialog::pageStarted(int page) {
    page_->setText(pagesDone_ > 0 ? tr("Scanning page %1 (%2 done)").arg(page).arg(pagesDone_)
                                  : tr("Scanning page %1").arg(page));
    bar_->setRange(0, 0);
    detail_->clear();
}

QString ScanProgressDialog::detailText(qint64 bytes, int lines, int totalLines) {
    const QString size = bytes >= 1024 * 1024
                             ? tr("%1 MB").arg(double(bytes) / (1024 * 1024), 0, 'f', 1)
                             : tr("%1 KB").arg((bytes + 1023) / 1024);
    if (totalLines > 0) return tr("%1 of %2 lines, %3").arg(lines).arg(totalLines).arg(size);
    return tr("%1 lines, %2").arg(lines).arg(size);
}

void ScanProgressDialog::progress(int, qint64 bytes, qint64 totalBytes, int lines, int totalLines) {
    if (totalBytes > 0) {
        bar_->setRange(0, 1000);
        bar_->setValue(int(std::min<qint64>(1000, bytes * 1000 / totalBytes)));
    }
    detail_->setText(detailText(bytes, lines, totalLines));
}

void ScanProgressDialog::pageFinished(int page) {
    pagesDone_ = page;
}

void ScanProgressDialog::end() {
    hide();
}

void ScanProgressDialog::reject() {
    requestCancel();
}

void ScanProgressDialog::requestCancel() {
    if (cancelled_) return;
    cancelled_ = true;
    cancel_->setEnabled(false);
    page_->setText(tr("Cancelling..."));
}

} // namespace imaging
