#include "gui/x11/X11Platform.h"

#include <time.h>

#include "gui/x11/CairoCanvas.h"
#include "gui/x11/X11Window.h"

namespace VSTGUI::x11 {

platform::FrameWindow* X11Platform::createFrameWindow(CFrame* frame, void* parent, const CRect& size,
                                                      double scale) {
    auto* window = new X11Window(frame, parent, size, scale);
    if (!window->isValid()) {
        delete window;
        return nullptr;
    }
    return window;
}

platform::Image* X11Platform::decodePng(const unsigned char* data, uint32_t size, int32_t scale) {
    return x11::decodePng(data, size, scale);
}

platform::Canvas* X11Platform::createOffscreen(int32_t width, int32_t height, double scale) {
    if (width <= 0 || height <= 0) return nullptr;
    return new CairoOffscreen(width, height, scale);
}

uint32_t X11Platform::tickCount() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint32_t)((uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u);
}

namespace {
X11Platform gPlatform;
}

Installation::Installation() { platform::install(&gPlatform); }

Installation::~Installation() {
    platform::install(nullptr);
    releaseFonts();
}

}  // namespace VSTGUI::x11
