#include "imaging/scanning/SaneScanner.h"

#include <QCoreApplication>

#include "imaging/pixels/ImagingError.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <poll.h>
#include <sane/sane.h>
#include <vector>

namespace imaging {

namespace {

// Process-wide SANE state. sane_init and sane_exit are called once each; opening, closing
// and listing go through one mutex because the dll backend keeps shared lists for them.
struct SaneRuntime {
    std::mutex mutex;
    bool initialised = false;
    bool alive = false;
};

SaneRuntime& runtime() {
    static SaneRuntime r;
    static std::once_flag once;
    std::call_once(once, [] {
        SANE_Int version = 0;
        r.initialised = sane_init(&version, nullptr) == SANE_STATUS_GOOD;
        r.alive = r.initialised;
        // sane_exit must run while the backends' own static data still exists: when the
        // application object goes away, not from atexit (backends loaded later register
        // their destructors after us, and those run first).
        if (r.initialised && QCoreApplication::instance())
            qAddPostRoutine([] {
                std::lock_guard lock(runtime().mutex);
                runtime().alive = false;
                sane_exit();
            });
    });
    return r;
}

ScanStatus mapStatus(SANE_Status s) {
    switch (int(s)) {
    case SANE_STATUS_GOOD:
        return ScanStatus::Good;
    case SANE_STATUS_UNSUPPORTED:
        return ScanStatus::Unsupported;
    case SANE_STATUS_CANCELLED:
        return ScanStatus::Cancelled;
    case SANE_STATUS_DEVICE_BUSY:
        return ScanStatus::DeviceBusy;
    case SANE_STATUS_INVAL:
        return ScanStatus::Invalid;
    case SANE_STATUS_EOF:
        return ScanStatus::Eof;
    case SANE_STATUS_JAMMED:
        return ScanStatus::Jammed;
    case SANE_STATUS_NO_DOCS:
        return ScanStatus::NoDocs;
    case SANE_STATUS_COVER_OPEN:
        return ScanStatus::CoverOpen;
    case SANE_STATUS_NO_MEM:
        return ScanStatus::NoMemory;
    case SANE_STATUS_ACCESS_DENIED:
        return ScanStatus::AccessDenied;
    case 12: // SANE_STATUS_WARMING_UP of later SANE versions
        return ScanStatus::WarmingUp;
    case 13: // SANE_STATUS_HW_LOCKED of later SANE versions
        return ScanStatus::HardwareLocked;
    default:
        return ScanStatus::IoError;
    }
}

QString text(SANE_String_Const s) {
    return s ? QString::fromUtf8(s) : QString();
}

OptionType mapType(SANE_Value_Type t) {
    switch (t) {
    case SANE_TYPE_BOOL:
        return OptionType::Bool;
    case SANE_TYPE_INT:
        return OptionType::Int;
    case SANE_TYPE_FIXED:
        return OptionType::Fixed;
    case SANE_TYPE_STRING:
        return OptionType::String;
    case SANE_TYPE_BUTTON:
        return OptionType::Button;
    default:
        return OptionType::Group;
    }
}

OptionUnit mapUnit(SANE_Unit u) {
    switch (u) {
    case SANE_UNIT_PIXEL:
        return OptionUnit::Pixel;
    case SANE_UNIT_BIT:
        return OptionUnit::Bit;
    case SANE_UNIT_MM:
        return OptionUnit::Mm;
    case SANE_UNIT_DPI:
        return OptionUnit::Dpi;
    case SANE_UNIT_PERCENT:
        return OptionUnit::Percent;
    case SANE_UNIT_MICROSECOND:
        return OptionUnit::Microsecond;
    default:
        return OptionUnit::None;
    }
}

FrameFormat mapFormat(SANE_Frame f, bool& known) {
    known = true;
    switch (int(f)) {
    case SANE_FRAME_GRAY:
        return FrameFormat::Gray;
    case SANE_FRAME_RGB:
        return FrameFormat::Rgb;
    case SANE_FRAME_RED:
        return FrameFormat::Red;
    case SANE_FRAME_GREEN:
        return FrameFormat::Green;
    case SANE_FRAME_BLUE:
        return FrameFormat::Blue;
    default:
        known = false;
        return FrameFormat::Gray;
    }
}

double wordValue(SANE_Word w, bool fixed) {
    return fixed ? SANE_UNFIX(w) : double(w);
}

class SaneDevice : public ScannerDevice {
public:
    SaneDevice(SANE_Handle handle, ScanDeviceInfo info) : handle_(handle), info_(std::move(info)) {}
    ~SaneDevice() override {
        std::lock_guard lock(runtime().mutex);
        if (runtime().alive) sane_close(handle_);
    }

    ScanDeviceInfo info() const override { return info_; }

    std::vector<OptionDescriptor> options() override {
        std::vector<OptionDescriptor> out;
        QString group;
        for (int i = 1;; ++i) {
            const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle_, i);
            if (!d) break;
            OptionDescriptor o;
            o.index = i;
            o.name = text(d->name);
            o.title = text(d->title);
            o.description = text(d->desc);
            o.type = mapType(d->type);
            o.unit = mapUnit(d->unit);
            if (o.type == OptionType::Group) group = o.title;
            o.group = group;
            const bool numeric = d->type == SANE_TYPE_INT || d->type == SANE_TYPE_FIXED;
            o.valueCount = numeric ? std::max(1, int(d->size / sizeof(SANE_Word))) : 1;
            o.active = SANE_OPTION_IS_ACTIVE(d->cap);
            o.settable = SANE_OPTION_IS_SETTABLE(d->cap);
            o.advanced = d->cap & SANE_CAP_ADVANCED;
            const bool fixed = d->type == SANE_TYPE_FIXED;
            switch (d->constraint_type) {
            case SANE_CONSTRAINT_RANGE:
                if (d->constraint.range) {
                    o.constraint = OptionConstraint::Range;
                    o.min = wordValue(d->constraint.range->min, fixed);
                    o.max = wordValue(d->constraint.range->max, fixed);
                    o.quant = wordValue(d->constraint.range->quant, fixed);
                }
                break;
            case SANE_CONSTRAINT_WORD_LIST:
                if (d->constraint.word_list) {
                    o.constraint = OptionConstraint::WordList;
                    const SANE_Word* w = d->constraint.word_list;
                    for (int k = 1; k <= w[0]; ++k)
                        o.words.append(wordValue(w[k], fixed));
                }
                break;
            case SANE_CONSTRAINT_STRING_LIST:
                if (d->constraint.string_list) {
                    o.constraint = OptionConstraint::StringList;
                    for (auto s = d->constraint.string_list; *s; ++s)
                        o.strings.append(text(*s));
                }
                break;
            default:
                break;
            }
            out.push_back(std::move(o));
        }
        return out;
    }

    QVariant value(int index) override {
        const SANE_Option_Descriptor* d = descriptor(index);
        if (d->type == SANE_TYPE_BUTTON || d->type == SANE_TYPE_GROUP) return {};
        std::vector<char> buffer(std::max<size_t>(size_t(d->size), sizeof(SANE_Word)) + 1, 0);
        const SANE_Status s =
            sane_control_option(handle_, index, SANE_ACTION_GET_VALUE, buffer.data(), nullptr);
        if (s != SANE_STATUS_GOOD)
            throw Error(kErrScanner, QStringLiteral("The scanner could not report \"%1\": %2")
                                         .arg(text(d->title), describeScanStatus(mapStatus(s))));
        SANE_Word w;
        std::memcpy(&w, buffer.data(), sizeof w);
        switch (d->type) {
        case SANE_TYPE_BOOL:
            return bool(w);
        case SANE_TYPE_INT:
            return int(w);
        case SANE_TYPE_FIXED:
            return SANE_UNFIX(w);
        default:
            return QString::fromUtf8(buffer.data());
        }
    }

    OptionSetResult setValue(int index, const QVariant& v) override {
        const SANE_Option_Descriptor* d = descriptor(index);
        const bool numeric = d->type == SANE_TYPE_INT || d->type == SANE_TYPE_FIXED;
        if (numeric && size_t(d->size) > sizeof(SANE_Word))
            throw Error(kErrUnsupported,
                        QStringLiteral("\"%1\" is a table of values and cannot be set here.")
                            .arg(text(d->title)));
        std::vector<char> buffer(std::max<size_t>(size_t(d->size), sizeof(SANE_Word)), 0);
        SANE_Word w = 0;
        void* data = buffer.data();
        switch (d->type) {
        case SANE_TYPE_BOOL:
            w = v.toBool() ? SANE_TRUE : SANE_FALSE;
            break;
        case SANE_TYPE_INT:
            w = SANE_Word(std::lround(v.toDouble()));
            break;
        case SANE_TYPE_FIXED:
            w = SANE_FIX(v.toDouble());
            break;
        case SANE_TYPE_STRING: {
            const QByteArray bytes = v.toString().toUtf8();
            std::memcpy(buffer.data(), bytes.constData(),
                        std::min<size_t>(size_t(bytes.size()), buffer.size() - 1));
            break;
        }
        case SANE_TYPE_BUTTON:
            data = nullptr;
            break;
        default:
            throw Error(kErrBadArgument, QStringLiteral("A group has no value."));
        }
        if (d->type != SANE_TYPE_STRING && d->type != SANE_TYPE_BUTTON)
            std::memcpy(buffer.data(), &w, sizeof w);
        SANE_Int info = 0;
        const SANE_Status s =
            sane_control_option(handle_, index, SANE_ACTION_SET_VALUE, data, &info);
        if (s != SANE_STATUS_GOOD)
            throw Error(kErrScanner, QStringLiteral("The scanner refused the value of \"%1\": %2")
                                         .arg(text(d->title), describeScanStatus(mapStatus(s))));
        OptionSetResult r;
        r.inexact = info & SANE_INFO_INEXACT;
        r.reloadOptions = info & SANE_INFO_RELOAD_OPTIONS;
        r.reloadParams = info & SANE_INFO_RELOAD_PARAMS;
        r.value = value(index);
        return r;
    }

    // Non-blocking reads are used only when the device also offers a descriptor to wait on:
    // the read is then made only once data is ready (some backends misreport an empty pipe
    // as the end of the frame). Otherwise reads block, which is fine in the worker thread.
    ScanStatus start() override {
        const ScanStatus s = mapStatus(sane_start(handle_));
        fd_ = -1;
        if (s == ScanStatus::Good && sane_set_io_mode(handle_, SANE_TRUE) == SANE_STATUS_GOOD) {
            SANE_Int fd = -1;
            if (sane_get_select_fd(handle_, &fd) == SANE_STATUS_GOOD && fd >= 0)
                fd_ = fd;
            else
                sane_set_io_mode(handle_, SANE_FALSE);
        }
        return s;
    }

    ScanStatus parameters(FrameParameters& out) override {
        SANE_Parameters p;
        const ScanStatus s = mapStatus(sane_get_parameters(handle_, &p));
        if (s != ScanStatus::Good) return s;
        bool known = false;
        out.format = mapFormat(p.format, known);
        if (!known) return ScanStatus::Unsupported; // compressed or infrared frames
        out.lastFrame = p.last_frame;
        out.bytesPerLine = p.bytes_per_line;
        out.pixelsPerLine = p.pixels_per_line;
        out.lines = p.lines;
        out.depth = p.depth;
        return ScanStatus::Good;
    }

    ScanStatus read(unsigned char* buffer, int maxLength, int& length) override {
        length = 0;
        if (fd_ >= 0) {
            pollfd pfd{fd_, POLLIN, 0};
            if (::poll(&pfd, 1, 50) == 0)
                return ScanStatus::Good; // nothing yet: the caller checks for cancel, retries
        }
        SANE_Int n = 0;
        const ScanStatus s = mapStatus(sane_read(handle_, buffer, maxLength, &n));
        if (s == ScanStatus::Good) length = n;
        return s;
    }

    void cancel() override { sane_cancel(handle_); }

private:
    const SANE_Option_Descriptor* descriptor(int index) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle_, index);
        if (!d || index <= 0)
            throw Error(kErrBadArgument,
                        QStringLiteral("The scanner has no option number %1.").arg(index));
        return d;
    }

    SANE_Handle handle_;
    ScanDeviceInfo info_;
    int fd_ = -1; // select descriptor in non-blocking mode, else -1
};

} // namespace

SaneScanner::SaneScanner() {
    runtime();
}

bool SaneScanner::available() {
    return runtime().initialised;
}

std::vector<ScanDeviceInfo> SaneScanner::devices() {
    SaneRuntime& r = runtime();
    std::lock_guard lock(r.mutex);
    std::vector<ScanDeviceInfo> out;
    if (!r.alive) return out;
    const SANE_Device** list = nullptr;
    if (sane_get_devices(&list, SANE_TRUE) != SANE_STATUS_GOOD || !list) return out;
    for (; *list; ++list)
        out.push_back({text((*list)->name), text((*list)->vendor), text((*list)->model),
                       text((*list)->type)});
    return out;
}

std::unique_ptr<ScannerDevice> SaneScanner::open(const QString& name) {
    SaneRuntime& r = runtime();
    ScanDeviceInfo info{name, {}, {}, {}};
    for (const auto& d : devices())
        if (d.name == name) info = d;
    std::lock_guard lock(r.mutex);
    if (!r.alive)
        throw Error(kErrNoScanner, QStringLiteral("The scanner library could not be started."));
    SANE_Handle handle = nullptr;
    const SANE_Status s = sane_open(name.toUtf8().constData(), &handle);
    if (s != SANE_STATUS_GOOD || !handle)
        throw Error(kErrNoScanner, QStringLiteral("The scanner \"%1\" could not be opened: %2")
                                       .arg(info.label(), describeScanStatus(mapStatus(s))));
    return std::make_unique<SaneDevice>(handle, info);
}

} // namespace imaging
