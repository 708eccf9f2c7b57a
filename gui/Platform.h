// The platform seam of the toolkit: everything that touches the native window
// system or the 2D drawing library goes through these interfaces. One folder
// per platform implements them (x11/, headless/); the rest of the toolkit is
// the same everywhere.
#pragma once

#include <cstdint>

#include "gui/VSTGUIBase.h"
#include "host/vst2.h"

namespace VSTGUI {

class CFrame;

namespace platform {

// A decoded image: pixel size and the scale it was made for (1 or 2), so
// that its size in view pixels is width/scale by height/scale.
class Image {
public:
    virtual ~Image() = default;
    virtual int32_t pixelWidth() const = 0;
    virtual int32_t pixelHeight() const = 0;
    virtual int32_t scale() const = 0;
};

// Drawing primitives in view pixels; the canvas maps them to device pixels.
class Canvas {
public:
    virtual ~Canvas() = default;
    virtual void setClip(const CRect& clip) = 0;
    virtual void fillRect(const CRect& r, CColor color) = 0;
    virtual void line(CPoint from, CPoint to, CColor color, int32_t width) = 0;
    // Copies the image part that starts at src (view pixels of the image) into
    // dst. With transparent set, pixels of the key colour are left out.
    virtual void drawImage(const Image& image, const CRect& dst, CPoint src, bool transparent,
                           CColor key) = 0;
    // One line of UTF-8 text, vertically centred in r, aligned horizontally.
    virtual void drawText(const char* utf8, const CRect& r, int32_t pixelSize, bool bold,
                          CColor color, int32_t align) = 0;
    virtual int32_t textWidth(const char* utf8, int32_t pixelSize, bool bold) = 0;
    // An offscreen canvas can be drawn elsewhere as an image; others answer null.
    virtual const Image* asImage() const { return nullptr; }
};

// The native window of one frame.
class FrameWindow {
public:
    virtual ~FrameWindow() = default;
    // Handles pending window-system events without blocking, calling the
    // frame's platform entry points.
    virtual void processEvents() = 0;
    // Painting: a canvas over the back buffer, then the given area is shown.
    virtual Canvas* beginPaint() = 0;
    virtual void endPaint(const CRect* areas, int32_t count) = 0;
    // Pointer position in frame coordinates and the live button/modifier bits.
    virtual CPoint pointerPosition() = 0;
    virtual int32_t mouseButtons() = 0;
    virtual void setKeyboardFocus(bool take) = 0;
    virtual void resize(int32_t width, int32_t height, double scale) = 0;
    virtual void* nativeHandle() const = 0;
};

class Platform {
public:
    virtual ~Platform() = default;
    virtual FrameWindow* createFrameWindow(CFrame* frame, void* parent, const CRect& size,
                                           double scale) = 0;
    // Decodes a PNG made for the given scale; null when it cannot be read.
    virtual Image* decodePng(const unsigned char* data, uint32_t size, int32_t scale) = 0;
    virtual Canvas* createOffscreen(int32_t width, int32_t height, double scale) = 0;
    virtual uint32_t tickCount() = 0;
    virtual uint32_t doubleClickTime() = 0;
};

// The platform in use; the headless one until another is installed.
Platform& current();
void install(Platform* platform);
// Whether a platform was installed: only then can editors open windows
// (a library built without a window-system platform has none).
bool installed();

}  // namespace platform
}  // namespace VSTGUI
