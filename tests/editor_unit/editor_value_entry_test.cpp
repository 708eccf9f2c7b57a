// The typed-value field and the product frame: one hand-over per editing
// period however the field closes, the press that closes it going on to the
// control under the pointer, and the wheel going where the pointer is.
#include <algorithm>

#include "tests/editor_unit/EditorControlsSupport.h"

namespace editortest {
namespace {

class ValueEntryTest : public EditorControlsTest {
protected:
    void SetUp() override {
        EditorControlsTest::SetUp();
        page = new CViewContainer(CRect(0, 0, 500, 500), frame);
        frame->addView(page);
        Strip s(kKnobStrip);
        knob = new CAnimKnob2(CRect(100, 100, 160, 150), &log, 7, 101, 50, s);
        page->addView(knob);
        field = new CMyTextEdit(CRect(151, 281, 207, 298), &log, 58);
        field->remember();  // the editor keeps it while it is off the page
        log.detachFrom = page;
        log.field = field;
    }
    void TearDown() override {
        EditorControlsTest::TearDown();
        // The window is gone: what is left of the field is the test's (the
        // page's reference stays with the test when the field is taken off).
        for (int32_t n = field->getNbReference(); n > 0; --n) field->forget();
    }
    // What the editor does on a double click.
    void openEntry(int32_t tag, const char* text) {
        if (!page->isChild(field)) page->addView(field);
        field->setText(text);
        field->setTarget(tag);
        frame->setValueEntry(field);
    }
    void type(const char* text) { frame->platformTextInput(text); }
    void hit(uint8_t virt) {
        vst::VstKeyCode k = key(virt);
        frame->platformKeyDown(k);
    }
    // The hand-overs in the log so far (the rest is dropped).
    Events applies() {
        Events out;
        for (const auto& e : log.take())
            if (e.find("apply") != std::string::npos) out.push_back(e);
        return out;
    }
    CViewContainer* page = nullptr;
    CAnimKnob2* knob = nullptr;
    CMyTextEdit* field = nullptr;
};

TEST_F(ValueEntryTest, EnterHandsTheTypedTextOnce) {
    openEntry(5, "40.0");
    EXPECT_TRUE(field->isEditing());
    EXPECT_EQ(field->getTarget(), 5);
    EXPECT_EQ(frame->getFocusView(), field);
    EXPECT_TRUE(window->keyboardFocus);
    EXPECT_EQ(log.take(), (Events{"begin 58"}));
    type("12.5");  // replaces the selected text
    hit(VKEY_RETURN);
    Events e = log.take();
    EXPECT_EQ(std::count(e.begin(), e.end(), "apply 5 12.5"), 1);
    // The gesture the field opened is closed before the text is handed over.
    auto end = std::find(e.begin(), e.end(), "end 58");
    auto apply = std::find(e.begin(), e.end(), "apply 5 12.5");
    EXPECT_LT(end, apply);
    EXPECT_FALSE(field->isEditing());
    EXPECT_EQ(field->getTarget(), -1);
    EXPECT_FALSE(window->keyboardFocus);
    EXPECT_FALSE(page->isChild(field));

    // Nothing closes it a second time: a click, the focus going, Enter.
    press(CPoint(400, 400));
    frame->platformFocusLost();
    hit(VKEY_RETURN);
    EXPECT_TRUE(applies().empty());
}

TEST_F(ValueEntryTest, ClickOnAKnobAppliesFirstThenStartsTheKnobsPress) {
    editor->setKnobMode(kLinearMode);
    knob->setValue(0.25f);
    openEntry(7, "0.5");
    type("0.9");
    log.take();
    press(CPoint(130, 125));
    Events e = log.take();
    auto apply = std::find(e.begin(), e.end(), "apply 7 0.9");
    auto knobFirst = std::find(e.begin(), e.end(), "change 7 0.2500");
    ASSERT_NE(apply, e.end());
    ASSERT_NE(knobFirst, e.end());
    EXPECT_LT(apply, knobFirst);
    EXPECT_EQ(std::count(e.begin(), e.end(), "begin 7"), 1);
    EXPECT_EQ(frame->getMouseCapture(), knob);
    EXPECT_EQ(frame->getValueEntry(), nullptr);
    move(CPoint(130, 95));
    release(CPoint(130, 95));
    EXPECT_NEAR(knob->getValue(), 0.35f, 1e-5);
    EXPECT_TRUE(applies().empty());
}

TEST_F(ValueEntryTest, FocusLossAndEscapeEachCloseOnce) {
    openEntry(9, "3.0");
    type("4.5");
    frame->platformFocusLost();
    EXPECT_EQ(applies(), (Events{"apply 9 4.5"}));
    press(CPoint(400, 400));
    EXPECT_TRUE(applies().empty());

    // Escape drops the typing; the period still ends with the text it had.
    openEntry(6, "33.0");
    type("99");
    hit(VKEY_ESCAPE);
    EXPECT_EQ(applies(), (Events{"apply 6 33.0"}));
    frame->platformFocusLost();
    press(CPoint(400, 400));
    EXPECT_TRUE(applies().empty());

    // A new period after a closed one hands over again.
    openEntry(8, "1.0");
    hit(VKEY_ENTER);
    EXPECT_EQ(applies(), (Events{"apply 8 1.0"}));
}

TEST_F(ValueEntryTest, LongTextIsCutAtTheFieldsLimit) {
    std::string longText(400, '7');
    openEntry(7, longText.c_str());
    type(std::string(300, '8').c_str());
    hit(VKEY_RETURN);
    Events a = applies();
    ASSERT_EQ(a.size(), 1u);
    EXPECT_EQ(a[0], "apply 7 " + std::string(255, '8'));
}

TEST_F(ValueEntryTest, LeavingTheWindowEndsThePeriodWithoutHandingOver) {
    openEntry(7, "2.0");
    type("5");
    page->removeView(field, false);
    EXPECT_FALSE(field->isEditing());
    EXPECT_EQ(field->getTarget(), -1);
    EXPECT_FALSE(window->keyboardFocus);
    EXPECT_EQ(frame->getValueEntry(), nullptr);
    EXPECT_EQ(frame->getFocusView(), nullptr);
    press(CPoint(400, 400));
    frame->platformFocusLost();
    EXPECT_TRUE(applies().empty());

    // The same when its page is taken off the frame.
    openEntry(7, "2.0");
    frame->removeView(page, false);
    EXPECT_FALSE(field->isEditing());
    EXPECT_EQ(frame->getValueEntry(), nullptr);
    EXPECT_TRUE(applies().empty());
    frame->addView(page);
}

TEST_F(ValueEntryTest, ClosingTheWindowWhileEditingCallsNoOne) {
    openEntry(7, "2.0");
    type("6.5");
    log.take();
    log.alive = false;
    editor->close();
    EXPECT_EQ(log.take(), Events{});
    EXPECT_FALSE(field->isEditing());
    EXPECT_EQ(field->getFrame(), nullptr);
}

TEST_F(ValueEntryTest, ClosingTheWindowAfterEnterHandsOverNoMore) {
    openEntry(7, "2.0");
    hit(VKEY_RETURN);
    page->addView(field);  // an editor that leaves it on the page
    frame->setValueEntry(field);
    EXPECT_EQ(applies(), (Events{"apply 7 2.0"}));
    log.detachFrom = nullptr;
    editor->close();
    EXPECT_TRUE(applies().empty());
}

TEST_F(EditorControlsTest, ClosingTheWindowAfterTheListenerIsGone) {
    // The editor part of the listener may be destroyed before its frame.
    auto* dying = new ProductListener;
    auto* field = new CMyTextEdit(CRect(151, 281, 207, 298), dying, 58);
    frame->addView(field);
    field->setText("1.0");
    field->setTarget(7);
    frame->setValueEntry(field);
    delete dying;
    editor->close();  // under the sanitizers a call into it is an error
    EXPECT_EQ(editor->getFrame(), nullptr);
}

TEST_F(EditorControlsTest, WheelGoesToTheViewUnderThePointer) {
    editor->setKnobMode(kLinearMode);
    Strip s(kKnobStrip);
    auto* a = new CAnimKnob2(CRect(100, 100, 160, 150), &log, 5, 101, 50, s);
    auto* b = new CAnimKnob2(CRect(200, 100, 260, 150), &log, 6, 101, 50, s);
    frame->addView(a);
    frame->addView(b);
    a->setValue(0.5f);
    b->setValue(0.5f);
    press(CPoint(130, 125));  // a has the focus now
    release(CPoint(130, 125));
    ASSERT_EQ(frame->getFocusView(), a);
    log.take();

    window->pointer = CPoint(230, 125);  // the pointer is over b
    EXPECT_TRUE(frame->onWheel(nullptr, CPoint(130, 125), 1.0f));
    EXPECT_NEAR(b->getValue(), 0.6f, 1e-5);
    EXPECT_NEAR(a->getValue(), 0.5f, 1e-6);
    EXPECT_EQ(log.take(), (Events{"begin 6", "change 6 0.6000", "end 6"}));
    frame->platformWheel(CPoint(130, 125), -2.0f, 0);  // an event brings its own position
    EXPECT_NEAR(a->getValue(), 0.3f, 1e-5);
    window->pointer = CPoint(10, 10);  // over nothing
    EXPECT_FALSE(frame->onWheel(nullptr, CPoint(230, 125), 1.0f));
    EXPECT_NEAR(b->getValue(), 0.6f, 1e-5);
}

}  // namespace
}  // namespace editortest
