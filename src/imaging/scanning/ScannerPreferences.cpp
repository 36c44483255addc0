#include "imaging/scanning/ScannerPreferences.h"

#include "imaging/pixels/ImagingError.h"

#include <cmath>

namespace imaging {

namespace {

const QString kDevice = QStringLiteral("Scanner/Device");
const QString kMode = QStringLiteral("Scanner/Mode");
const QString kDepth = QStringLiteral("Scanner/Depth");
const QString kResolution = QStringLiteral("Scanner/Resolution");
const QString kSource = QStringLiteral("Scanner/Source");
const QString kPageSize = QStringLiteral("Scanner/PageSize");
const QString kPageWidth = QStringLiteral("Scanner/PageWidth");
const QString kPageHeight = QStringLiteral("Scanner/PageHeight");

// Sets an option when the device has it, it is settable and the value is one it offers.
// Errors are swallowed: preferences are a wish, the device decides.
void trySet(ScannerDevice& device, const QString& name, const QVariant& v) {
    const auto options = device.options();
    const OptionDescriptor* o = findOption(options, name);
    if (!o || !o->editable()) return;
    if (o->constraint == OptionConstraint::StringList && !o->strings.contains(v.toString())) return;
    if (o->constraint == OptionConstraint::WordList && !o->words.contains(v.toDouble())) return;
    try {
        device.setValue(o->index, v);
    } catch (const Error&) {
    }
}

double toMm(double value, OptionUnit unit, double dpi) {
    if (unit == OptionUnit::Pixel && dpi > 0) return value * 25.4 / dpi;
    return value;
}

double fromMm(double mm, OptionUnit unit, double dpi) {
    if (unit == OptionUnit::Pixel && dpi > 0) return std::round(mm * dpi / 25.4);
    return mm;
}

// Current extent of the scan area in mm along one axis, or -1 when the device has no area.
double areaExtent(ScannerDevice& device, const QString& tl, const QString& br, double dpi) {
    const auto options = device.options();
    const OptionDescriptor* a = findOption(options, tl);
    const OptionDescriptor* b = findOption(options, br);
    if (!a || !b) return -1;
    const double from = device.value(a->index).toDouble();
    const double to = device.value(b->index).toDouble();
    return toMm(to - from, b->unit, dpi);
}

void setArea(ScannerDevice& device, const QString& tl, const QString& br, double extentMm,
             bool maximum, double dpi) {
    const auto options = device.options();
    const OptionDescriptor* b = findOption(options, br);
    if (!b || !b->editable()) return;
    trySet(device, tl, b->type == OptionType::Int ? QVariant(0) : QVariant(0.0));
    double value = maximum ? b->max : fromMm(extentMm, b->unit, dpi);
    if (b->constraint == OptionConstraint::Range) value = std::clamp(value, b->min, b->max);
    trySet(device, br,
           b->type == OptionType::Int ? QVariant(int(std::lround(value))) : QVariant(value));
}

} // namespace

const std::vector<PageSize>& standardPageSizes() {
    static const std::vector<PageSize> sizes = {
        {QStringLiteral("Letter"), 215.9, 279.4}, {QStringLiteral("Legal"), 215.9, 355.6},
        {QStringLiteral("A4"), 210.0, 297.0},     {QStringLiteral("A5"), 148.0, 210.0},
        {QStringLiteral("B5"), 176.0, 250.0},     {QStringLiteral("Executive"), 184.2, 266.7},
    };
    return sizes;
}

ScanPreferences loadScanPreferences(const KeyValueStore& store) {
    ScanPreferences p;
    p.device = store.value(kDevice).toString();
    p.mode = store.value(kMode).toString();
    p.depth = store.value(kDepth).toInt();
    p.resolution = store.value(kResolution).toDouble();
    p.source = store.value(kSource).toString();
    p.pageSize = store.value(kPageSize).toString();
    p.pageWidthMm = store.value(kPageWidth).toDouble();
    p.pageHeightMm = store.value(kPageHeight).toDouble();
    return p;
}

void saveScanPreferences(KeyValueStore& store, const ScanPreferences& p) {
    store.setValue(kDevice, p.device);
    store.setValue(kMode, p.mode);
    store.setValue(kDepth, p.depth);
    store.setValue(kResolution, p.resolution);
    store.setValue(kSource, p.source);
    store.setValue(kPageSize, p.pageSize);
    store.setValue(kPageWidth, p.pageWidthMm);
    store.setValue(kPageHeight, p.pageHeightMm);
}

double currentResolution(ScannerDevice& device, bool vertical) {
    const auto options = device.options();
    const QStringList names = {vertical ? QStringLiteral("y-resolution")
                                        : QStringLiteral("x-resolution"),
                               QStringLiteral("resolution")};
    for (const QString& name : names) {
        const OptionDescriptor* o = findOption(options, name);
        if (o && o->active) return device.value(o->index).toDouble();
    }
    return 0;
}

void applyScanPreferences(ScannerDevice& device, const ScanPreferences& p) {
    if (!p.mode.isEmpty()) trySet(device, QStringLiteral("mode"), p.mode);
    if (p.depth > 0) trySet(device, QStringLiteral("depth"), p.depth);
    if (!p.source.isEmpty()) trySet(device, QStringLiteral("source"), p.source);
    if (p.resolution > 0) {
        const auto options = device.options();
        const OptionDescriptor* o = findOption(options, QStringLiteral("resolution"));
        if (o && o->type == OptionType::Int)
            trySet(device, o->name, int(std::lround(p.resolution)));
        else if (o)
            trySet(device, o->name, p.resolution);
    }
    if (p.pageSize.isEmpty()) return;
    const bool maximum = p.pageSize == kPageSizeMaximum;
    if (!maximum && (p.pageWidthMm <= 0 || p.pageHeightMm <= 0)) return;
    const double dpi = currentResolution(device);
    setArea(device, QStringLiteral("tl-x"), QStringLiteral("br-x"), p.pageWidthMm, maximum, dpi);
    setArea(device, QStringLiteral("tl-y"), QStringLiteral("br-y"), p.pageHeightMm, maximum, dpi);
}

ScanPreferences readScanPreferences(ScannerDevice& device, const ScanPreferences& base) {
    ScanPreferences p = base;
    const auto options = device.options();
    auto read = [&](const QString& name) -> QVariant {
        const OptionDescriptor* o = findOption(options, name);
        return o && o->active ? device.value(o->index) : QVariant();
    };
    if (const QVariant v = read(QStringLiteral("mode")); v.isValid()) p.mode = v.toString();
    if (const QVariant v = read(QStringLiteral("depth")); v.isValid()) p.depth = v.toInt();
    if (const QVariant v = read(QStringLiteral("source")); v.isValid()) p.source = v.toString();
    const double dpi = currentResolution(device);
    if (dpi > 0) p.resolution = dpi;
    const double w = areaExtent(device, QStringLiteral("tl-x"), QStringLiteral("br-x"), dpi);
    const double h = areaExtent(device, QStringLiteral("tl-y"), QStringLiteral("br-y"), dpi);
    if (w <= 0 || h <= 0) return p;
    // Devices round the area to their own steps: a size within 1.5 mm still counts as chosen.
    const auto near = [](double a, double b) { return std::abs(a - b) <= 1.5; };
    const bool keepsSize = !p.pageSize.isEmpty() && p.pageSize != kPageSizeMaximum &&
                           near(w, p.pageWidthMm) && near(h, p.pageHeightMm);
    const auto maxExtent = [&](const QString& br) {
        const OptionDescriptor* o = findOption(options, br);
        return o && o->constraint == OptionConstraint::Range ? toMm(o->max, o->unit, dpi) : -1.0;
    };
    const bool keepsMaximum = p.pageSize == kPageSizeMaximum &&
                              near(w, maxExtent(QStringLiteral("br-x"))) &&
                              near(h, maxExtent(QStringLiteral("br-y")));
    if (!keepsSize && !keepsMaximum) {
        p.pageSize = kPageSizeCustom;
        p.pageWidthMm = w;
        p.pageHeightMm = h;
    }
    return p;
}

} // namespace imaging
