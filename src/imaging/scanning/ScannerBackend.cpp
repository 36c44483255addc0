#include "imaging/scanning/ScannerBackend.h"

#include "imaging/pixels/ImagingError.h"

namespace imaging {

QString describeScanStatus(ScanStatus status) {
    switch (status) {
    case ScanStatus::Good:
        return QStringLiteral("The scanner reported no error.");
    case ScanStatus::Unsupported:
        return QStringLiteral("The scanner does not support this operation.");
    case ScanStatus::Cancelled:
        return QStringLiteral("The scan was cancelled.");
    case ScanStatus::DeviceBusy:
        return QStringLiteral("The scanner is busy. Try again later.");
    case ScanStatus::Invalid:
        return QStringLiteral("The scanner refused the settings or the request.");
    case ScanStatus::Eof:
        return QStringLiteral("The scanner has no more data.");
    case ScanStatus::Jammed:
        return QStringLiteral("The document feeder is jammed.");
    case ScanStatus::NoDocs:
        return QStringLiteral("The document feeder is empty.");
    case ScanStatus::CoverOpen:
        return QStringLiteral("The scanner cover is open.");
    case ScanStatus::IoError:
        return QStringLiteral("The scanner could not be read (input/output error).");
    case ScanStatus::NoMemory:
        return QStringLiteral("The scanner ran out of memory.");
    case ScanStatus::AccessDenied:
        return QStringLiteral("Access to the scanner was denied.");
    case ScanStatus::WarmingUp:
        return QStringLiteral("The scanner lamp is warming up. Try again in a moment.");
    case ScanStatus::HardwareLocked:
        return QStringLiteral("The scanner mechanism is locked for transport.");
    }
    return QStringLiteral("The scanner reported an unknown error.");
}

QString ScanDeviceInfo::label() const {
    const QString text = (vendor + QLatin1Char(' ') + model).trimmed();
    return text.isEmpty() ? name : text;
}

QString unitSuffix(OptionUnit unit) {
    switch (unit) {
    case OptionUnit::None:
        return {};
    case OptionUnit::Pixel:
        return QStringLiteral("px");
    case OptionUnit::Bit:
        return QStringLiteral("bit");
    case OptionUnit::Mm:
        return QStringLiteral("mm");
    case OptionUnit::Dpi:
        return QStringLiteral("dpi");
    case OptionUnit::Percent:
        return QStringLiteral("%");
    case OptionUnit::Microsecond:
        return QStringLiteral("\u00b5s");
    }
    return {};
}

const OptionDescriptor* findOption(const std::vector<OptionDescriptor>& options,
                                   const QString& name) {
    for (const auto& o : options)
        if (o.type != OptionType::Group && o.name == name) return &o;
    return nullptr;
}

namespace {
int requireOption(ScannerDevice& device, const QString& name) {
    const auto options = device.options();
    const OptionDescriptor* o = findOption(options, name);
    if (!o) throw Error(kErrScanner, QStringLiteral("The scanner has no option \"%1\".").arg(name));
    return o->index;
}
} // namespace

QVariant optionValue(ScannerDevice& device, const QString& name) {
    return device.value(requireOption(device, name));
}

OptionSetResult setOptionValue(ScannerDevice& device, const QString& name, const QVariant& v) {
    return device.setValue(requireOption(device, name), v);
}

bool sourceIsFeeder(const QString& source) {
    return source.contains(QLatin1String("feeder"), Qt::CaseInsensitive) ||
           source.contains(QLatin1String("ADF"), Qt::CaseSensitive) ||
           source.contains(QLatin1String("duplex"), Qt::CaseInsensitive);
}

} // namespace imaging
