#pragma once
// The scanner core: devices, their option descriptors and image acquisition, without any
// widget. SaneScanner is the real one (the SANE library); tests use a scripted device of the
// testing library (doubles::FakeScanner). Everything above this layer (ImageScan, the
// dialogs) talks only to these interfaces.
//
// A device describes its own options, in its own order, grouped as it chooses; values are
// read back after every change because devices clamp and round silently. Image data is
// delivered frame by frame in the device's raw layout (see FrameParameters) and turned into
// a QImage by FrameAssembler (ScannerFrame.h).
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

namespace imaging {

// Outcome of a device call, after the SANE status codes.
enum class ScanStatus {
    Good,
    Unsupported,
    Cancelled,
    DeviceBusy,
    Invalid,
    Eof, // end of a frame: not a failure
    Jammed,
    NoDocs, // document feeder empty
    CoverOpen,
    IoError,
    NoMemory,
    AccessDenied,
    WarmingUp,
    HardwareLocked,
};

// A clerk-readable sentence for a status ("The document feeder is jammed.").
QString describeScanStatus(ScanStatus status);

struct ScanDeviceInfo {
    QString name; // the name the device is opened by, e.g. "test:0"
    QString vendor;
    QString model;
    QString type; // "flatbed scanner", "virtual device", ...
    // "Vendor Model" for lists and messages; the name when vendor and model are empty.
    QString label() const;
};

enum class OptionType { Bool, Int, Fixed, String, Button, Group };
enum class OptionUnit { None, Pixel, Bit, Mm, Dpi, Percent, Microsecond };
enum class OptionConstraint { None, Range, WordList, StringList };

// Short suffix shown after a value ("dpi", "mm", "%", ...); empty for None.
QString unitSuffix(OptionUnit unit);

struct OptionDescriptor {
    int index = 0; // position in the device's option list
    QString name;  // well-known names: "mode", "resolution", "source", "tl-x", ...
    QString title;
    QString description;
    QString group; // title of the group the option belongs to ("" before any group)
    OptionType type = OptionType::Int;
    OptionUnit unit = OptionUnit::None;
    int valueCount = 1; // >1 for array options (gamma tables ...), which are not edited here
    OptionConstraint constraint = OptionConstraint::None;
    double min = 0, max = 0, quant = 0; // Range; Fixed values as decimals
    QList<double> words;                // WordList
    QStringList strings;                // StringList
    bool active = true;
    bool settable = true; // soft-selectable by software
    bool advanced = false;

    // An option a dialog may show as one control: active, settable, one value, not a group.
    bool editable() const {
        return active && settable && valueCount == 1 && type != OptionType::Group;
    }
};

// Finds an option by name; null when the device has none of that name.
const OptionDescriptor* findOption(const std::vector<OptionDescriptor>& options,
                                   const QString& name);

// What the device made of a new value.
struct OptionSetResult {
    QVariant value;             // the value read back after the change
    bool inexact = false;       // the device rounded or clamped the value
    bool reloadOptions = false; // other options changed (activity, constraints, values)
    bool reloadParams = false;  // the frame parameters changed
};

// Layout of one frame of raw image data, after SANE's parameters.
enum class FrameFormat { Gray, Rgb, Red, Green, Blue };

struct FrameParameters {
    FrameFormat format = FrameFormat::Gray;
    bool lastFrame = true;
    int bytesPerLine = 0;
    int pixelsPerLine = 0;
    int lines = -1; // -1 when the device does not know the height in advance
    int depth = 8;  // bits per sample: 1, 8 or 16 (16-bit samples in native byte order)
};

// An open device. Option calls and acquisition calls come from one thread at a time: the
// UI thread between scans, the acquisition worker during a scan. cancel() alone may be
// called from any thread at any time.
class ScannerDevice {
public:
    virtual ~ScannerDevice() = default;
    virtual ScanDeviceInfo info() const = 0;

    // The current descriptors (re-read each call: they change when options are reloaded).
    virtual std::vector<OptionDescriptor> options() = 0;
    // Value of option `index`: bool, int, double (Fixed) or QString. Raises Error.
    virtual QVariant value(int index) = 0;
    // Sets option `index` (a Button is pressed; `v` is ignored) and reads the value back.
    // Raises Error(kErrScanner) when the device refuses the value.
    virtual OptionSetResult setValue(int index, const QVariant& v) = 0;

    // Acquisition of one frame: start(), then parameters(), then read() until it returns
    // Eof. A page of a three-pass device is three frames (Red, Green, Blue), each started
    // with start(). After the last frame of a page, start() begins the next page (feeder);
    // it answers NoDocs when the feeder is empty.
    virtual ScanStatus start() = 0;
    virtual ScanStatus parameters(FrameParameters& out) = 0;
    // Reads up to `maxLength` bytes into `buffer`; `length` receives the count (0 allowed
    // while the device is not ready). Returns Good, Eof at the end of the frame, or a failure.
    virtual ScanStatus read(unsigned char* buffer, int maxLength, int& length) = 0;
    // Ends the current scan (also after a page finished normally, before the next one).
    virtual void cancel() = 0;
};

class ScannerBackend {
public:
    virtual ~ScannerBackend() = default;
    // The devices present now (may be slow: callers cache the answer).
    virtual std::vector<ScanDeviceInfo> devices() = 0;
    // Opens a device by name. Raises Error(kErrNoScanner) when it cannot be opened.
    virtual std::unique_ptr<ScannerDevice> open(const QString& name) = 0;
};

// Value helpers over an open device, by option name. They raise Error(kErrScanner) when the
// device has no such option or refuses the value.
QVariant optionValue(ScannerDevice& device, const QString& name);
OptionSetResult setOptionValue(ScannerDevice& device, const QString& name, const QVariant& v);

// Whether the device's current "source" is a document feeder (as opposed to a flatbed or a
// transparency unit): "Automatic Document Feeder", "ADF", "ADF Duplex", "Document Feeder".
bool sourceIsFeeder(const QString& source);

} // namespace imaging
