// Shared pieces of the control tests on the headless platform: stand-in
// bitmaps, a log of what controls and editors report, an editor without an
// effect that logs its edit gestures, and a fixture that opens such an editor
// on a headless window.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "gui/AEffGUIEditor.h"
#include "gui/CControl.h"
#include "gui/headless/HeadlessPlatform.h"
#include "resources/BitmapResources.h"

namespace testsupport {

using namespace VSTGUI;

// The start of a PNG file of the given size, as far as its header chunk: the
// headless platform reads only the size.
inline std::vector<unsigned char> pngHeader(int w, int h) {
    std::vector<unsigned char> d = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13,
                                    'I', 'H', 'D', 'R'};
    for (int v : {w, h})
        for (int s = 24; s >= 0; s -= 8) d.push_back((unsigned char)(v >> s));
    d.insert(d.end(), {8, 6, 0, 0, 0, 0, 0, 0, 0});
    return d;
}

// A bitmap table of PNG headers: the resources a lookup function hands out.
class StandInBitmaps {
public:
    struct Size {
        int id, scale, width, height;
    };
    explicit StandInBitmaps(std::initializer_list<Size> sizes) {
        for (const Size& s : sizes)
            entries.push_back({{s.id, s.scale, s.width, s.height, nullptr, 0}, pngHeader(s.width, s.height)});
        for (Entry& e : entries) {
            e.res.png = e.data.data();
            e.res.size = (unsigned)e.data.size();
        }
    }
    const resources::BitmapResource* find(int id, int scale) const {
        for (const Entry& e : entries)
            if (e.res.id == id && e.res.scale == scale) return &e.res;
        return nullptr;
    }

private:
    struct Entry {
        resources::BitmapResource res;
        std::vector<unsigned char> data;
    };
    std::vector<Entry> entries;
};

// The headless platform on the bitmaps of lookup, loaded at 1x, with the
// clock at ticks milliseconds.
inline void resetHeadless(CBitmap::Lookup lookup, uint32_t ticks) {
    CBitmap::setResourceLookup(lookup);
    CBitmap::setLoadScale(1.0);
    headless::instance().ticks = ticks;
}

// One line per event; "change TAG VALUE" for a control's new value.
struct EventLog {
    std::vector<std::string> events;

    virtual ~EventLog() = default;
    virtual void add(const std::string& e) { events.push_back(e); }
    void changed(CControl* control) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "change %d %.4f", control->getTag(), control->getValue());
        add(buf);
    }
    std::vector<std::string> take() {
        std::vector<std::string> out;
        out.swap(events);
        return out;
    }
};

// An editor without an effect that logs "begin TAG" and "end TAG" and opens
// with a frame of the given class over its whole rectangle.
template <class Frame>
class LoggingEditorOf : public AEffGUIEditor {
public:
    LoggingEditorOf(EventLog& log, int32_t width, int32_t height) : AEffGUIEditor(nullptr), log(log) {
        rect.right = (vst::int16)width;
        rect.bottom = (vst::int16)height;
    }
    void beginEdit(vst::int32 index) override { log.add("begin " + std::to_string(index)); }
    void endEdit(vst::int32 index) override { log.add("end " + std::to_string(index)); }
    bool open(void* ptr) override {
        AEffGUIEditor::open(ptr);
        frame = new Frame(CRect(0, 0, rect.right, rect.bottom), ptr, this);
        return true;
    }
    EventLog& log;
};

// A frame with a headless window inside a made-up parent, on the stand-in
// bitmaps of Lookup, with the clock at a known time. Editor is made from the
// log.
template <class Editor, class Log, class Frame, CBitmap::Lookup Lookup>
class HeadlessEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetHeadless(Lookup, 10000);
        editor = new Editor(log);
        editor->open(&parentToken);
        frame = static_cast<Frame*>(editor->getFrame());
        window = headless::instance().lastWindow;
    }
    void TearDown() override {
        editor->close();
        delete editor;
        CBitmap::setResourceLookup(nullptr);
    }
    void press(CPoint p, int32_t buttons = kLButton) { frame->platformMouseDown(p, buttons); }
    void move(CPoint p, int32_t buttons = kLButton) { frame->platformMouseMoved(p, buttons); }
    void release(CPoint p, int32_t buttons = 0) { frame->platformMouseUp(p, buttons); }
    void later(uint32_t ms) { headless::instance().ticks += ms; }
    vst::VstKeyCode key(uint8_t virt, int32_t character = 0, uint8_t modifier = 0) {
        vst::VstKeyCode k{};
        k.virt = virt;
        k.character = character;
        k.modifier = modifier;
        return k;
    }
    // The images drawn at the next paint, in their order.
    std::vector<headless::DrawOp> imagesAtNextPaint() {
        window->canvas.ops.clear();
        frame->idle();
        std::vector<headless::DrawOp> images;
        for (auto& op : window->canvas.ops)
            if (op.kind == headless::DrawOp::kImage) images.push_back(op);
        return images;
    }
    // Source offsets of the images drawn into a view's rectangle at the next
    // paint, after marking it dirty.
    std::vector<CPoint> drawnSources(CView* view, const platform::Image** image = nullptr) {
        view->setDirty();
        std::vector<CPoint> out;
        for (auto& op : imagesAtNextPaint())
            if (op.rect.rectOverlap(view->getViewSize())) {
                out.push_back(op.from);
                if (image) *image = op.image;
            }
        return out;
    }

    int parentToken = 0;
    Log log;
    Editor* editor = nullptr;
    Frame* frame = nullptr;
    headless::HeadlessWindow* window = nullptr;
};

}  // namespace testsupport
