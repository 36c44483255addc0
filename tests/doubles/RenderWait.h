#pragma once
// Waiting for the page display in tests, benchmarks and tools: events run until the current
// page is rendered (waitForRendering) or the neighbouring pages too (waitForIdle); false when
// the time is up first. The program itself never waits for rendering.
namespace imaging {
class ImageEdit;
}

namespace doubles {

bool waitForRendering(imaging::ImageEdit& edit, int timeoutMs);
bool waitForIdle(imaging::ImageEdit& edit, int timeoutMs);

} // namespace doubles
