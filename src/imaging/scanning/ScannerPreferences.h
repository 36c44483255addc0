#pragma once
// Scan preferences: the scanner, mode, bit depth, resolution, source and page size last
// chosen, kept by the scanner object between runs through a key-value store the program
// supplies (its own settings store); the engine never writes settings on its own.
//
// Empty or zero fields mean "the device's own default". Preferences are applied to whatever
// device is open: a value the device does not offer is left out, never forced.
#include "imaging/scanning/ScannerBackend.h"

#include <QHash>
#include <QString>
#include <QVariant>
#include <vector>

namespace imaging {

class KeyValueStore {
public:
    virtual ~KeyValueStore() = default;
    virtual QVariant value(const QString& key) const = 0; // null when absent
    virtual void setValue(const QString& key, const QVariant& value) = 0;
};

// A store that lives as long as the object: the default until the program installs its own.
class MemoryKeyValueStore : public KeyValueStore {
public:
    QVariant value(const QString& key) const override { return values_.value(key); }
    void setValue(const QString& key, const QVariant& value) override { values_[key] = value; }

private:
    QHash<QString, QVariant> values_;
};

struct PageSize {
    QString name;
    double widthMm = 0;
    double heightMm = 0;
};

// Paper sizes offered by the preferences (a device offers only those that fit its bed).
const std::vector<PageSize>& standardPageSizes();
// Page-size names with a meaning of their own.
inline const QString kPageSizeMaximum = QStringLiteral("Maximum");
inline const QString kPageSizeCustom = QStringLiteral("Custom");

struct ScanPreferences {
    QString device;         // device name; "" = the first one found
    QString mode;           // value of the device's "mode" option
    int depth = 0;          // bits per sample ("depth" option); 0 = device default
    double resolution = 0;  // dpi; 0 = device default
    QString source;         // value of the "source" option
    QString pageSize;       // a standard size name, kPageSizeMaximum, kPageSizeCustom or ""
    double pageWidthMm = 0; // the scan area for a standard or custom size
    double pageHeightMm = 0;

    bool operator==(const ScanPreferences&) const = default;
};

// Keys used in the store (all under "Scanner/").
ScanPreferences loadScanPreferences(const KeyValueStore& store);
void saveScanPreferences(KeyValueStore& store, const ScanPreferences& prefs);

// Sets the device's options from the preferences, in the order options depend on each other
// (mode, depth, source, resolution, scan area). Values the device lacks or refuses are
// skipped: the device keeps its own.
void applyScanPreferences(ScannerDevice& device, const ScanPreferences& prefs);

// The preferences as the device now stands (after its setup dialog): mode, depth,
// resolution, source and scan area read back; the device name and page-size name are taken
// from `base` unless the scan area no longer matches that size (then "Custom").
ScanPreferences readScanPreferences(ScannerDevice& device, const ScanPreferences& base);

// The resolution the device will scan at: "resolution", else "x-resolution"; 0 if unknown.
double currentResolution(ScannerDevice& device, bool vertical = false);

} // namespace imaging
