#include "capture/CaptureState.h"

#include "viewer/MainWindow.h"

#include <stdexcept>

namespace capture {

CaptureState::CaptureState(viewer::MainWindow& window) : QObject(&window) {
    setObjectName("captureState");
}

CaptureState& CaptureState::of(viewer::MainWindow& window) {
    auto* state = window.findChild<CaptureState*>("captureState", Qt::FindDirectChildrenOnly);
    if (!state) throw std::logic_error("Record capture is not installed on this window.");
    return *state;
}

} // namespace capture
