#include "doubles/ScannerFake.h"

#include "imaging/pixels/ImagingError.h"

#include <QByteArray>
#include <QPainter>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

namespace doubles {

using namespace imaging;

namespace {

constexpr int kBlock = 8;

enum Option {
    kGroupMode = 1,
    kMode,
    kDepth,
    kResolution,
    kSource,
    kGroupGeometry,
    kTlX,
    kTlY,
    kBrX,
    kBrY,
    kGroupEnhancement,
    kBrightness,
    kPreview,
    kCalibrate,
    kOptionCount
};

const char* const kFeeder = "Automatic Document Feeder";

// The device's options, in its order: name, title, description, type, unit, constraint.
struct OptionRow {
    const char* name;
    const char* title;
    const char* description;
    OptionType type;
    OptionUnit unit;
    OptionConstraint constraint;
    double min, max, quant;
    QStringList strings;
    QList<double> words;
};

const std::vector<OptionRow>& optionTable() {
    using T = OptionType;
    using U = OptionUnit;
    using C = OptionConstraint;
    static const std::vector<OptionRow> rows = {
        {"", "", "", T::Int, U::None, C::None, 0, 0, 0, {}, {}}, // index 0: the option count
        {"", "Scan Mode", "", T::Group, U::None, C::None, 0, 0, 0, {}, {}},
        {"mode",
         "Scan mode",
         "Line art (black and white), gray or colour.",
         T::String,
         U::None,
         C::StringList,
         0,
         0,
         0,
         {"Lineart", "Gray", "Color"},
         {}},
        {"depth",
         "Bit depth",
         "Bits per sample of gray and colour scans.",
         T::Int,
         U::Bit,
         C::WordList,
         0,
         0,
         0,
         {},
         {8, 16}},
        {"resolution",
         "Scan resolution",
         "Sets the resolution of the scanned image.",
         T::Int,
         U::Dpi,
         C::Range,
         50,
         600,
         1,
         {},
         {}},
        {"source",
         "Scan source",
         "The flatbed or the document feeder.",
         T::String,
         U::None,
         C::StringList,
         0,
         0,
         0,
         {"Flatbed", kFeeder},
         {}},
        {"", "Geometry", "", T::Group, U::None, C::None, 0, 0, 0, {}, {}},
        {"tl-x",
         "Top-left x",
         "Left edge of the scan area.",
         T::Fixed,
         U::Mm,
         C::Range,
         0,
         215.9,
         0,
         {},
         {}},
        {"tl-y",
         "Top-left y",
         "Top edge of the scan area.",
         T::Fixed,
         U::Mm,
         C::Range,
         0,
         297,
         0,
         {},
         {}},
        {"br-x",
         "Bottom-right x",
         "Right edge of the scan area.",
         T::Fixed,
         U::Mm,
         C::Range,
         0,
         215.9,
         0,
         {},
         {}},
        {"br-y",
         "Bottom-right y",
         "Bottom edge of the scan area.",
         T::Fixed,
         U::Mm,
         C::Range,
         0,
         297,
         0,
         {},
         {}},
        {"", "Enhancement", "", T::Group, U::None, C::None, 0, 0, 0, {}, {}},
        {"brightness",
         "Brightness",
         "Lighter or darker scans.",
         T::Int,
         U::Percent,
         C::Range,
         -100,
         100,
         1,
         {},
         {}},
        {"preview",
         "Preview",
         "A quick low-quality scan.",
         T::Bool,
         U::None,
         C::None,
         0,
         0,
         0,
         {},
         {}},
        {"calibrate",
         "Calibrate",
         "Calibrates the scanner lamp.",
         T::Button,
         U::None,
         C::None,
         0,
         0,
         0,
         {},
         {}},
    };
    return rows;
}

OptionDescriptor describe(int index) {
    const OptionRow& row = optionTable()[size_t(index)];
    OptionDescriptor o;
    o.index = index;
    o.name = QString::fromLatin1(row.name);
    o.title = QString::fromLatin1(row.title);
    o.description = QString::fromLatin1(row.description);
    o.type = row.type;
    o.unit = row.unit;
    o.constraint = row.constraint;
    o.min = row.min;
    o.max = row.max;
    o.quant = row.quant;
    o.strings = row.strings;
    o.words = row.words;
    return o;
}

// The page as it should look, drawn pixel by pixel.
QImage drawPage(int width, int height, int label, bool colour, const QImage& picture) {
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(Qt::white);
    if (!picture.isNull()) {
        QPainter p(&page);
        p.drawImage(0, 0, picture);
    }
    const QRgb mark = colour ? qRgb(255, 0, 0) : qRgb(0, 0, 0);
    const QRgb corner = colour ? qRgb(0, 0, 255) : qRgb(0, 0, 0);
    auto block = [&page](int x0, int y0, QRgb c) {
        for (int y = y0; y < y0 + kBlock; ++y)
            for (int x = x0; x < x0 + kBlock; ++x)
                page.setPixel(x, y, c);
    };
    for (int bit = 0; bit < 8; ++bit)
        if (label & (1 << bit)) block(bit * kBlock, 0, mark);
    block(width - kBlock, height - kBlock, corner);
    return page;
}

void putSample(QByteArray& line, int i, int value, int depth) {
    if (depth == 8) {
        line[i] = char(value);
    } else {
        const quint16 v = quint16(value * 257);
        std::memcpy(line.data() + 2 * i, &v, 2);
    }
}

class FakeDevice : public ScannerDevice {
public:
    explicit FakeDevice(std::shared_ptr<FakeScanner::State> state) : state_(std::move(state)) {
        values_.resize(kOptionCount);
        values_[kMode] = QStringLiteral("Lineart");
        values_[kDepth] = 8;
        values_[kResolution] = 100;
        values_[kSource] = QStringLiteral("Flatbed");
        values_[kTlX] = 0.0;
        values_[kTlY] = 0.0;
        values_[kBrX] = 25.4;
        values_[kBrY] = 33.02;
        values_[kBrightness] = 0;
        values_[kPreview] = false;
        std::lock_guard lock(state_->mutex);
        ++state_->openDevices;
    }
    ~FakeDevice() override {
        std::lock_guard lock(state_->mutex);
        --state_->openDevices;
    }

    ScanDeviceInfo info() const override {
        return {QString::fromLatin1(FakeScanner::kDeviceName), QStringLiteral("Docuvane"),
                QStringLiteral("Scripted scanner"), QStringLiteral("virtual device")};
    }

    std::vector<OptionDescriptor> options() override {
        std::vector<OptionDescriptor> out;
        QString group;
        for (int i = 1; i < kOptionCount; ++i) {
            OptionDescriptor o = describe(i);
            if (o.type == OptionType::Group) group = o.title;
            o.group = group;
            if (i == kDepth) o.active = values_[kMode].toString() != QLatin1String("Lineart");
            out.push_back(o);
        }
        return out;
    }

    QVariant value(int index) override {
        check(index);
        return values_[index];
    }

    OptionSetResult setValue(int index, const QVariant& v) override {
        check(index);
        const OptionDescriptor o = options()[size_t(index - 1)];
        if (o.type == OptionType::Group || !o.active)
            throw Error(kErrScanner,
                        QStringLiteral("The option \"%1\" cannot be set now.").arg(o.title));
        {
            std::lock_guard lock(state_->mutex);
            if (!o.name.isEmpty() && o.name == state_->script.refuseOption)
                throw Error(kErrScanner,
                            QStringLiteral("The scanner refused the value of \"%1\": %2")
                                .arg(o.title, describeScanStatus(ScanStatus::Invalid)));
        }
        OptionSetResult r;
        switch (o.type) {
        case OptionType::Button:
            ++calibrations_;
            return r;
        case OptionType::String:
            if (!o.strings.contains(v.toString()))
                throw Error(kErrScanner, describeScanStatus(ScanStatus::Invalid));
            r.reloadOptions = index == kMode && values_[index] != v;
            values_[index] = v.toString();
            break;
        case OptionType::Bool:
            values_[index] = v.toBool();
            break;
        case OptionType::Int:
        case OptionType::Fixed: {
            double x = v.toDouble();
            if (o.constraint == OptionConstraint::WordList && !o.words.contains(x))
                throw Error(kErrScanner, describeScanStatus(ScanStatus::Invalid));
            if (o.constraint == OptionConstraint::Range) {
                const double clamped = std::clamp(x, o.min, o.max);
                r.inexact = clamped != x;
                x = clamped;
            }
            values_[index] =
                o.type == OptionType::Int ? QVariant(int(std::lround(x))) : QVariant(x);
            break;
        }
        case OptionType::Group:
            break;
        }
        r.reloadParams = true;
        r.value = values_[index];
        return r;
    }

    ScanStatus start() override {
        if (nextFrame_ > 0 && nextFrame_ < int(frames_.size())) { // next pass of a page
            beginFrame(nextFrame_++);
            return ScanStatus::Good;
        }
        std::lock_guard lock(state_->mutex);
        FakeScript& s = state_->script;
        const bool feeder = values_[kSource].toString() == QLatin1String(kFeeder);
        if (feeder && s.feederSheets <= 0) return ScanStatus::NoDocs;
        if (feeder) --s.feederSheets;
        ++state_->pagesStarted;
        failing_ = s.failAfterPages == 0;
        if (s.failAfterPages >= 0) --s.failAfterPages;
        failure_ = s.failure;
        chunk_ = std::max(1, s.chunkSize);
        delay_ = std::chrono::microseconds(std::max(0, s.readDelayMicros));
        QImage picture;
        if (!s.sheetImages.empty()) {
            picture = s.sheetImages.front();
            s.sheetImages.pop_front();
        }
        renderPage(s.nextLabel++, s.threePass, picture);
        nextFrame_ = 1;
        beginFrame(0);
        return ScanStatus::Good;
    }

    ScanStatus parameters(FrameParameters& out) override {
        if (frames_.empty()) return ScanStatus::Invalid;
        out = params_[size_t(std::max(0, nextFrame_ - 1))];
        return ScanStatus::Good;
    }

    ScanStatus read(unsigned char* buffer, int maxLength, int& length) override {
        length = 0;
        if (current_ < 0) return ScanStatus::Invalid;
        const QByteArray& data = frames_[size_t(current_)];
        if (failing_ && offset_ >= data.size() / 2) {
            failing_ = false;
            return failure_;
        }
        if (offset_ >= data.size()) return ScanStatus::Eof;
        if (delay_.count() > 0) std::this_thread::sleep_for(delay_);
        length = std::min({maxLength, chunk_, int(data.size() - offset_)});
        std::memcpy(buffer, data.constData() + offset_, size_t(length));
        offset_ += length;
        return ScanStatus::Good;
    }

    void cancel() override {
        frames_.clear();
        params_.clear();
        nextFrame_ = 0;
        current_ = -1;
    }

private:
    void check(int index) const {
        if (index <= 0 || index >= kOptionCount)
            throw Error(kErrBadArgument,
                        QStringLiteral("The scanner has no option number %1.").arg(index));
    }

    void beginFrame(int frame) {
        current_ = frame;
        offset_ = 0;
    }

    void renderPage(int label, bool threePass, const QImage& picture) {
        const double dpi = values_[kResolution].toDouble();
        const auto pixels = [dpi](double mm) { return int(std::lround(mm / 25.4 * dpi)); };
        const int w = std::max(9 * kBlock, picture.isNull() ? pixels(values_[kBrX].toDouble() -
                                                                         values_[kTlX].toDouble())
                                                              : picture.width());
        const int h = std::max(2 * kBlock, picture.isNull() ? pixels(values_[kBrY].toDouble() -
                                                                         values_[kTlY].toDouble())
                                                              : picture.height());
        const QString mode = values_[kMode].toString();
        const bool colour = mode == QLatin1String("Color");
        const int depth = mode == QLatin1String("Lineart") ? 1 : values_[kDepth].toInt();
        const QImage truth = drawPage(w, h, label, colour, picture);
        frames_.clear();
        params_.clear();

        if (!colour) {
            const int bpl = depth == 1 ? (w + 7) / 8 : w * depth / 8;
            QByteArray data;
            for (int y = 0; y < h; ++y) {
                QByteArray line(bpl, depth == 1 ? char(0xff) : char(0)); // 1-bit padding: garbage
                for (int x = 0; x < w; ++x) {
                    const int g = qGray(truth.pixel(x, y));
                    if (depth == 1) {
                        if (g >= 128) line[x / 8] = char(uchar(line[x / 8]) & ~(0x80 >> (x % 8)));
                    } else {
                        putSample(line, x, g, depth);
                    }
                }
                data += line;
            }
            frames_.push_back(data);
            params_.push_back({FrameFormat::Gray, true, bpl, w, h, depth});
            return;
        }
        const int channels = threePass ? 1 : 3;
        const int bpl = w * channels * depth / 8;
        const FrameFormat formats[] = {FrameFormat::Red, FrameFormat::Green, FrameFormat::Blue};
        for (int pass = 0; pass < (threePass ? 3 : 1); ++pass) {
            QByteArray data;
            for (int y = 0; y < h; ++y) {
                QByteArray line(bpl, 0);
                for (int x = 0; x < w; ++x) {
                    const QRgb p = truth.pixel(x, y);
                    const int rgb[] = {qRed(p), qGreen(p), qBlue(p)};
                    if (threePass)
                        putSample(line, x, rgb[pass], depth);
                    else
                        for (int c = 0; c < 3; ++c)
                            putSample(line, 3 * x + c, rgb[c], depth);
                }
                data += line;
            }
            frames_.push_back(data);
            params_.push_back({threePass ? formats[pass] : FrameFormat::Rgb,
                               !threePass || pass == 2, bpl, w, h, depth});
        }
    }

    std::shared_ptr<FakeScanner::State> state_;
    std::vector<QVariant> values_;
    std::vector<QByteArray> frames_;
    std::vector<FrameParameters> params_;
    int nextFrame_ = 0;
    int current_ = -1;
    int offset_ = 0;
    int chunk_ = 997;
    std::chrono::microseconds delay_{0};
    int calibrations_ = 0;
    bool failing_ = false;
    ScanStatus failure_ = ScanStatus::Jammed;
};

} // namespace

FakeScanner::FakeScanner() : state_(std::make_shared<State>()) {}

int FakeScanner::pagesStarted() const {
    std::lock_guard lock(state_->mutex);
    return state_->pagesStarted;
}

int FakeScanner::openDevices() const {
    std::lock_guard lock(state_->mutex);
    return state_->openDevices;
}

int FakeScanner::deviceListCalls() const {
    std::lock_guard lock(state_->mutex);
    return state_->deviceListCalls;
}

std::vector<ScanDeviceInfo> FakeScanner::devices() {
    std::lock_guard lock(state_->mutex);
    ++state_->deviceListCalls;
    if (state_->script.noDevice) return {};
    return {{QString::fromLatin1(kDeviceName), QStringLiteral("Docuvane"),
             QStringLiteral("Scripted scanner"), QStringLiteral("virtual device")}};
}

std::unique_ptr<ScannerDevice> FakeScanner::open(const QString& name) {
    {
        std::lock_guard lock(state_->mutex);
        if (state_->script.noDevice || name != QLatin1String(kDeviceName))
            throw Error(kErrNoScanner,
                        QStringLiteral("The scanner \"%1\" could not be opened.").arg(name));
    }
    return std::make_unique<FakeDevice>(state_);
}

int FakeScanner::readLabel(const QImage& page) {
    if (page.width() < 9 * kBlock || page.height() < 2 * kBlock) return -1;
    const auto marked = [&page](int x, int y) { return qGray(page.pixel(x, y)) < 160; };
    if (!marked(page.width() - kBlock / 2, page.height() - kBlock / 2) ||
        marked(page.width() - kBlock / 2, kBlock / 2))
        return -1;
    int label = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (marked(bit * kBlock + kBlock / 2, kBlock / 2)) label |= 1 << bit;
    return label;
}

} // namespace doubles
