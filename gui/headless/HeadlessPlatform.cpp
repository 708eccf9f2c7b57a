#include "gui/headless/HeadlessPlatform.h"

#include <cstring>

namespace VSTGUI {

namespace headless {

void RecordingCanvas::setClip(const CRect& clip) { ops.push_back({.kind = DrawOp::kClip, .rect = clip}); }

void RecordingCanvas::fillRect(const CRect& r, CColor color) {
    ops.push_back({.kind = DrawOp::kFill, .rect = r, .color = color});
}

void RecordingCanvas::line(CPoint from, CPoint to, CColor color, int32_t) {
    ops.push_back({.kind = DrawOp::kLine, .from = from, .to = to, .color = color});
}

void RecordingCanvas::drawImage(const platform::Image& image, const CRect& dst, CPoint src,
                                bool transparent, CColor) {
    ops.push_back(
        {.kind = DrawOp::kImage, .rect = dst, .from = src, .image = &image, .transparent = transparent});
}

void RecordingCanvas::drawText(const char* utf8, const CRect& r, int32_t pixelSize, bool bold,
                               CColor color, int32_t align) {
    ops.push_back({.kind = DrawOp::kText,
                   .rect = r,
                   .color = color,
                   .text = utf8,
                   .size = pixelSize,
                   .bold = bold,
                   .align = align});
}

int32_t RecordingCanvas::textWidth(const char* utf8, int32_t pixelSize, bool) {
    return (int32_t)std::strlen(utf8) * pixelSize / 2;
}

HeadlessWindow::HeadlessWindow(void* parent, const CRect& size, double scale)
    : parent(parent), size(size), scale(scale) {}

void HeadlessWindow::endPaint(const CRect* areas, int32_t count) {
    for (int32_t i = 0; i < count; ++i) shown.push_back(areas[i]);
}

void HeadlessWindow::resize(int32_t width, int32_t height, double s) {
    size = CRect(0, 0, width, height);
    scale = s;
}

platform::FrameWindow* HeadlessPlatform::createFrameWindow(CFrame*, void* parent, const CRect& size,
                                                           double scale) {
    lastWindow = new HeadlessWindow(parent, size, scale);
    return lastWindow;
}

platform::Image* HeadlessPlatform::decodePng(const unsigned char* data, uint32_t size, int32_t scale) {
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (!data || size < 24 || std::memcmp(data, signature, 8) != 0 || std::memcmp(data + 12, "IHDR", 4) != 0)
        return nullptr;
    auto be32 = [&](int at) {
        return (int32_t)((uint32_t)data[at] << 24 | (uint32_t)data[at + 1] << 16 |
                         (uint32_t)data[at + 2] << 8 | data[at + 3]);
    };
    int32_t w = be32(16), h = be32(20);
    if (w <= 0 || h <= 0) return nullptr;
    return new HeadlessImage(w, h, scale);
}

namespace {
class OffscreenRecording : public RecordingCanvas {
public:
    OffscreenRecording(int32_t w, int32_t h) : image(w, h, 1) {}
    const platform::Image* asImage() const override { return &image; }
    HeadlessImage image;
};
}  // namespace

platform::Canvas* HeadlessPlatform::createOffscreen(int32_t width, int32_t height, double) {
    return new OffscreenRecording(width, height);
}

HeadlessPlatform& instance() {
    static HeadlessPlatform platform;
    return platform;
}

}  // namespace headless

namespace platform {

namespace {
Platform* gPlatform = nullptr;
}

Platform& current() { return gPlatform ? *gPlatform : headless::instance(); }
void install(Platform* p) { gPlatform = p; }
bool installed() { return gPlatform != nullptr; }

}  // namespace platform
}  // namespace VSTGUI
