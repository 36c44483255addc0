#pragma once
// The scanner's dialogs, all built from what the device says about itself:
//  - ScanSetupDialog: one control per active, settable option, grouped as the device groups
//    them, changing the device as the user edits and rebuilt when the device reports that
//    its options changed; Cancel puts the earlier values back;
//  - ScanPreferencesDialog: mode, bit depth, resolution, source and page size to use for
//    every scan, offered from the device's own lists and ranges;
//  - SelectScannerDialog: the devices found, by vendor, model and name.
// WidgetScanUi shows them (and the messages and the progress window) for ImageScan.
#include "imaging/scanning/ScannerBackend.h"
#include "imaging/scanning/ScannerPreferences.h"
#include "imaging/scanning/ScannerUi.h"

#include <QDialog>
#include <QHash>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QScrollArea;
class QSpinBox;
class QTreeWidget;

namespace imaging {

class ScanSetupDialog : public QDialog {
    Q_OBJECT
public:
    explicit ScanSetupDialog(ScannerDevice& device, QWidget* parent = nullptr);

    // The control of an option (object name "opt_" + option name), or null when not shown.
    QWidget* control(const QString& optionName) const;
    // Group boxes shown, by title, in order.
    QStringList groupTitles() const;
    void setShowAdvanced(bool show);
    // The last refusal of the device, shown in the dialog ("" when none).
    QString statusText() const;

    void reject() override; // restores the values the device had when the dialog opened

private:
    void rebuild();
    QWidget* makeControl(const OptionDescriptor& o, const QVariant& value);
    void change(int index, const QVariant& value);
    void showValue(QWidget* control, const OptionDescriptor& o, const QVariant& value);

    ScannerDevice& device_;
    std::vector<std::pair<QString, QVariant>> initial_; // option name, value at opening
    QScrollArea* scroll_;
    QLabel* status_;
    QCheckBox* advanced_;
    QHash<QString, QWidget*> controls_;
    QStringList groups_;
};

class ScanPreferencesDialog : public QDialog {
    Q_OBJECT
public:
    ScanPreferencesDialog(ScannerDevice& device, const ScanPreferences& prefs,
                          QWidget* parent = nullptr);
    ScanPreferences preferences() const;

    QComboBox* modeBox() const { return mode_; }
    QComboBox* depthBox() const { return depth_; }
    QComboBox* sourceBox() const { return source_; }
    QComboBox* pageSizeBox() const { return pageSize_; }
    QComboBox* resolutionList() const { return resolutionList_; }  // word-list devices
    QSpinBox* resolutionRange() const { return resolutionRange_; } // range devices
    QDoubleSpinBox* widthBox() const { return width_; }
    QDoubleSpinBox* heightBox() const { return height_; }

private:
    void pageSizeChosen();

    ScanPreferences base_;
    QComboBox* mode_ = nullptr;
    QComboBox* depth_ = nullptr;
    QComboBox* source_ = nullptr;
    QComboBox* resolutionList_ = nullptr;
    QSpinBox* resolutionRange_ = nullptr;
    QComboBox* pageSize_ = nullptr;
    QDoubleSpinBox* width_ = nullptr;
    QDoubleSpinBox* height_ = nullptr;
};

class SelectScannerDialog : public QDialog {
    Q_OBJECT
public:
    SelectScannerDialog(const std::vector<ScanDeviceInfo>& devices, const QString& current,
                        QWidget* parent = nullptr);
    QString selectedName() const;
    QTreeWidget* list() const { return list_; }

private:
    QTreeWidget* list_;
};

// The ScanUi of the program: real dialogs, owned by the active window.
class WidgetScanUi : public ScanUi {
public:
    void showMessage(const QString& text) override;
    bool runSetup(ScannerDevice& device) override;
    bool runPreferences(ScannerDevice& device, ScanPreferences& prefs) override;
    bool runSelectScanner(const std::vector<ScanDeviceInfo>& devices, QString& name) override;
    std::unique_ptr<ScanProgressView> createProgress() override;
};

} // namespace imaging
