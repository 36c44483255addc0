#pragma once
// Turns a device's raw frames into a QImage, line by line as the data arrives:
//  - 1-bit gray (line art, 1 = black) becomes QImage::Format_Mono with colour 0 white and
//    colour 1 black, so the device's bits are kept as they are;
//  - 8-bit gray becomes Format_Grayscale8; colour becomes Format_RGB888;
//  - 16-bit samples (native byte order) are reduced to their upper 8 bits;
//  - a three-pass page (separate Red, Green and Blue frames, in any order) fills the
//    channels of one colour image; its frames must agree in size and state their height.
// Data that does not fit the stated layout raises Error(kErrScanner) instead of producing
// a garbled page.
#include "imaging/scanning/ScannerBackend.h"

#include <QByteArray>
#include <QImage>

namespace imaging {

class FrameAssembler {
public:
    // Starts a new page: forgets any earlier page.
    void beginPage();
    // Starts a frame of the current page. Raises Error for layouts it cannot take.
    void beginFrame(const FrameParameters& parameters);
    // Feeds raw bytes of the current frame.
    void addData(const unsigned char* data, int length);
    // Ends the current frame; an incomplete trailing line is dropped.
    void endFrame();

    // True once the frame marked lastFrame has ended.
    bool pageComplete() const { return complete_; }
    // Lines converted so far in the current frame, and the frame's stated height (-1 unknown).
    int linesDone() const { return row_; }
    int frameLines() const { return params_.lines; }
    qint64 frameBytesDone() const { return frameBytes_; }
    // Bytes the current frame should carry (-1 when the height is unknown).
    qint64 frameBytesExpected() const;

    // The finished page (cropped to the lines received). Valid after pageComplete().
    QImage takeImage();

private:
    void convertLine(const unsigned char* src);
    void ensureRows(int rows);

    FrameParameters params_;
    QImage image_;
    QByteArray pending_; // an incomplete line carried to the next addData()
    int row_ = 0;        // next row of the current frame
    int maxRows_ = 0;    // rows written by any frame of this page
    int framesSeen_ = 0;
    qint64 frameBytes_ = 0;
    bool inFrame_ = false;
    bool complete_ = false;
};

} // namespace imaging
