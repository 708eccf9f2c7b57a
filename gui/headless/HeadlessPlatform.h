// The platform without a window system: frames get a window that records
// what is drawn, pointer and buttons are set by the caller, time is a clock
// the caller advances. Serves the tests and the command-line tool.
#pragma once

#include <string>
#include <vector>

#include "gui/Platform.h"

namespace VSTGUI::headless {

// An image of which only the size is known (read from the PNG header).
class HeadlessImage : public platform::Image {
public:
    HeadlessImage(int32_t w, int32_t h, int32_t s) : w(w), h(h), s(s) {}
    int32_t pixelWidth() const override { return w; }
    int32_t pixelHeight() const override { return h; }
    int32_t scale() const override { return s; }

private:
    int32_t w, h, s;
};

struct DrawOp {
    enum Kind { kClip, kFill, kLine, kImage, kText };
    Kind kind = kClip;
    CRect rect{};             // clip, fill, image destination, text box
    CPoint from{}, to{};      // line; image source offset in from
    CColor color{};           // fill, line, text
    const platform::Image* image = nullptr;
    bool transparent = false;
    std::string text{};
    int32_t size = 0;         // text pixel size
    bool bold = false;
    int32_t align = 0;
};

class RecordingCanvas : public platform::Canvas {
public:
    void setClip(const CRect& clip) override;
    void fillRect(const CRect& r, CColor color) override;
    void line(CPoint from, CPoint to, CColor color, int32_t width) override;
    void drawImage(const platform::Image& image, const CRect& dst, CPoint src, bool transparent,
                   CColor key) override;
    void drawText(const char* utf8, const CRect& r, int32_t pixelSize, bool bold, CColor color,
                  int32_t align) override;
    // Half the pixel size per byte: enough for layout decisions in tests.
    int32_t textWidth(const char* utf8, int32_t pixelSize, bool bold) override;

    std::vector<DrawOp> ops;
};

class HeadlessWindow : public platform::FrameWindow {
public:
    HeadlessWindow(void* parent, const CRect& size, double scale);
    void processEvents() override {}
    platform::Canvas* beginPaint() override { return &canvas; }
    void endPaint(const CRect* areas, int32_t count) override;
    CPoint pointerPosition() override { return pointer; }
    int32_t mouseButtons() override { return buttons; }
    void setKeyboardFocus(bool take) override { keyboardFocus = take; }
    void resize(int32_t width, int32_t height, double s) override;
    void* nativeHandle() const override { return parent; }

    void* parent;
    CRect size;
    double scale;
    CPoint pointer;
    int32_t buttons = 0;
    bool keyboardFocus = false;
    RecordingCanvas canvas;
    std::vector<CRect> shown;  // areas copied to the window, in order
};

class HeadlessPlatform : public platform::Platform {
public:
    platform::FrameWindow* createFrameWindow(CFrame* frame, void* parent, const CRect& size,
                                             double scale) override;
    platform::Image* decodePng(const unsigned char* data, uint32_t size, int32_t scale) override;
    platform::Canvas* createOffscreen(int32_t width, int32_t height, double scale) override;
    uint32_t tickCount() override { return ticks; }
    uint32_t doubleClickTime() override { return 400; }

    uint32_t ticks = 1000;
    HeadlessWindow* lastWindow = nullptr;
};

// The process's headless platform (the default one).
HeadlessPlatform& instance();

}  // namespace VSTGUI::headless
