// The text field and the drop-down list, edited and chosen through the frame.
#include <cstring>

#include "gui/COptionMenu.h"
#include "gui/CParamDisplay.h"
#include "tests/gui_unit/GuiTestSupport.h"

namespace guitest {
namespace {

using Events = std::vector<std::string>;

std::string shown(CTextEdit* edit) {
    char buf[256];
    edit->getText(buf);
    return buf;
}

TEST_F(ToolkitTest, TextFieldEditsWithSelectionCaretAndEnds) {
    auto* edit = new CTextEdit(CRect(10, 10, 110, 30), &log, 59, "Init");
    auto* other = new CKnob(CRect(200, 10, 240, 50), &log, 1, nullptr, nullptr);
    frame->addView(edit);
    frame->addView(other);
    press(CPoint(20, 20));
    ASSERT_TRUE(edit->isEditing());
    EXPECT_TRUE(window->keyboardFocus);
    EXPECT_EQ(frame->getFocusView(), edit);
    EXPECT_EQ(edit->selectionStart(), 0);
    EXPECT_EQ(edit->selectionEnd(), 4);
    // Typing replaces the selected text; keys move and delete by character.
    EXPECT_TRUE(frame->platformTextInput("Bässe"));
    EXPECT_EQ(edit->editText(), "Bässe");
    vst::VstKeyCode back = key(VKEY_BACK), left = key(VKEY_LEFT), home = key(VKEY_HOME);
    frame->platformKeyDown(back);
    frame->platformKeyDown(left);
    frame->platformKeyDown(left);
    frame->platformKeyDown(back);  // removes the two-byte character
    EXPECT_EQ(edit->editText(), "Bss");
    frame->platformKeyDown(home);
    vst::VstKeyCode x = key(0, 'X');
    frame->platformKeyDown(x);  // characters through the host's key calls
    EXPECT_EQ(edit->editText(), "XBss");
    EXPECT_EQ(shown(edit), "Init");  // not yet taken over
    EXPECT_TRUE(log.take().empty());
    vst::VstKeyCode enter = key(VKEY_RETURN);
    EXPECT_TRUE(frame->platformKeyDown(enter));
    EXPECT_FALSE(edit->isEditing());
    EXPECT_FALSE(window->keyboardFocus);
    EXPECT_EQ(frame->getFocusView(), nullptr);
    EXPECT_EQ(shown(edit), "XBss");
    EXPECT_EQ(log.take(), (Events{"change 59 0.0000"}));

    // A click elsewhere ends the field and reaches the view under it.
    press(CPoint(20, 20));
    frame->platformTextInput("Lead");
    press(CPoint(220, 30), kLButton);
    EXPECT_FALSE(edit->isEditing());
    EXPECT_EQ(shown(edit), "Lead");
    EXPECT_EQ(log.take(), (Events{"change 59 0.0000", "begin 1"}));
    release(CPoint(220, 30));
    log.take();

    // Escape leaves the text as it was; losing the keyboard ends the edit and
    // keeps what was typed.
    press(CPoint(20, 20));
    frame->platformTextInput("Gone");
    vst::VstKeyCode escape = key(VKEY_ESCAPE);
    frame->platformKeyDown(escape);
    EXPECT_EQ(shown(edit), "Lead");
    EXPECT_TRUE(log.take().empty());
    press(CPoint(20, 20));
    frame->platformTextInput("Kept");
    frame->platformFocusLost();
    EXPECT_EQ(shown(edit), "Kept");
    EXPECT_EQ(log.take(), (Events{"change 59 0.0000"}));
}

TEST_F(ToolkitTest, TextFieldHoldsAtMost255BytesWithoutSplittingACharacter) {
    auto* edit = new CTextEdit(CRect(0, 0, 100, 20), &log, 3, nullptr);
    frame->addView(edit);
    edit->setText(std::string(300, 'a').c_str());
    EXPECT_EQ(shown(edit).size(), 255u);
    press(CPoint(5, 5));
    frame->platformTextInput(std::string(254, 'b').c_str());
    frame->platformTextInput("é");  // two bytes do not fit in the last one
    EXPECT_EQ(edit->editText().size(), 254u);
    frame->platformTextInput("c\x01\n");  // control characters are dropped
    EXPECT_EQ(edit->editText().size(), 255u);
    EXPECT_EQ(edit->editText().back(), 'c');
    vst::VstKeyCode enter = key(VKEY_ENTER);
    frame->platformKeyDown(enter);
    EXPECT_EQ(shown(edit).size(), 255u);
}

TEST(ToolkitMenu, EntriesNumberingSeparatorsAndLimits) {
    COptionMenu menu(CRect(0, 0, 10, 10), nullptr, 65);
    EXPECT_TRUE(menu.addEntry("Working"));
    EXPECT_TRUE(menu.addEntry("-"));
    EXPECT_TRUE(menu.addEntry("First"));
    EXPECT_TRUE(menu.addEntry(std::string(300, 'n').c_str()));
    char text[256];
    EXPECT_TRUE(menu.getEntry(3, text));
    EXPECT_EQ(std::strlen(text), 255u);
    EXPECT_FALSE(menu.getEntry(4, text));

    EXPECT_TRUE(menu.setCurrent(1, false));  // counted without the separator: "First"
    EXPECT_EQ(menu.getCurrent(), 2);
    EXPECT_EQ(menu.getCurrent(text, false), 1);
    EXPECT_STREQ(text, "First");
    EXPECT_TRUE(menu.isCheckEntry(2));
    EXPECT_FALSE(menu.isCheckEntry(0));

    EXPECT_EQ(menu.displayText(2), "First");
    menu.setPrefixNumbers(2);
    EXPECT_EQ(menu.displayText(0), "1 Working");
    EXPECT_EQ(menu.displayText(2), "2 First");
    EXPECT_EQ(menu.displayText(1), "-");
    menu.setPrefixNumbers(3);
    EXPECT_EQ(menu.displayText(2), "02 First");
    menu.setPrefixNumbers(4);
    EXPECT_EQ(menu.displayText(2), "002 First");
    // Sub-menu entries are stored with the prefix of their style.
    COptionMenu sub(CRect(0, 0, 10, 10), nullptr, 0);
    menu.setPrefixNumbers(3);
    menu.addEntry(&sub, "More");
    menu.getEntry(4, text);
    EXPECT_STREQ(text, "-M04 More");
    menu.setPrefixNumbers(0);
    menu.addEntry(&sub, "Other");
    menu.getEntry(5, text);
    EXPECT_STREQ(text, "-MOther");
    EXPECT_TRUE(menu.isSubMenu(5));

    menu.removeAllEntry();
    for (int i = 0; i < COptionMenu::kMaxEntries; ++i) ASSERT_TRUE(menu.addEntry("x"));
    EXPECT_FALSE(menu.addEntry("one too many"));
    EXPECT_EQ(menu.getNbEntries(), 1024);
}

TEST_F(ToolkitTest, DropDownListChoosesWithMouseAndKeysAndClosesOutside) {
    auto* menu = new COptionMenu(CRect(50, 20, 60, 30), &log, 65);
    for (const char* t : {"Zero", "-", "Two", "Three", "Four", "Five"}) menu->addEntry(t);
    menu->setNbItemsPerColumn(3);
    menu->setCurrent(0);
    frame->addView(menu);

    press(CPoint(55, 25));
    COptionMenuPopup* popup = menu->getPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(frame->getModalView(), popup);
    EXPECT_TRUE(window->keyboardFocus);
    EXPECT_EQ(popup->getColumns(), 2);
    EXPECT_EQ(popup->getRows(), 3);
    EXPECT_EQ(popup->getViewSize().top, 30);  // below the menu
    release(CPoint(55, 25));  // the release of the opening press chooses nothing
    ASSERT_EQ(menu->getPopup(), popup);

    // Keys: down skips the separator, right goes to the next column.
    vst::VstKeyCode down = key(VKEY_DOWN), right = key(VKEY_RIGHT), enter = key(VKEY_RETURN);
    frame->platformKeyDown(down);
    EXPECT_EQ(popup->getHighlight(), 2);
    frame->platformKeyDown(right);
    EXPECT_EQ(popup->getHighlight(), 5);
    frame->platformKeyDown(enter);
    EXPECT_EQ(menu->getPopup(), nullptr);
    EXPECT_FALSE(window->keyboardFocus);
    EXPECT_EQ(menu->getCurrent(), 5);
    EXPECT_EQ(menu->getCurrent(nullptr, false), 4);
    EXPECT_EQ(log.take(), (Events{"change 65 5.0000"}));
    frame->idle();  // releases the closed list

    // Mouse: a press on an entry chooses it; on the separator nothing happens.
    press(CPoint(55, 25));
    popup = menu->getPopup();
    ASSERT_NE(popup, nullptr);
    release(CPoint(55, 25));
    CRect sep = popup->entryRect(1);
    press(CPoint(sep.left + 5, sep.top + 5));
    EXPECT_EQ(menu->getPopup(), popup);
    CRect three = popup->entryRect(3);
    press(CPoint(three.left + 5, three.top + 5));
    EXPECT_EQ(menu->getPopup(), nullptr);
    EXPECT_EQ(menu->getCurrent(), 3);
    EXPECT_EQ(log.take(), (Events{"change 65 3.0000"}));
    frame->idle();

    // A click outside and Escape close without a choice.
    press(CPoint(55, 25));
    release(CPoint(55, 25));
    press(CPoint(390, 290));
    EXPECT_EQ(menu->getPopup(), nullptr);
    press(CPoint(55, 25));
    release(CPoint(55, 25));
    vst::VstKeyCode escape = key(VKEY_ESCAPE);
    frame->platformKeyDown(escape);
    EXPECT_EQ(menu->getPopup(), nullptr);
    EXPECT_TRUE(log.take().empty());
    frame->idle();
    EXPECT_EQ(frame->getNbViews(), 1);

    // The keyboard going to another window closes the list without a choice.
    press(CPoint(55, 25));
    release(CPoint(55, 25));
    ASSERT_NE(menu->getPopup(), nullptr);
    frame->platformFocusLost();
    EXPECT_EQ(menu->getPopup(), nullptr);
    EXPECT_EQ(frame->getModalView(), nullptr);
    EXPECT_EQ(frame->getNbViews(), 1);
    EXPECT_TRUE(log.take().empty());

    // Press, drag onto an entry and release there: chosen.
    press(CPoint(55, 25));
    popup = menu->getPopup();
    CRect two = popup->entryRect(2);
    move(CPoint(two.left + 3, two.top + 3));
    EXPECT_EQ(popup->getHighlight(), 2);
    release(CPoint(two.left + 3, two.top + 3));
    EXPECT_EQ(menu->getCurrent(), 2);
    EXPECT_EQ(log.take(), (Events{"change 65 2.0000"}));
}

TEST_F(ToolkitTest, DropDownListDrawsCheckMarkAndNumberedEntries) {
    auto* menu = new COptionMenu(CRect(0, 0, 10, 10), &log, 65);
    menu->addEntry("Alpha");
    menu->addEntry("-");
    menu->addEntry("Beta");
    menu->setPrefixNumbers(3);
    menu->setCurrent(2);
    frame->addView(menu);
    frame->idle();
    press(CPoint(5, 5));
    window->canvas.ops.clear();
    frame->idle();
    std::vector<std::string> texts;
    int lines = 0;
    CRect list = menu->getPopup()->getViewSize();
    for (auto& op : window->canvas.ops) {
        if (!list.rectOverlap(op.rect) && op.kind != headless::DrawOp::kLine) continue;
        if (op.kind == headless::DrawOp::kText) texts.push_back(op.text);
        if (op.kind == headless::DrawOp::kLine) ++lines;
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"01 Alpha", "02 Beta"}));
    EXPECT_EQ(lines, 2);  // the check mark's two strokes, on the current entry only
    release(CPoint(5, 5));
    vst::VstKeyCode escape = key(VKEY_ESCAPE);
    frame->platformKeyDown(escape);
}

}  // namespace
}  // namespace guitest
