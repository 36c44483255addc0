#include "imaging/controls/StampDialog.h"

#include "imaging/controls/ImageEditDialogs.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace imaging {

namespace {
constexpr QSize kPreviewSize(260, 120);

// How a stamp looks in the dialog: its text in red capitals inside a frame, or its picture.
QPixmap stampPreview(const StampTemplate& stamp, const QString& user, const QDateTime& when) {
    QPixmap pm(kPreviewSize);
    pm.fill(Qt::white);
    QPainter p(&pm);
    if (stamp.isImage()) {
        const QImage fitted = stamp.image.scaled(kPreviewSize - QSize(8, 8), Qt::KeepAspectRatio,
                                                 Qt::SmoothTransformation);
        p.drawImage((pm.width() - fitted.width()) / 2, (pm.height() - fitted.height()) / 2, fitted);
        return pm;
    }
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(20);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QPen(QColor(200, 0, 0), 2));
    const QString text = expandStampText(stamp.text, when, user);
    const QRect textRect = p.fontMetrics().boundingRect(QRect(0, 0, kPreviewSize.width() - 20, 0),
                                                        Qt::AlignCenter | Qt::TextWordWrap, text);
    const QRect frame = textRect.adjusted(-6, -4, 6, 4)
                            .translated((pm.width() - textRect.width()) / 2 - textRect.left(),
                                        (pm.height() - textRect.height()) / 2 - textRect.top());
    p.drawRect(frame);
    p.drawText(frame, Qt::AlignCenter | Qt::TextWordWrap, text);
    return pm;
}
} // namespace

StampList defaultStamps() {
    return {
        {QStringLiteral("Approved"), QStringLiteral("APPROVED"), {}, {}},
        {QStringLiteral("Received"), QStringLiteral("RECEIVED %date% %user%"), {}, {}},
        {QStringLiteral("Reviewed"), QStringLiteral("REVIEWED %date% %time%"), {}, {}},
        {QStringLiteral("Confidential"), QStringLiteral("CONFIDENTIAL"), {}, {}},
        {QStringLiteral("Copy"), QStringLiteral("COPY"), {}, {}},
    };
}

QString expandStampText(const QString& text, const QDateTime& when, const QString& user) {
    QString out = text;
    out.replace(QStringLiteral("%date%"), when.date().toString(QStringLiteral("yyyy-MM-dd")),
                Qt::CaseInsensitive);
    out.replace(QStringLiteral("%time%"), when.time().toString(QStringLiteral("HH:mm")),
                Qt::CaseInsensitive);
    out.replace(QStringLiteral("%user%"), user, Qt::CaseInsensitive);
    return out;
}

StampDialog::StampDialog(StampList stamps, int current, QString user, QDateTime when,
                         EditDialogs& dialogs, QWidget* parent)
    : QDialog(parent), stamps_(std::move(stamps)), user_(std::move(user)), when_(std::move(when)),
      dialogs_(dialogs) {
    setWindowTitle(tr("Rubber Stamps"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("stampList"));
    list_->setMinimumWidth(220);
    preview_ = new QLabel(this);
    preview_->setObjectName(QStringLiteral("stampPreview"));
    preview_->setFixedSize(kPreviewSize);
    preview_->setFrameShape(QFrame::StyledPanel);
    preview_->setAlignment(Qt::AlignCenter);

    auto* addText = new QPushButton(tr("Add &Text Stamp..."), this);
    addText->setObjectName(QStringLiteral("addTextStamp"));
    auto* addImage = new QPushButton(tr("Add &Image Stamp..."), this);
    addImage->setObjectName(QStringLiteral("addImageStamp"));
    auto* remove = new QPushButton(tr("&Remove"), this);
    remove->setObjectName(QStringLiteral("removeStamp"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    buttons->button(QDialogButtonBox::Ok)->setText(tr("&Use Stamp"));

    auto* side = new QVBoxLayout;
    side->addWidget(new QLabel(tr("Preview:"), this));
    side->addWidget(preview_);
    side->addWidget(new QLabel(tr("Text stamps may contain %date%, %time% and %user%."), this));
    side->addStretch();
    side->addWidget(addText);
    side->addWidget(addImage);
    side->addWidget(remove);
    auto* top = new QHBoxLayout;
    top->addWidget(list_);
    top->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);

    connect(addText, &QPushButton::clicked, this, &StampDialog::addTextStamp);
    connect(addImage, &QPushButton::clicked, this, &StampDialog::addImageStamp);
    connect(remove, &QPushButton::clicked, this, &StampDialog::removeStamp);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::currentRowChanged, this, [this, buttons, remove](int row) {
        buttons->button(QDialogButtonBox::Ok)->setEnabled(row >= 0);
        remove->setEnabled(row >= 0);
        showPreview();
    });
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    fillList();
    choose(current);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(chosen() >= 0);
    remove->setEnabled(chosen() >= 0);
}

int StampDialog::chosen() const {
    return list_->currentRow();
}

void StampDialog::choose(int index) {
    list_->setCurrentRow(index >= 0 && index < int(stamps_.size()) ? index : -1);
    showPreview();
}

void StampDialog::fillList() {
    list_->clear();
    for (const StampTemplate& s : stamps_) {
        auto* item = new QListWidgetItem(s.isImage() ? s.name + tr(" (image)") : s.name, list_);
        item->setToolTip(s.isImage() ? s.imagePath : s.text);
    }
}

void StampDialog::showPreview() {
    const int row = chosen();
    if (row < 0) {
        preview_->setPixmap(QPixmap());
        preview_->setText(tr("No stamp chosen"));
        return;
    }
    preview_->setPixmap(stampPreview(stamps_[std::size_t(row)], user_, when_));
}

void StampDialog::addTextStamp() {
    const auto text = dialogs_.askText(this, tr("Add Text Stamp"), tr("Stamp text:"), false);
    if (!text || text->trimmed().isEmpty()) return;
    stamps_.push_back({text->trimmed(), text->trimmed(), {}, {}});
    fillList();
    choose(int(stamps_.size()) - 1);
}

void StampDialog::addImageStamp() {
    const QString path = dialogs_.chooseFile(this, tr("Add Image Stamp"),
                                             tr("Images (*.png *.bmp *.jpg *.jpeg *.tif *.tiff)"));
    if (path.isEmpty()) return;
    const QImage image(path);
    if (image.isNull()) {
        preview_->setPixmap(QPixmap());
        preview_->setText(
            tr("%1 is not an image that can be read.").arg(QFileInfo(path).fileName()));
        return;
    }
    stamps_.push_back({QFileInfo(path).completeBaseName(), {}, image, path});
    fillList();
    choose(int(stamps_.size()) - 1);
}

void StampDialog::removeStamp() {
    const int row = chosen();
    if (row < 0) return;
    stamps_.erase(stamps_.begin() + row);
    fillList();
    choose(std::min(row, int(stamps_.size()) - 1));
}

} // namespace imaging
