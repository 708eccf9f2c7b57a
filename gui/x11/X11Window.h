// The native window of one frame on X11: its own display connection, a child
// window of the host's window at the frame's size times the scale, events
// read without blocking at idle time, and painting into an image back buffer
// that is copied to the window. No thread, no error handler that outlives a
// call, and nothing of cairo that depends on the connection.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>

#include "gui/Platform.h"

namespace VSTGUI::x11 {

class CairoCanvas;

class X11Window : public platform::FrameWindow {
public:
    X11Window(CFrame* frame, void* parent, const CRect& size, double scale);
    ~X11Window() override;
    bool isValid() const { return window != 0; }

    void processEvents() override;
    platform::Canvas* beginPaint() override;
    void endPaint(const CRect* areas, int32_t count) override;
    CPoint pointerPosition() override;
    int32_t mouseButtons() override;
    void setKeyboardFocus(bool take) override;
    void resize(int32_t width, int32_t height, double scale) override;
    void* nativeHandle() const override { return (void*)(uintptr_t)window; }

private:
    void createBackBuffer();
    void releaseBackBuffer();
    void handle(XEvent& event);
    void key(XKeyEvent& event);
    CPoint toView(int x, int y) const;

    CFrame* frame;
    Display* display = nullptr;
    Window window = 0;
    GC gc = nullptr;
    XIM im = nullptr;
    XIC ic = nullptr;
    int32_t width, height;
    double scale;
    int32_t deviceWidth = 0, deviceHeight = 0;
    cairo_surface_t* back = nullptr;
    CairoCanvas* canvas = nullptr;
    XImage* image = nullptr;
    bool haveFocus = false;
    unsigned long focusSerial = 0;  // the request that gave us the focus
    Window previousFocus = 0;
    int previousRevert = 0;
};

}  // namespace VSTGUI::x11
