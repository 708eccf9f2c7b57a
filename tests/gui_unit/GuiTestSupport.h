// Shared pieces of the toolkit tests on the headless platform: a listener and
// editor that log what controls report, stand-in bitmaps, and a frame with a
// recording window.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "gui/AEffGUIEditor.h"
#include "gui/CControls.h"
#include "gui/CFrame.h"
#include "gui/headless/HeadlessPlatform.h"
#include "resources/BitmapResources.h"

namespace guitest {

using namespace VSTGUI;

// One line per event: "change TAG VALUE", "begin TAG", "end TAG".
struct EventLog : CControlListener {
    std::vector<std::string> events;
    int32_t claimModifiers = 0;

    void valueChanged(CDrawContext*, CControl* control) override {
        char buf[64];
        std::snprintf(buf, sizeof buf, "change %d %.4f", control->getTag(), control->getValue());
        events.push_back(buf);
    }
    int32_t controlModifierClicked(CDrawContext*, CControl* control, int32_t buttons) override {
        events.push_back("modifier " + std::to_string(control->getTag()) + " " + std::to_string(buttons));
        return claimModifiers;
    }
    void add(const std::string& e) { events.push_back(e); }
    std::vector<std::string> take() {
        std::vector<std::string> out;
        out.swap(events);
        return out;
    }
};

// An editor without an effect that logs the edit gestures into the log.
class LoggingEditor : public AEffGUIEditor {
public:
    explicit LoggingEditor(EventLog& log) : AEffGUIEditor(nullptr), log(log) {
        rect.right = 400;
        rect.bottom = 300;
    }
    void beginEdit(vst::int32 index) override { log.add("begin " + std::to_string(index)); }
    void endEdit(vst::int32 index) override { log.add("end " + std::to_string(index)); }
    void idle() override {
        ++idleCount;
        AEffGUIEditor::idle();
    }
    // Opens with a frame of the whole rectangle.
    bool open(void* ptr) override {
        AEffGUIEditor::open(ptr);
        frame = new CFrame(CRect(0, 0, rect.right, rect.bottom), ptr, this);
        return true;
    }
    void setFrameForTest(CFrame* f) { frame = f; }
    EventLog& log;
    int idleCount = 0;
};

// Stand-in bitmap table: PNG headers of the given sizes (the headless
// platform reads only the size). Id 100 exists at 1x and 2x, 101 only at 1x.
inline std::vector<unsigned char> pngHeader(int w, int h) {
    std::vector<unsigned char> d = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13,
                                    'I', 'H', 'D', 'R'};
    for (int v : {w, h})
        for (int s = 24; s >= 0; s -= 8) d.push_back((unsigned char)(v >> s));
    d.insert(d.end(), {8, 6, 0, 0, 0, 0, 0, 0, 0});
    return d;
}

inline const resources::BitmapResource* standInBitmaps(int id, int scale) {
    struct Entry {
        resources::BitmapResource res;
        std::vector<unsigned char> data;
    };
    static std::vector<Entry>* table = [] {
        auto* t = new std::vector<Entry>;
        auto add = [&](int id, int scale, int w, int h) {
            t->push_back({{id, scale, w, h, nullptr, 0}, pngHeader(w, h)});
        };
        add(100, 1, 40, 80);
        add(100, 2, 80, 160);
        add(101, 1, 30, 300);  // a film strip of 10 frames of 30 x 30
        add(102, 1, 20, 60);   // three frames of 20 x 20
        for (auto& e : *t) {
            e.res.png = e.data.data();
            e.res.size = (unsigned)e.data.size();
        }
        return t;
    }();
    for (auto& e : *table)
        if (e.res.id == id && e.res.scale == scale) return &e.res;
    return nullptr;
}

// A frame with a headless window inside a made-up parent, on the stand-in
// bitmaps, with the clock at a known time.
class ToolkitTest : public ::testing::Test {
protected:
    void SetUp() override {
        CBitmap::setResourceLookup(&standInBitmaps);
        CBitmap::setLoadScale(1.0);
        headless::instance().ticks = 10000;
        editor = new LoggingEditor(log);
        editor->open(&parentToken);
        frame = editor->getFrame();
        window = headless::instance().lastWindow;
    }
    void TearDown() override {
        editor->close();
        delete editor;
        CBitmap::setResourceLookup(nullptr);
        AEffGUIEditor* none = nullptr;
        (void)none;
    }
    void press(CPoint p, int32_t buttons = kLButton) { frame->platformMouseDown(p, buttons); }
    void move(CPoint p, int32_t buttons = kLButton) { frame->platformMouseMoved(p, buttons); }
    void release(CPoint p, int32_t buttons = 0) { frame->platformMouseUp(p, buttons); }
    vst::VstKeyCode key(uint8_t virt, int32_t character = 0, uint8_t modifier = 0) {
        vst::VstKeyCode k{};
        k.virt = virt;
        k.character = character;
        k.modifier = modifier;
        return k;
    }

    int parentToken = 0;
    EventLog log;
    LoggingEditor* editor = nullptr;
    CFrame* frame = nullptr;
    headless::HeadlessWindow* window = nullptr;
};

}  // namespace guitest
