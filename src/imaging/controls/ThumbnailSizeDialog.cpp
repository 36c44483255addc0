#include "imaging/controls/ThumbnailSizeDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace imaging {

namespace {

// Shows a page-shaped box of the chosen size (scaled down when it does not fit).
class SizePreview : public QWidget {
public:
    SizePreview(std::function<QSize()> size, QWidget* parent)
        : QWidget(parent), size_(std::move(size)) {
        setMinimumSize(220, 260);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().window().color().darker(108));
        QSize s = size_();
        const QSize room = size() - QSize(20, 36);
        const bool scaled = s.width() > room.width() || s.height() > room.height();
        if (scaled) s.scale(room, Qt::KeepAspectRatio);
        const QRect box(QPoint((width() - s.width()) / 2, (height() - 16 - s.height()) / 2), s);
        p.fillRect(box, Qt::white);
        p.setPen(palette().text().color());
        p.drawRect(box.adjusted(0, 0, -1, -1));
        // A few gray lines standing for text.
        p.setPen(QColor(170, 170, 170));
        for (int y = box.top() + box.height() / 8; y < box.bottom() - box.height() / 8;
             y += std::max(4, box.height() / 14))
            p.drawLine(box.left() + box.width() / 8, y, box.right() - box.width() / 8, y);
        p.setPen(palette().text().color());
        const QSize real = size_();
        p.drawText(QRect(0, height() - 18, width(), 16), Qt::AlignCenter,
                   QString("%1 x %2%3")
                       .arg(real.width())
                       .arg(real.height())
                       .arg(scaled ? tr(" (shown smaller)") : QString()));
    }

private:
    std::function<QSize()> size_;
};

} // namespace

ThumbnailSizeDialog::ThumbnailSizeDialog(QSize current, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Thumbnail Size"));
    current = current.expandedTo(QSize(kMinThumbSide, kMinThumbSide))
                  .boundedTo(QSize(kMaxThumbSide, kMaxThumbSide));
    ratio_ = double(current.height()) / current.width();

    width_ = new QSpinBox(this);
    height_ = new QSpinBox(this);
    for (QSpinBox* s : {width_, height_}) {
        s->setRange(kMinThumbSide, kMaxThumbSide);
        s->setSuffix(tr(" pixels"));
    }
    width_->setObjectName("thumbWidth");
    height_->setObjectName("thumbHeight");
    width_->setValue(current.width());
    height_->setValue(current.height());
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName("thumbSizeSlider");
    slider_->setRange(kMinThumbSide, kMaxThumbSide);
    slider_->setValue(current.width());
    keep_ = new QCheckBox(tr("&Keep proportions"), this);
    keep_->setObjectName("keepProportions");
    keep_->setChecked(true);
    preview_ = new SizePreview([this] { return thumbSize(); }, this);

    auto* form = new QFormLayout;
    form->addRow(tr("&Size:"), slider_);
    form->addRow(tr("&Width:"), width_);
    form->addRow(tr("&Height:"), height_);
    form->addRow(keep_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* top = new QHBoxLayout;
    top->addLayout(form);
    top->addWidget(preview_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);

    connect(width_, &QSpinBox::valueChanged, this, &ThumbnailSizeDialog::widthChanged);
    connect(height_, &QSpinBox::valueChanged, this, &ThumbnailSizeDialog::heightChanged);
    connect(slider_, &QSlider::valueChanged, this, &ThumbnailSizeDialog::sliderMoved);
    connect(keep_, &QCheckBox::toggled, this, [this](bool on) {
        if (on) ratio_ = double(height_->value()) / width_->value();
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QSize ThumbnailSizeDialog::thumbSize() const {
    return QSize(width_->value(), height_->value());
}

void ThumbnailSizeDialog::widthChanged(int w) {
    if (updating_) return;
    updating_ = true;
    slider_->setValue(w);
    if (keep_->isChecked()) height_->setValue(qRound(w * ratio_));
    updating_ = false;
    preview_->update();
}

void ThumbnailSizeDialog::heightChanged(int h) {
    if (updating_) return;
    updating_ = true;
    if (keep_->isChecked()) {
        width_->setValue(qRound(h / ratio_));
        slider_->setValue(width_->value());
    }
    updating_ = false;
    preview_->update();
}

void ThumbnailSizeDialog::sliderMoved(int w) {
    if (!updating_) width_->setValue(w);
}

std::optional<QSize> QtThumbSizeDialogRunner::run(QSize current, QWidget* owner) {
    ThumbnailSizeDialog dialog(current, owner);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.thumbSize();
}

} // namespace imaging
