// The product editor on the headless platform, its effect talking to a host
// that records what it is told.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "editor/EmberlineEditor.h"
#include "gui/headless/HeadlessPlatform.h"
#include "tests/support/EmberlineTestAccess.h"

namespace editortest {

using namespace VSTGUI;
using namespace edition;
using editorlayout::tagOf;

struct HostCall {
    vst::int32 opcode, index;
    float opt;
};

inline std::vector<HostCall>& hostCalls() {
    static std::vector<HostCall> calls;
    return calls;
}

inline vst::intptr recordingHost(vst::AEffect*, vst::int32 opcode, vst::int32 index, vst::intptr, void*, float opt) {
    if (opcode == vst::audioMasterBeginEdit || opcode == vst::audioMasterEndEdit ||
        opcode == vst::audioMasterAutomate)
        hostCalls().push_back({opcode, index, opt});
    if (opcode == vst::audioMasterVersion) return 2400;
    return 0;
}

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        CBitmap::setResourceLookup(nullptr);
        CBitmap::setLoadScale(1.0);
        headless::instance().ticks = 100000;
        effect = std::make_unique<Emberline>(&recordingHost);
        editor = dynamic_cast<EmberlineEditor*>(effect->presetEditor());
        ASSERT_NE(editor, nullptr);
        openEditor();
    }
    void TearDown() override {
        if (editor) editor->close();
        effect.reset();
    }
    void openEditor() {
        ASSERT_TRUE(editor->open(&parentToken));
        frame = editor->getFrame();
        window = headless::instance().lastWindow;
        ASSERT_NE(frame, nullptr);
        ASSERT_NE(window, nullptr);
        hostCalls().clear();
    }
    // A press and release at a window point, well after the previous one.
    void click(int x, int y, int32_t buttons = kLButton) {
        press(x, y, buttons);
        release(x, y);
        headless::instance().ticks += 1000;
    }
    void press(int x, int y, int32_t buttons = kLButton) {
        window->pointer = CPoint(x, y);
        window->buttons = buttons;
        frame->platformMouseDown(CPoint(x, y), buttons);
    }
    void drag(int x, int y, int32_t buttons = kLButton) {
        window->pointer = CPoint(x, y);
        window->buttons = buttons;
        frame->platformMouseMoved(CPoint(x, y), buttons);
    }
    void release(int x, int y) {
        window->pointer = CPoint(x, y);
        window->buttons = 0;
        frame->platformMouseUp(CPoint(x, y), 0);
    }
    void pointAt(int x, int y) { window->pointer = CPoint(x, y); }
    void idle(int times = 1) {
        for (int i = 0; i < times; ++i) editor->idle();
    }
    float param(int logical) { return effect->getParameter(tagOf(logical)); }
    void setParam(int logical, float v) { effect->setParameter(tagOf(logical), v); }

    // "begin I", "end I", "set I V" for what the host heard since the last call.
    std::vector<std::string> hostEdits() {
        std::vector<std::string> out;
        for (const HostCall& c : hostCalls()) {
            char buf[64];
            if (c.opcode == vst::audioMasterBeginEdit)
                std::snprintf(buf, sizeof buf, "begin %d", c.index);
            else if (c.opcode == vst::audioMasterEndEdit)
                std::snprintf(buf, sizeof buf, "end %d", c.index);
            else
                std::snprintf(buf, sizeof buf, "set %d %.4f", c.index, c.opt);
            out.push_back(buf);
        }
        hostCalls().clear();
        return out;
    }
    static std::string edit(const char* what, int index) { return std::string(what) + " " + std::to_string(index); }
    static std::string set(int index, float v) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "set %d %.4f", index, v);
        return buf;
    }
    // The centre of a control, in window coordinates.
    static CPoint centre(const CControl* c) {
        const CRect& r = c->getViewSize();
        return CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    std::vector<int32_t> readoutCells() {
        int32_t cells[6];
        editor->getReadout()->glyphCells(cells);
        return std::vector<int32_t>(cells, cells + 6);
    }

    int parentToken = 0;
    std::unique_ptr<Emberline> effect;
    EmberlineEditor* editor = nullptr;
    CFrame* frame = nullptr;
    headless::HeadlessWindow* window = nullptr;
};

}  // namespace editortest
