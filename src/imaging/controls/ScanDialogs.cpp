#include "imaging/controls/ScanDialogs.h"

#include "imaging/pixels/ImagingError.h"
#include "imaging/controls/ScanProgress.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <climits>
#include <cmath>

namespace imaging {

namespace {

QString withUnit(const QString& value, OptionUnit unit) {
    const QString suffix = unitSuffix(unit);
    return suffix.isEmpty() ? value : value + QLatin1Char(' ') + suffix;
}

QString numberText(double v, OptionType type) {
    return type == OptionType::Fixed ? QString::number(v, 'g', 6) : QString::number(qint64(v));
}

// Decimal places for a fixed-point value with step `quant` (0 = any step).
int decimalsFor(double quant) {
    if (quant <= 0) return 2;
    return std::clamp(int(std::ceil(-std::log10(quant) - 1e-9)), 1, 4);
}

QDialogButtonBox* okCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

// A combo box whose width does not follow its longest entry (devices have long ones).
QComboBox* newCombo(QWidget* parent = nullptr) {
    auto* box = new QComboBox(parent);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(16);
    return box;
}

QComboBox* comboOf(const QStringList& items, QWidget* parent) {
    auto* box = newCombo(parent);
    box->addItems(items);
    return box;
}

void selectText(QComboBox* box, const QString& text) {
    const int i = box->findText(text);
    if (i >= 0) box->setCurrentIndex(i);
}

void selectData(QComboBox* box, const QVariant& data) {
    for (int i = 0; i < box->count(); ++i)
        if (box->itemData(i).toDouble() == data.toDouble()) {
            box->setCurrentIndex(i);
            return;
        }
}

} // namespace

// ---------------------------------------------------------------------------------------
// Setup

ScanSetupDialog::ScanSetupDialog(ScannerDevice& device, QWidget* parent)
    : QDialog(parent), device_(device) {
    setWindowTitle(tr("Scanner Setup - %1").arg(device.info().label()));
    setObjectName(QStringLiteral("scanSetup"));
    for (const auto& o : device.options())
        if (o.editable() && o.type != OptionType::Button) {
            try {
                initial_.emplace_back(o.name, device.value(o.index));
            } catch (const Error&) {
            }
        }

    auto* layout = new QVBoxLayout(this);
    scroll_ = new QScrollArea(this);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    status_->setStyleSheet(QStringLiteral("color: #b00020"));
    status_->hide();
    advanced_ = new QCheckBox(tr("Show &advanced options"), this);
    connect(advanced_, &QCheckBox::toggled, this, [this] { rebuild(); });
    layout->addWidget(scroll_, 1);
    layout->addWidget(status_);
    layout->addWidget(advanced_);
    layout->addWidget(okCancel(this));
    rebuild();
    resize(480, 560);
}

QWidget* ScanSetupDialog::control(const QString& optionName) const {
    return controls_.value(optionName);
}

QStringList ScanSetupDialog::groupTitles() const {
    return groups_;
}

void ScanSetupDialog::setShowAdvanced(bool show) {
    advanced_->setChecked(show);
}

QString ScanSetupDialog::statusText() const {
    return status_->text();
}

void ScanSetupDialog::rebuild() {
    const int scrolled = scroll_->verticalScrollBar()->value();
    if (QWidget* old = scroll_->takeWidget())
        old->deleteLater(); // it may be sending the signal that led here
    controls_.clear();
    groups_.clear();

    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    QFormLayout* form = nullptr;
    QString formGroup;
    for (const OptionDescriptor& o : device_.options()) {
        if (!o.editable() || (o.advanced && !advanced_->isChecked())) continue;
        QVariant value;
        if (o.type != OptionType::Button) {
            try {
                value = device_.value(o.index);
            } catch (const Error&) {
                continue; // an option the device cannot report is not offered
            }
        }
        if (!form || o.group != formGroup) {
            auto* box = new QGroupBox(o.group.isEmpty() ? tr("Options") : o.group, content);
            form = new QFormLayout(box);
            form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
            column->addWidget(box);
            groups_ << box->title();
            formGroup = o.group;
        }
        QWidget* c = makeControl(o, value);
        c->setObjectName(QStringLiteral("opt_") + o.name);
        c->setToolTip(o.description);
        controls_.insert(o.name, c);
        if (o.type == OptionType::Button)
            form->addRow(QString(), c);
        else
            form->addRow(o.title + QLatin1Char(':'), c);
    }
    if (groups_.isEmpty())
        column->addWidget(new QLabel(tr("The scanner offers no settings."), content));
    column->addStretch(1);
    scroll_->setWidget(content);
    scroll_->verticalScrollBar()->setValue(scrolled);
}

QWidget* ScanSetupDialog::makeControl(const OptionDescriptor& o, const QVariant& value) {
    const int index = o.index;
    QWidget* c = nullptr;
    if (o.type == OptionType::Bool) {
        auto* box = new QCheckBox;
        connect(box, &QCheckBox::toggled, this, [this, index](bool on) { change(index, on); });
        c = box;
    } else if (o.type == OptionType::Button) {
        auto* button = new QPushButton(o.title);
        connect(button, &QPushButton::clicked, this, [this, index] { change(index, {}); });
        return button;
    } else if (o.constraint == OptionConstraint::StringList) {
        auto* box = comboOf(o.strings, nullptr);
        connect(box, &QComboBox::currentTextChanged, this,
                [this, index](const QString& text) { change(index, text); });
        c = box;
    } else if (o.constraint == OptionConstraint::WordList) {
        auto* box = newCombo();
        for (double w : o.words)
            box->addItem(withUnit(numberText(w, o.type), o.unit), w);
        connect(box, &QComboBox::currentIndexChanged, this,
                [this, index, box](int i) { change(index, box->itemData(i)); });
        c = box;
    } else if (o.type == OptionType::Int) {
        auto* spin = new QSpinBox;
        if (o.constraint == OptionConstraint::Range) {
            spin->setRange(int(o.min), int(o.max));
            spin->setSingleStep(o.quant >= 1 ? int(o.quant) : 1);
        } else {
            spin->setRange(INT_MIN, INT_MAX);
        }
        if (!unitSuffix(o.unit).isEmpty()) spin->setSuffix(QLatin1Char(' ') + unitSuffix(o.unit));
        spin->setKeyboardTracking(false); // one change when typing ends, not per digit
        connect(spin, &QSpinBox::valueChanged, this, [this, index](int v) { change(index, v); });
        c = spin;
    } else if (o.type == OptionType::Fixed) {
        auto* spin = new QDoubleSpinBox;
        spin->setDecimals(decimalsFor(o.quant));
        if (o.constraint == OptionConstraint::Range) {
            spin->setRange(o.min, o.max);
            if (o.quant > 0) spin->setSingleStep(o.quant);
        } else {
            spin->setRange(-32768.0, 32767.9999); // the span of SANE's fixed-point values
        }
        if (!unitSuffix(o.unit).isEmpty()) spin->setSuffix(QLatin1Char(' ') + unitSuffix(o.unit));
        spin->setKeyboardTracking(false);
        connect(spin, &QDoubleSpinBox::valueChanged, this,
                [this, index](double v) { change(index, v); });
        c = spin;
    } else {
        auto* edit = new QLineEdit;
        connect(edit, &QLineEdit::editingFinished, this,
                [this, index, edit] { change(index, edit->text()); });
        c = edit;
    }
    showValue(c, o, value);
    return c;
}

void ScanSetupDialog::showValue(QWidget* c, const OptionDescriptor& o, const QVariant& value) {
    const QSignalBlocker block(c);
    if (auto* box = qobject_cast<QCheckBox*>(c))
        box->setChecked(value.toBool());
    else if (auto* combo = qobject_cast<QComboBox*>(c))
        o.constraint == OptionConstraint::StringList ? selectText(combo, value.toString())
                                                     : selectData(combo, value);
    else if (auto* spin = qobject_cast<QSpinBox*>(c))
        spin->setValue(value.toInt());
    else if (auto* dspin = qobject_cast<QDoubleSpinBox*>(c))
        dspin->setValue(value.toDouble());
    else if (auto* edit = qobject_cast<QLineEdit*>(c))
        edit->setText(value.toString());
}

void ScanSetupDialog::change(int index, const QVariant& value) {
    const auto options = device_.options();
    const auto it = std::find_if(options.begin(), options.end(),
                                 [index](const OptionDescriptor& o) { return o.index == index; });
    if (it == options.end()) return;
    QWidget* c = controls_.value(it->name);
    try {
        const OptionSetResult r = device_.setValue(index, value);
        status_->clear();
        status_->hide();
        if (r.reloadOptions)
            rebuild();
        else if (c && it->type != OptionType::Button)
            showValue(c, *it, r.value); // what the device made of it
    } catch (const Error& e) {
        status_->setText(e.description());
        status_->show();
        if (c && it->type != OptionType::Button) {
            try {
                showValue(c, *it, device_.value(index));
            } catch (const Error&) {
            }
        }
    }
}

void ScanSetupDialog::reject() {
    // Two rounds: a value put back may make others settable again (a mode and its depth).
    for (int round = 0; round < 2; ++round)
        for (const auto& [name, value] : initial_) {
            try {
                const auto options = device_.options();
                const OptionDescriptor* o = findOption(options, name);
                if (o && o->editable() && device_.value(o->index) != value)
                    device_.setValue(o->index, value);
            } catch (const Error&) {
            }
        }
    QDialog::reject();
}

// ---------------------------------------------------------------------------------------
// Preferences

namespace {

// Largest scan area of the device in mm (-1 when it has no settable area).
QSizeF maximumArea(const std::vector<OptionDescriptor>& options) {
    const OptionDescriptor* x = findOption(options, QStringLiteral("br-x"));
    const OptionDescriptor* y = findOption(options, QStringLiteral("br-y"));
    if (!x || !y || x->constraint != OptionConstraint::Range ||
        y->constraint != OptionConstraint::Range || x->unit != OptionUnit::Mm)
        return {-1, -1};
    return {x->max, y->max};
}

QSizeF currentArea(ScannerDevice& device, const std::vector<OptionDescriptor>& options) {
    auto extent = [&](const char* tl, const char* br) {
        const OptionDescriptor* a = findOption(options, QString::fromLatin1(tl));
        const OptionDescriptor* b = findOption(options, QString::fromLatin1(br));
        return a && b ? device.value(b->index).toDouble() - device.value(a->index).toDouble()
                      : -1.0;
    };
    return {extent("tl-x", "br-x"), extent("tl-y", "br-y")};
}

} // namespace

ScanPreferencesDialog::ScanPreferencesDialog(ScannerDevice& device, const ScanPreferences& prefs,
                                             QWidget* parent)
    : QDialog(parent), base_(prefs) {
    setWindowTitle(tr("Scan Preferences"));
    setObjectName(QStringLiteral("scanPreferences"));
    const auto options = device.options();
    const auto current = [&](const QString& name) -> QVariant {
        const OptionDescriptor* o = findOption(options, name);
        try {
            return o ? device.value(o->index) : QVariant();
        } catch (const Error&) {
            return {};
        }
    };
    auto* form = new QFormLayout;
    auto* scanner = new QLabel(device.info().label(), this);
    form->addRow(tr("Scanner:"), scanner);

    if (const OptionDescriptor* o = findOption(options, QStringLiteral("mode"));
        o && o->settable && o->constraint == OptionConstraint::StringList) {
        mode_ = comboOf(o->strings, this);
        selectText(mode_, prefs.mode.isEmpty() ? current(o->name).toString() : prefs.mode);
        form->addRow(tr("&Mode:"), mode_);
    }
    if (const OptionDescriptor* o = findOption(options, QStringLiteral("depth"));
        o && o->settable && o->constraint == OptionConstraint::WordList) {
        depth_ = new QComboBox(this);
        for (double w : o->words)
            depth_->addItem(tr("%1 bit").arg(qint64(w)), int(w));
        selectData(depth_, prefs.depth > 0 ? QVariant(prefs.depth) : current(o->name));
        form->addRow(tr("Bit &depth:"), depth_);
    }
    if (const OptionDescriptor* o = findOption(options, QStringLiteral("resolution"));
        o && o->settable) {
        const double dpi = prefs.resolution > 0 ? prefs.resolution : current(o->name).toDouble();
        if (o->constraint == OptionConstraint::WordList) {
            resolutionList_ = new QComboBox(this);
            for (double w : o->words)
                resolutionList_->addItem(withUnit(numberText(w, o->type), OptionUnit::Dpi), w);
            selectData(resolutionList_, dpi);
            form->addRow(tr("&Resolution:"), resolutionList_);
        } else {
            resolutionRange_ = new QSpinBox(this);
            if (o->constraint == OptionConstraint::Range)
                resolutionRange_->setRange(int(std::ceil(o->min)), int(o->max));
            else
                resolutionRange_->setRange(1, 9600);
            resolutionRange_->setSuffix(QStringLiteral(" dpi"));
            resolutionRange_->setValue(int(std::lround(dpi)));
            form->addRow(tr("&Resolution:"), resolutionRange_);
        }
    }
    if (const OptionDescriptor* o = findOption(options, QStringLiteral("source"));
        o && o->settable && o->constraint == OptionConstraint::StringList) {
        source_ = comboOf(o->strings, this);
        selectText(source_, prefs.source.isEmpty() ? current(o->name).toString() : prefs.source);
        form->addRow(tr("&Source:"), source_);
    }

    const QSizeF maxArea = maximumArea(options);
    if (maxArea.width() > 0) {
        pageSize_ = new QComboBox(this);
        for (const PageSize& s : standardPageSizes())
            if (s.widthMm <= maxArea.width() + 0.5 && s.heightMm <= maxArea.height() + 0.5)
                pageSize_->addItem(tr("%1 (%2 x %3 mm)").arg(s.name).arg(s.widthMm).arg(s.heightMm),
                                   s.name);
        pageSize_->addItem(tr("Maximum (%1 x %2 mm)").arg(maxArea.width()).arg(maxArea.height()),
                           kPageSizeMaximum);
        pageSize_->addItem(tr("Custom"), kPageSizeCustom);
        width_ = new QDoubleSpinBox(this);
        height_ = new QDoubleSpinBox(this);
        for (auto [box, max] : {std::pair{width_, maxArea.width()}, {height_, maxArea.height()}}) {
            box->setDecimals(1);
            box->setRange(1.0, max);
            box->setSuffix(QStringLiteral(" mm"));
        }
        form->addRow(tr("&Page size:"), pageSize_);
        form->addRow(tr("&Width:"), width_);
        form->addRow(tr("&Height:"), height_);

        QString size = prefs.pageSize;
        QSizeF area(prefs.pageWidthMm, prefs.pageHeightMm);
        if (size.isEmpty()) { // nothing chosen yet: name the device's own area
            area = currentArea(device, options);
            size = kPageSizeCustom;
            for (const PageSize& s : standardPageSizes())
                if (std::abs(s.widthMm - area.width()) <= 1.5 &&
                    std::abs(s.heightMm - area.height()) <= 1.5)
                    size = s.name;
            if (std::abs(area.width() - maxArea.width()) <= 0.5 &&
                std::abs(area.height() - maxArea.height()) <= 0.5)
                size = kPageSizeMaximum;
        }
        width_->setValue(area.width());
        height_->setValue(area.height());
        const int i = pageSize_->findData(size);
        pageSize_->setCurrentIndex(i >= 0 ? i : pageSize_->findData(kPageSizeCustom));
        connect(pageSize_, &QComboBox::currentIndexChanged, this,
                &ScanPreferencesDialog::pageSizeChosen);
        pageSizeChosen();
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(okCancel(this));
}

void ScanPreferencesDialog::pageSizeChosen() {
    const QString name = pageSize_->currentData().toString();
    const bool custom = name == kPageSizeCustom;
    width_->setEnabled(custom);
    height_->setEnabled(custom);
    if (name == kPageSizeMaximum) {
        width_->setValue(width_->maximum());
        height_->setValue(height_->maximum());
    }
    for (const PageSize& s : standardPageSizes())
        if (s.name == name) {
            width_->setValue(s.widthMm);
            height_->setValue(s.heightMm);
        }
}

ScanPreferences ScanPreferencesDialog::preferences() const {
    ScanPreferences p = base_;
    if (mode_) p.mode = mode_->currentText();
    if (depth_) p.depth = depth_->currentData().toInt();
    if (resolutionList_) p.resolution = resolutionList_->currentData().toDouble();
    if (resolutionRange_) p.resolution = resolutionRange_->value();
    if (source_) p.source = source_->currentText();
    if (pageSize_) {
        p.pageSize = pageSize_->currentData().toString();
        p.pageWidthMm = width_->value();
        p.pageHeightMm = height_->value();
    }
    return p;
}

// ---------------------------------------------------------------------------------------
// Select scanner

SelectScannerDialog::SelectScannerDialog(const std::vector<ScanDeviceInfo>& devices,
                                         const QString& current, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("Select Scanner"));
    setObjectName(QStringLiteral("selectScanner"));
    auto* layout = new QVBoxLayout(this);
    auto* caption = new QLabel(tr("&Scanners found:"), this);
    layout->addWidget(caption);
    list_ = new QTreeWidget(this);
    caption->setBuddy(list_);
    list_->setHeaderLabels({tr("Vendor"), tr("Model"), tr("Device"), tr("Type")});
    list_->setRootIsDecorated(false);
    list_->setAllColumnsShowFocus(true);
    for (const ScanDeviceInfo& d : devices) {
        auto* item = new QTreeWidgetItem(list_, {d.vendor, d.model, d.name, d.type});
        if (d.name == current) list_->setCurrentItem(item);
    }
    if (!list_->currentItem() && list_->topLevelItemCount() > 0)
        list_->setCurrentItem(list_->topLevelItem(0));
    for (int c = 0; c < 4; ++c)
        list_->resizeColumnToContents(c);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(list_);
    auto* buttons = okCancel(this);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(list_->currentItem() != nullptr);
    layout->addWidget(buttons);
    resize(520, 260);
}

QString SelectScannerDialog::selectedName() const {
    const QTreeWidgetItem* item = list_->currentItem();
    return item ? item->text(2) : QString();
}

// ---------------------------------------------------------------------------------------
// The program's dialog runner

void WidgetScanUi::showMessage(const QString& text) {
    QMessageBox::warning(QApplication::activeWindow(), QGuiApplication::applicationDisplayName(),
                         text);
}

bool WidgetScanUi::runSetup(ScannerDevice& device) {
    ScanSetupDialog dialog(device, QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted;
}

bool WidgetScanUi::runPreferences(ScannerDevice& device, ScanPreferences& prefs) {
    ScanPreferencesDialog dialog(device, prefs, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted) return false;
    prefs = dialog.preferences();
    return true;
}

bool WidgetScanUi::runSelectScanner(const std::vector<ScanDeviceInfo>& devices, QString& name) {
    SelectScannerDialog dialog(devices, name, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedName().isEmpty()) return false;
    name = dialog.selectedName();
    return true;
}

std::unique_ptr<ScanProgressView> WidgetScanUi::createProgress() {
    return std::make_unique<ScanProgressDialog>(QApplication::activeWindow());
}

} // namespace imaging
