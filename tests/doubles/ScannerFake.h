#pragma once
// A scripted scanner for tests of the scanner object and of the windows that use it. It
// behaves like a SANE device: it describes its options (mode Lineart|Gray|Color, depth,
// resolution, source Flatbed|Automatic Document Feeder, scan area, ...), clamps values,
// asks for reloads, and delivers raw frames in small chunks (1-bit data with garbage padding
// bits, 16-bit samples, optionally three-pass colour).
//
// Every page carries marker pixels that tell which page it is: page label L (1, 2, 3 ...
// counted over the scanner's life, see FakeScript::nextLabel) is written as 8 bits, least
// significant first, in 8x8-pixel blocks along the top edge (block i covers x 8i..8i+7,
// y 0..7; black when bit i is set); an 8x8 black block sits in the bottom-right corner, so a
// page that is turned or mirrored is noticed. In Color mode the label blocks are pure red and
// the corner block pure blue. Pages are at least 72 x 16 pixels.
#include "imaging/scanning/ScannerBackend.h"

#include <QImage>
#include <deque>
#include <memory>
#include <mutex>

namespace doubles {

struct FakeScript {
    bool noDevice = false;   // devices() is empty, open() fails
    int feederSheets = 10;   // sheets in the feeder; each page from it takes one
    int nextLabel = 1;       // label of the next page scanned
    int failAfterPages = -1; // this many pages succeed, then the next page fails ...
    imaging::ScanStatus failure = imaging::ScanStatus::Jammed; // ... with this status, half-way
                                                      // through its data
    bool threePass = false;                  // colour pages as separate Red, Green, Blue frames
    int chunkSize = 997;                     // bytes per read() (odd, so reads split lines)
    QString refuseOption;    // setting this option fails (a device refusing a value)
    int readDelayMicros = 0; // a slow scanner: this long a read()
    // Sheets with a picture of their own (a cover sheet, a page of text): the next pages
    // scanned show these, one a page in order, each at its own size in pixels (the scan area
    // and resolution do not apply), in the scan's mode (Lineart: black below gray 128); the
    // label blocks are drawn on top as on any page and its label counted.
    std::deque<QImage> sheetImages;
};

class FakeScanner : public imaging::ScannerBackend {
public:
    FakeScanner();
    // The script is shared with the devices opened from this scanner: change it at any time
    // between scans (under lock()).
    FakeScript& script() { return state_->script; }
    std::unique_lock<std::mutex> lock() { return std::unique_lock(state_->mutex); }
    int pagesStarted() const; // page starts that delivered a page or failed
    int openDevices() const;
    int deviceListCalls() const; // how often devices() was asked

    std::vector<imaging::ScanDeviceInfo> devices() override;
    std::unique_ptr<imaging::ScannerDevice> open(const QString& name) override;

    static constexpr const char* kDeviceName = "fake:0";
    // The label a page shows, read from its marker pixels (-1 when the corner block that marks
    // the right way up is missing). Independent of the scanner's own drawing code.
    static int readLabel(const QImage& page);

    struct State {
        std::mutex mutex;
        FakeScript script;
        int pagesStarted = 0;
        int openDevices = 0;
        int deviceListCalls = 0;
    };

private:
    std::shared_ptr<State> state_;
};

} // namespace doubles
