// The editor base: open and close in any order, idle, the idle hook's timing,
// the scale factor and what the host hears about it.
#include <cstdlib>

#include "tests/gui_unit/GuiTestSupport.h"

namespace guitest {
namespace {

std::vector<vst::int32>* gHostOpcodes = nullptr;
std::vector<vst::intptr>* gHostValues = nullptr;

vst::intptr hostCallback(vst::AEffect*, vst::int32 opcode, vst::int32 index, vst::intptr value, void*, float) {
    if (opcode == vst::audioMasterVersion) return 2400;
    if (gHostOpcodes) gHostOpcodes->push_back(opcode);
    if (gHostValues && opcode == vst::audioMasterSizeWindow) {
        gHostValues->push_back(index);
        gHostValues->push_back(value);
    }
    return 1;
}

class CountingEditor : public AEffGUIEditor {
public:
    explicit CountingEditor(AudioEffect* effect) : AEffGUIEditor(effect) {
        rect.right = 450;
        rect.bottom = 460;
    }
    bool open(void* ptr) override {
        AEffGUIEditor::open(ptr);
        frame = new CFrame(CRect(0, 0, 450, 460), ptr, this);
        ++opens;
        return true;
    }
    void idle() override {
        ++idles;
        AEffGUIEditor::idle();
    }
    int opens = 0, idles = 0;
};

struct EditorFixture : ::testing::Test {
    void SetUp() override {
        unsetenv("EMBERLINE_UI_SCALE");
        gHostOpcodes = &opcodes;
        gHostValues = &values;
        effect = new AudioEffectX(&hostCallback, 1, 1);
        editor = new CountingEditor(effect);
        headless::instance().ticks = 50000;
    }
    void TearDown() override {
        editor->close();
        delete editor;
        delete effect;
        gHostOpcodes = nullptr;
        gHostValues = nullptr;
        unsetenv("EMBERLINE_UI_SCALE");
    }
    std::vector<vst::int32> opcodes;
    std::vector<vst::intptr> values;
    AudioEffectX* effect = nullptr;
    CountingEditor* editor = nullptr;
    int parent = 0;
};

TEST_F(EditorFixture, OpenCloseInAnyOrderAndIdleWithoutAWindow) {
    editor->idle();  // nothing open: nothing happens
    editor->close();
    EXPECT_FALSE(editor->isOpen());
    editor->open(&parent);
    VSTGUI::CFrame* first = editor->getFrame();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(editor->isOpen());
    editor->open(&parent);  // again without a close: the old frame goes first
    EXPECT_NE(editor->getFrame(), nullptr);
    EXPECT_EQ(editor->opens, 2);
    editor->idle();
    editor->close();
    editor->close();
    EXPECT_EQ(editor->getFrame(), nullptr);
    EXPECT_FALSE(editor->isOpen());
    editor->idle();
}

TEST_F(EditorFixture, IdleHookRunsTheEditorAtMostEvery46Milliseconds) {
    editor->open(&parent);
    auto& ticks = headless::instance().ticks;
    int before = editor->idles;
    opcodes.clear();
    editor->doIdleStuff();  // right after open: too early
    EXPECT_EQ(editor->idles, before);
    ticks += 45;
    editor->doIdleStuff();
    EXPECT_EQ(editor->idles, before);
    ticks += 1;  // 46 ms after the last run
    editor->doIdleStuff();
    EXPECT_EQ(editor->idles, before + 1);
    EXPECT_EQ(opcodes, std::vector<vst::int32>{vst::audioMasterIdle});
    ticks += 30;
    editor->doIdleStuff();
    EXPECT_EQ(editor->idles, before + 1);
    ticks += 16;
    editor->doIdleStuff();
    EXPECT_EQ(editor->idles, before + 2);
}

TEST_F(EditorFixture, ScaleFromTheHostGrowsTheWindowAndTellsTheHost) {
    vst::ERect* r = nullptr;
    ASSERT_TRUE(editor->getRect(&r));
    EXPECT_EQ(r->right, 450);
    EXPECT_EQ(r->bottom, 460);
    // Before opening: only the rectangle changes.
    EXPECT_EQ(editor->vendorSpecific(vst::fourCC('P', 'r', 'e', 'S'), vst::fourCC('A', 'e', 'C', 's'), nullptr, 2.0f), 1);
    editor->getRect(&r);
    EXPECT_EQ(r->right, 900);
    EXPECT_EQ(r->bottom, 920);
    EXPECT_TRUE(values.empty());
    EXPECT_EQ(editor->vendorSpecific(vst::fourCC('P', 'r', 'e', 'S'), 0, nullptr, 3.0f), 0);
    EXPECT_EQ(editor->getScaleFactor(), 2.0);

    editor->open(&parent);
    EXPECT_EQ(editor->getFrame()->getScale(), 2.0);
    EXPECT_EQ(VSTGUI::CBitmap::getLoadScale(), 2.0);
    editor->setScaleFactor(1.5);
    EXPECT_EQ(editor->getFrame()->getScale(), 1.5);
    EXPECT_EQ(values, (std::vector<vst::intptr>{675, 690}));
    // Nonsense is limited.
    editor->setScaleFactor(0.0);
    EXPECT_EQ(editor->getScaleFactor(), 1.0);
    editor->setScaleFactor(100.0);
    EXPECT_EQ(editor->getScaleFactor(), 4.0);

    // The environment wins over the host.
    setenv("EMBERLINE_UI_SCALE", "2", 1);
    editor->setScaleFactor(1.0);
    EXPECT_EQ(editor->getScaleFactor(), 2.0);
    editor->getRect(&r);
    EXPECT_EQ(r->right, 900);
    VSTGUI::CBitmap::setLoadScale(1.0);
}

TEST_F(EditorFixture, KeysAndKnobModeReachTheFrame) {
    editor->open(&parent);
    EXPECT_TRUE(editor->setKnobMode(VSTGUI::kLinearMode));
    EXPECT_EQ(editor->getFrame()->getKnobMode(), VSTGUI::kLinearMode);
    editor->setKnobMode(VSTGUI::kCircularMode);
    vst::VstKeyCode k{};
    k.virt = VSTGUI::VKEY_UP;
    EXPECT_FALSE(editor->onKeyDown(k));  // no view has the focus
    EventLog log;
    auto* knob = new VSTGUI::CKnob(VSTGUI::CRect(0, 0, 40, 40), &log, 0, nullptr, nullptr);
    editor->getFrame()->addView(knob);
    editor->getFrame()->setFocusView(knob);
    EXPECT_TRUE(editor->onKeyDown(k));
    EXPECT_NEAR(knob->getValue(), 0.1f, 1e-6);
    // The edit gesture went to the host through the effect.
    EXPECT_NE(std::find(opcodes.begin(), opcodes.end(), vst::audioMasterBeginEdit), opcodes.end());
    EXPECT_NE(std::find(opcodes.begin(), opcodes.end(), vst::audioMasterEndEdit), opcodes.end());
}

}  // namespace
}  // namespace guitest
