// The X11 platform: one display connection per open frame, a child window of
// the host's window, painting through an image back buffer.
#pragma once

#include "gui/Platform.h"

namespace VSTGUI::x11 {

class X11Platform : public platform::Platform {
public:
    platform::FrameWindow* createFrameWindow(CFrame* frame, void* parent, const CRect& size,
                                             double scale) override;
    platform::Image* decodePng(const unsigned char* data, uint32_t size, int32_t scale) override;
    platform::Canvas* createOffscreen(int32_t width, int32_t height, double scale) override;
    uint32_t tickCount() override;
    uint32_t doubleClickTime() override { return 400; }
};

// Makes the X11 platform the current one for as long as it lives.
struct Installation {
    Installation();
    ~Installation();
};

}  // namespace VSTGUI::x11
