#include "imaging/controls/PagePropertiesDialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <cmath>

namespace imaging {

namespace {
QString inches(int pixels, double dpi) {
    return dpi > 0 ? QStringLiteral("%1 in").arg(pixels / dpi, 0, 'f', 2) : QStringLiteral("-");
}

QString depthText(const PageInfo& info) {
    switch (info.bitDepth()) {
    case 1:
        return QObject::tr("1 bit (black and white)");
    case 8:
        return QObject::tr("8 bits (gray)");
    case 24:
        return QObject::tr("24 bits (colour)");
    case 32:
        return QObject::tr("32 bits (colour with transparency)");
    default:
        return QObject::tr("%1 bits").arg(info.bitDepth());
    }
}

QDoubleSpinBox* dpiBox(double value, bool readOnly, const char* name, QWidget* parent) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(0, 10000);
    box->setDecimals(1);
    box->setSuffix(QObject::tr(" dpi"));
    box->setSpecialValueText(QObject::tr("not stated"));
    box->setValue(value);
    box->setReadOnly(readOnly);
    box->setButtonSymbols(readOnly ? QAbstractSpinBox::NoButtons : QAbstractSpinBox::UpDownArrows);
    return box;
}
} // namespace

PagePropertiesDialog::PagePropertiesDialog(const PageInfo& info, int page, int pageCount,
                                           bool readOnly, QWidget* parent)
    : QDialog(parent), info_(info) {
    setWindowTitle(tr("Page Properties"));
    auto* form = new QFormLayout;
    auto addRow = [&](const QString& label, const QString& value, const char* name) {
        auto* l = new QLabel(value, this);
        l->setObjectName(QLatin1String(name));
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(label, l);
    };
    addRow(tr("Page:"), tr("%1 of %2").arg(page).arg(pageCount), "pageValue");
    addRow(tr("Width:"), tr("%1 pixels (%2)").arg(info.width).arg(inches(info.width, info.xDpi)),
           "widthValue");
    addRow(tr("Height:"), tr("%1 pixels (%2)").arg(info.height).arg(inches(info.height, info.yDpi)),
           "heightValue");
    xDpi_ = dpiBox(info.xDpi, readOnly, "xResolution", this);
    yDpi_ = dpiBox(info.yDpi, readOnly, "yResolution", this);
    form->addRow(tr("Horizontal resolution:"), xDpi_);
    form->addRow(tr("Vertical resolution:"), yDpi_);
    addRow(tr("Bit depth:"), depthText(info), "depthValue");
    addRow(tr("Compression:"), info.compression.isEmpty() ? tr("None") : info.compression,
           "compressionValue");

    auto* buttons = new QDialogButtonBox(
        readOnly ? QDialogButtonBox::Close : QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

double PagePropertiesDialog::xDpi() const {
    return xDpi_->value();
}
double PagePropertiesDialog::yDpi() const {
    return yDpi_->value();
}

void PagePropertiesDialog::setResolution(double xDpi, double yDpi) {
    xDpi_->setValue(xDpi);
    yDpi_->setValue(yDpi);
}

bool PagePropertiesDialog::resolutionChanged() const {
    return !xDpi_->isReadOnly() &&
           (std::abs(xDpi() - info_.xDpi) > 0.05 || std::abs(yDpi() - info_.yDpi) > 0.05);
}

} // namespace imaging
