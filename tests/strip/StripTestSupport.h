// Test support for the preset strip: a scripted dialog layer in place of the
// platform's, an editor that builds the strip into a frame on the headless
// platform, and a fixture with the edition's real effect and a private
// settings store.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "effect/Emberline.h"
#include "gui/CFrame.h"
#include "gui/COptionMenu.h"
#include "gui/CParamDisplay.h"
#include "gui/headless/HeadlessPlatform.h"
#include "presets/CPresetSystemEditor.h"
#include "presets/FileDialogs.h"
#include "presets/PresetStripControls.h"
#include "tests/support/PrivateConfig.h"

namespace striptest {

using namespace VSTGUI;

// What the scripted dialogs were asked and what they answer.
struct DialogScript {
    std::vector<presets::FileDialogRequest> requests;
    std::vector<std::string> errors;
    std::string answer;        // the chosen path
    bool cancel = false;       // the user cancels instead
    int pollsWhileOpen = 0;    // polls that find the dialog still open
    int abandoned = 0;
};

class ScriptedDialogs : public presets::CFileDialogs {
public:
    explicit ScriptedDialogs(DialogScript& script) : script(script) {}
    bool open(const presets::FileDialogRequest& request) override {
        if (isOpen) ADD_FAILURE() << "a second dialog while one is open";
        script.requests.push_back(request);
        isOpen = true;
        remaining = script.pollsWhileOpen;
        return true;
    }
    presets::DialogStatus poll(std::string& path) override {
        if (!isOpen) return presets::DialogStatus::Cancelled;
        if (remaining > 0) {
            --remaining;
            return presets::DialogStatus::Running;
        }
        isOpen = false;
        if (script.cancel) return presets::DialogStatus::Cancelled;
        path = script.answer;
        return presets::DialogStatus::Chosen;
    }
    void abandon() override {
        if (isOpen) ++script.abandoned;
        isOpen = false;
    }
    void showError(const char* text) override { script.errors.push_back(text ? text : "<null>"); }

private:
    DialogScript& script;
    bool isOpen = false;
    int remaining = 0;
};

// The strip in a 450 x 460 window, opened, idled and closed the way the
// product editor does it.
class StripEditor : public CPresetSystemEditor {
public:
    StripEditor(AudioEffect* fx, DialogScript& script) : CPresetSystemEditor(fx), script(script) {
        rect.top = 0;
        rect.left = 0;
        rect.bottom = 460;
        rect.right = 450;
    }
    bool open(void* ptr) override {
        AEffGUIEditor::open(ptr);
        frame = new CFrame(CRect(0, 0, rect.right, rect.bottom), ptr, this);
        openPresetStrip();
        return true;
    }
    void close() override {
        closePresetStrip();
        AEffGUIEditor::close();
    }
    void idle() override {
        AEffGUIEditor::idle();
        updatePresetHover();
    }
    void valueChanged(CDrawContext* context, CControl* control) override {
        ++changes[control->getTag()];
        CPresetSystemEditor::valueChanged(context, control);
    }

    CTextEdit* name() const { return nameField; }
    COptionMenu* menu() const { return programMenu; }
    CPSRockerSwitch* rocker() const { return stepRocker; }
    // save bank, load bank, save preset, load preset
    CSaveLoadButton* file(int i) const { return fileButtons[i]; }
    // store A, recall A, store B, recall B
    CPSOnOffButton* memo(int i) const { return memoButtons[i]; }

    std::map<int, int> changes;

protected:
    std::unique_ptr<presets::CFileDialogs> createFileDialogs() override {
        return std::make_unique<ScriptedDialogs>(script);
    }

private:
    DialogScript& script;
};

struct HostLog {
    static std::vector<vst::int32>& opcodes() {
        static std::vector<vst::int32> log;
        return log;
    }
    static vst::intptr callback(vst::AEffect*, vst::int32 opcode, vst::int32 index, vst::intptr, void*, float) {
        opcodes().push_back(opcode);
        if (opcode == vst::audioMasterEndEdit) endEdits().push_back(index);
        return opcode == vst::audioMasterVersion ? 2400 : 0;
    }
    static std::vector<vst::int32>& endEdits() {
        static std::vector<vst::int32> log;
        return log;
    }
    static int count(vst::int32 opcode) {
        int n = 0;
        for (vst::int32 o : opcodes()) n += o == opcode;
        return n;
    }
};

inline std::string programName(CPresetSystemEffect& fx, int p) {
    char name[32] = {};
    fx.getProgramObject(p)->getName(name);
    return name;
}

inline std::string menuEntry(COptionMenu* menu, int index) {
    char text[256] = {};
    menu->getEntry(index, text);
    return text;
}

class StripTest : public ::testing::Test {
protected:
    void SetUp() override {
        headless::instance().ticks = 10000;
        HostLog::opcodes().clear();
        HostLog::endEdits().clear();
        fx = std::make_unique<Emberline>(&HostLog::callback);
        CPresetSystemEditor* standIn = fx->presetEditor();
        editor = new StripEditor(fx.get(), script);
        fx->setEditor(editor);
        delete standIn;
        editor->open(&parentToken);
        frame = editor->getFrame();
        window = headless::instance().lastWindow;
        dir = config.path() + "/files";
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        editor->close();
        fx.reset();
    }

    // A press and release with the left button, the pointer following.
    void click(CPoint p) {
        window->pointer = p;
        frame->platformMouseDown(p, kLButton);
        frame->platformMouseUp(p, 0);
    }
    // Program p chosen in the list (entry 1 is the separator).
    void selectFromList(int p) { editor->menu()->choose(p == 0 ? 0 : p + 1); }
    void hover(CPoint p) {
        window->pointer = p;
        editor->idle();
    }
    static CPoint centre(CView* view) {
        const CRect& r = view->getViewSize();
        return CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    void typeName(const std::string& text) {
        click(centre(editor->name()));
        ASSERT_TRUE(editor->name()->isEditing());
        frame->platformTextInput(text.c_str());
        vst::VstKeyCode enter{};
        enter.virt = VKEY_RETURN;
        frame->platformKeyDown(enter);
    }
    // Clicks a file button and lets idle calls run until the dialog is closed.
    void fileAction(int button, const std::string& answer) {
        script.answer = answer;
        click(centre(editor->file(button)));
        for (int i = 0; i < 10 && editor->isFileDialogOpen(); ++i) editor->idle();
    }
    // The controls along the bottom edge, left to right: where the pointer finds
    // each, and its tag in the second edition (the first edition's are 8 higher).
    struct StripHit {
        int x;
        vst::int32 tag;
    };
    static constexpr StripHit kStripHits[] = {{26, 62},  {76, 61},  {97, 64},  {156, 63}, {230, 59}, {298, 65},
                                              {320, 60}, {358, 68}, {380, 66}, {401, 69}, {423, 67}};
    // Every control is found at height y where the pointer hits it, with its tag
    // (plus tagOffset).
    void expectControlTags(int y, vst::int32 tagOffset) {
        for (const StripHit& h : kStripHits) {
            auto* control = dynamic_cast<CControl*>(frame->getViewAt(CPoint(h.x, y)));
            ASSERT_NE(control, nullptr) << h.x << "," << y;
            EXPECT_EQ(control->getTag(), h.tag + tagOffset) << h.x << "," << y;
        }
    }
    std::string path(const std::string& name) const { return dir + "/" + name; }
    static std::vector<unsigned char> readBytes(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
    }

    testing_support::PrivateConfig config;  // before the effect: it reads the settings
    DialogScript script;
    std::unique_ptr<Emberline> fx;
    StripEditor* editor = nullptr;
    CFrame* frame = nullptr;
    headless::HeadlessWindow* window = nullptr;
    std::string dir;
    int parentToken = 0;
};

enum { kSaveBank = 0, kLoadBank = 1, kSavePreset = 2, kLoadPreset = 3 };
enum { kStoreA = 0, kRecallA = 1, kStoreB = 2, kRecallB = 3 };

}  // namespace striptest
