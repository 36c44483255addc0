#pragma once
// Shared pieces of the scanner tests: the repository's SANE configuration, a scripted
// progress view and a scripted dialog runner.
#include "imaging/scanning/SaneScanner.h"
#include "imaging/scanning/ScannerUi.h"
#include "support/TempDir.h"

#include <QDir>
#include <QProcess>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

namespace scantest {

// Points SANE at tests/imaging/sane (only the `test` backend, one device, Letter-sized bed).
// Must run before the first use of SANE in the process; later calls change nothing. False
// when the folder is not found (DOCUVANE_SOURCE_DIR unset): the caller's test then fails.
inline bool useRepositorySaneConfig() {
    static const bool found = [] {
        const QString dir = testsupport::sourceDir() + QStringLiteral("/tests/imaging/sane");
        if (testsupport::sourceDir().isEmpty() || !QDir(dir).exists(QStringLiteral("dll.conf")))
            return false;
        qputenv("SANE_CONFIG_DIR", dir.toLocal8Bit());
        return true;
    }();
    return found;
}

// SANE's test device keeps its option values for the whole process, across close and open:
// every test starts it from the same small, quick state (75 dpi, 20 x 20 mm, flatbed).
inline void resetTestDevice(imaging::ScannerDevice& device) {
    const std::pair<const char*, QVariant> values[] = {
        {"hand-scanner", false},
        {"mode", QStringLiteral("Gray")},
        {"depth", 8},
        {"source", QStringLiteral("Flatbed")},
        {"test-picture", QStringLiteral("Solid black")},
        {"read-return-value", QStringLiteral("Default")},
        {"read-limit", false},
        {"read-delay", false},
        {"non-blocking", false},
        {"select-fd", false},
        {"resolution", 75.0},
        {"tl-x", 0.0},
        {"tl-y", 0.0},
        {"br-x", 20.0},
        {"br-y", 20.0},
    };
    for (const auto& [name, value] : values)
        imaging::setOptionValue(device, QString::fromLatin1(name), value);
}

// Makes the test device's reads fail with `status` (e.g. "SANE_STATUS_JAMMED").
inline void injectReadFailure(imaging::ScannerDevice& device, const char* status) {
    imaging::setOptionValue(device, QStringLiteral("read-return-value"),
                            QString::fromLatin1(status));
}

// SANE's test device writes each frame from a reader thread and, at the end of the frame or
// on cancel, stops that thread with an asynchronous pthread_cancel. When the thread is still
// starting or exiting at that moment (allocating, freeing, setting up its TLS) the C library
// is left with a lock held forever and the process hangs (seen about once in 4000 frames).
// The tests therefore give the reader time to finish before any frame is read: with frames
// smaller than the pipe (64 KiB: every real-device test keeps to that), it has written the
// whole frame and ended by then. This is about the test device, not about real scanners.
class SettledDevice : public imaging::ScannerDevice {
public:
    explicit SettledDevice(std::unique_ptr<imaging::ScannerDevice> d) : d_(std::move(d)) {}
    imaging::ScanDeviceInfo info() const override { return d_->info(); }
    std::vector<imaging::OptionDescriptor> options() override { return d_->options(); }
    QVariant value(int index) override { return d_->value(index); }
    imaging::OptionSetResult setValue(int index, const QVariant& v) override {
        return d_->setValue(index, v);
    }
    imaging::ScanStatus start() override {
        const imaging::ScanStatus s = d_->start();
        if (s == imaging::ScanStatus::Good) QThread::msleep(20);
        return s;
    }
    imaging::ScanStatus parameters(imaging::FrameParameters& out) override {
        return d_->parameters(out);
    }
    imaging::ScanStatus read(unsigned char* buffer, int maxLength, int& length) override {
        return d_->read(buffer, maxLength, length);
    }
    void cancel() override { d_->cancel(); }

private:
    std::unique_ptr<imaging::ScannerDevice> d_;
};

class SettledSaneScanner : public imaging::SaneScanner {
public:
    std::unique_ptr<imaging::ScannerDevice> open(const QString& name) override {
        return std::make_unique<SettledDevice>(imaging::SaneScanner::open(name));
    }
};

// A progress view that records what it is told and cancels when the script says so.
class ScriptedProgress : public imaging::ScanProgressView {
public:
    int cancelAtPageStart = -1;                  // cancel when this page is about to start
    std::function<void(int page)> onPageStarted; // e.g. to change the device between pages

    std::vector<int> started, finished;
    int progressCalls = 0;
    qint64 lastBytes = 0;
    bool begun = false, ended = false;

    void begin(const QString&) override { begun = true; }
    void pageStarted(int page) override {
        started.push_back(page);
        if (onPageStarted) onPageStarted(page);
        if (page == cancelAtPageStart) cancelled_ = true;
    }
    void progress(int, qint64 bytes, qint64, int, int) override {
        ++progressCalls;
        lastBytes = bytes;
    }
    void pageFinished(int page) override { finished.push_back(page); }
    bool cancelRequested() const override { return cancelled_; }
    void end() override { ended = true; }

private:
    bool cancelled_ = false;
};

// Hands the progress of each run to one ScriptedProgress that outlives the runs.
class ProgressProxy : public imaging::ScanProgressView {
public:
    explicit ProgressProxy(ScriptedProgress& target) : t_(target) {}
    void begin(const QString& label) override { t_.begin(label); }
    void pageStarted(int page) override { t_.pageStarted(page); }
    void progress(int page, qint64 bytes, qint64 total, int lines, int totalLines) override {
        t_.progress(page, bytes, total, lines, totalLines);
    }
    void pageFinished(int page) override { t_.pageFinished(page); }
    bool cancelRequested() const override { return t_.cancelRequested(); }
    void end() override { t_.end(); }

private:
    ScriptedProgress& t_;
};

// The dialog runner of the scanner tests: answers as scripted, records what was shown.
class ScriptedScanUi : public imaging::ScanUi {
public:
    QStringList messages;
    int setupShown = 0;
    bool setupAnswer = true;
    std::function<void(imaging::ScannerDevice&)> duringSetup; // the "user" changes options
    int preferencesShown = 0;
    std::function<bool(imaging::ScanPreferences&)> duringPreferences;
    std::vector<imaging::ScanDeviceInfo> devicesOffered;
    QString scannerChosen; // "" cancels the select-scanner dialog
    ScriptedProgress progress;

    void showMessage(const QString& text) override { messages << text; }
    bool runSetup(imaging::ScannerDevice& device) override {
        ++setupShown;
        if (duringSetup) duringSetup(device);
        return setupAnswer;
    }
    bool runPreferences(imaging::ScannerDevice&, imaging::ScanPreferences& prefs) override {
        ++preferencesShown;
        return duringPreferences && duringPreferences(prefs);
    }
    bool runSelectScanner(const std::vector<imaging::ScanDeviceInfo>& devices,
                          QString& name) override {
        devicesOffered = devices;
        if (scannerChosen.isEmpty()) return false;
        name = scannerChosen;
        return true;
    }
    std::unique_ptr<imaging::ScanProgressView> createProgress() override {
        return std::make_unique<ProgressProxy>(progress);
    }
};

// Pixels of an image file written by scanimage (PNM), for comparing with our own reading.
inline QImage scanimageReference(const QStringList& arguments) {
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(QStringLiteral("scanimage"), QStringList{QStringLiteral("-d"), QStringLiteral("test"),
                                                     QStringLiteral("--format=pnm")} +
                                             arguments);
    EXPECT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QImage image;
    image.loadFromData(p.readAllStandardOutput());
    return image;
}

// Compares two pages pixel by pixel as colours (formats may differ); `tolerance` per channel.
inline ::testing::AssertionResult samePixels(const QImage& a, const QImage& b, int tolerance = 0) {
    if (a.size() != b.size())
        return ::testing::AssertionFailure() << "sizes " << a.width() << "x" << a.height()
                                             << " and " << b.width() << "x" << b.height();
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > tolerance ||
                std::abs(qGreen(p) - qGreen(q)) > tolerance ||
                std::abs(qBlue(p) - qBlue(q)) > tolerance)
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << ": " << std::hex << p << " vs " << q;
        }
    return ::testing::AssertionSuccess();
}

} // namespace scantest
