// The preset strip on the headless platform: its controls, the program list,
// the name field, stepping, the memo buttons and the hover highlight, with the
// second edition's real effect behind it.
#include <cstring>

#include "tests/strip/StripTestSupport.h"

namespace striptest {
namespace {

TEST_F(StripTest, ElevenControlsAlongTheBottomEdge) {
    // Every control is found where the pointer hits it, with its tag.
    for (int y : {444, 457}) expectControlTags(y, 0);
    for (const StripHit& h : kStripHits) EXPECT_EQ(frame->getViewAt(CPoint(h.x, 442)), nullptr) << h.x;
    EXPECT_EQ(frame->getViewAt(CPoint(50, 450)), nullptr);  // between the bank buttons

    // The name field: the selected program's name on the main page's bitmap,
    // drawn from the field's own place.
    CTextEdit* name = editor->name();
    EXPECT_EQ(name->text(), "Current");
    ASSERT_NE(name->getBackground(), nullptr);
    EXPECT_EQ(name->getBackground()->getResourceID(), 19000);
    EXPECT_EQ(name->getBackOffset(), CPoint(176, 444));
    EXPECT_EQ(name->getFont(), 4);
    EXPECT_EQ(name->getHoriAlign(), kCenterText);

    // The list: entry 0, a separator, programs 1 to 30, 16 to a column.
    COptionMenu* menu = editor->menu();
    ASSERT_EQ(menu->getNbEntries(), 32);
    EXPECT_EQ(menuEntry(menu, 0), "Current");
    EXPECT_TRUE(menu->isSeparator(1));
    EXPECT_EQ(menuEntry(menu, 2), "Default");
    EXPECT_EQ(menuEntry(menu, 31), "Track Tape Fast");
    EXPECT_EQ(menu->getNbItemsPerColumn(), 16);
    EXPECT_EQ(menu->getCurrent(nullptr, false), 0);
    EXPECT_TRUE(menu->isCheckEntry(0));
    // It draws nothing at its place; the name field draws its background and text.
    headless::RecordingCanvas canvas;
    CDrawContext context(nullptr, &canvas);
    menu->draw(&context);
    for (const headless::DrawOp& op : canvas.ops) EXPECT_EQ(op.kind, headless::DrawOp::kClip);
    name->draw(&context);
    bool text = false;
    for (const headless::DrawOp& op : canvas.ops) text = text || (op.kind == headless::DrawOp::kText && op.text == "Current");
    EXPECT_TRUE(text);

    // Frames of the real bitmaps: 14 pixels high, a quarter of the memo bitmaps.
    EXPECT_EQ(editor->rocker()->getBackground()->getHeight(), 5 * 14);
    EXPECT_EQ(editor->memo(kStoreA)->getBackground()->getHeight() / 4, 14);
}

TEST_F(StripTest, ReopeningShowsTheSelectedProgram) {
    fx->selectProgram(9);
    editor->close();
    EXPECT_EQ(editor->name(), nullptr);
    editor->open(&parentToken);
    frame = editor->getFrame();
    window = headless::instance().lastWindow;
    EXPECT_EQ(editor->name()->text(), "Mix Finalize 2");
    EXPECT_EQ(editor->menu()->getCurrent(nullptr, false), 9);
    EXPECT_EQ(editor->menu()->getCurrent(nullptr, true), 10);
}

TEST_F(StripTest, RockerStepsWithoutWrappingAround) {
    CPSRockerSwitch* rocker = editor->rocker();
    const CPoint left(315, 450), right(340, 450);

    fx->selectProgram(30);
    HostLog::opcodes().clear();
    window->pointer = right;
    frame->platformMouseDown(right, kLButton);
    EXPECT_EQ(rocker->frameIndex(), 4);  // right pressed while held
    frame->platformMouseUp(right, 0);
    EXPECT_EQ(rocker->getValue(), 0.0f);
    EXPECT_EQ(fx->getCurrentProgramIndex(), 30);
    // Applied again: every value went to the host once more.
    EXPECT_EQ(HostLog::count(vst::audioMasterAutomate), 2 * 42);
    EXPECT_EQ(editor->name()->text(), "Track Tape Fast");
    EXPECT_EQ(editor->menu()->getCurrent(nullptr, false), 30);

    fx->selectProgram(1);
    window->pointer = left;
    frame->platformMouseDown(left, kLButton);
    EXPECT_EQ(rocker->frameIndex(), 3);
    frame->platformMouseUp(left, 0);
    EXPECT_EQ(fx->getCurrentProgramIndex(), 0);
    EXPECT_EQ(editor->menu()->getCurrent(nullptr, false), 0);
    EXPECT_EQ(editor->name()->text(), "Default");  // program 0 mirrored program 1
    EXPECT_EQ(menuEntry(editor->menu(), 0), "Default");
    click(left);  // at program 0 it stays there
    EXPECT_EQ(fx->getCurrentProgramIndex(), 0);

    click(right);
    click(right);
    EXPECT_EQ(fx->getCurrentProgramIndex(), 2);
    EXPECT_EQ(editor->name()->text(), "Mastering First Aid");
    EXPECT_FLOAT_EQ(fx->getParameter(4), 0.535f);  // its Drive is in the effect
}

TEST_F(StripTest, ChoosingAProgramFromTheList) {
    COptionMenu* menu = editor->menu();
    click(centre(menu));
    ASSERT_NE(menu->getPopup(), nullptr);
    const CRect r = menu->getPopup()->entryRect(13);
    click(CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    editor->idle();
    EXPECT_EQ(menu->getPopup(), nullptr);
    EXPECT_EQ(fx->getCurrentProgramIndex(), 12);
    EXPECT_EQ(editor->name()->text(), "Mix semiDriven Tape");
    EXPECT_EQ(menuEntry(menu, 0), "Mix semiDriven Tape");
    EXPECT_EQ(menu->getCurrent(nullptr, true), 13);
    EXPECT_EQ(programName(*fx, 0), "Mix semiDriven Tape");
    EXPECT_FLOAT_EQ(fx->getParameter(5), 0.25f);  // its Knee
    EXPECT_EQ(editor->changes[65], 1);
}

TEST_F(StripTest, TypedNamesKeepTheirFirst24Characters) {
    selectFromList(5);
    const std::string thirty = "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234";
    typeName(thirty);
    const std::string cut = thirty.substr(0, 24);
    EXPECT_EQ(programName(*fx, 5), cut);
    EXPECT_EQ(programName(*fx, 0), cut);
    EXPECT_EQ(editor->name()->text(), cut);
    EXPECT_EQ(menuEntry(editor->menu(), 6), cut);
    EXPECT_EQ(menuEntry(editor->menu(), 0), cut);
    EXPECT_EQ(menuEntry(editor->menu(), 5), "Mix First Aid 2");  // program 4 kept its name
    EXPECT_GE(HostLog::count(vst::audioMasterUpdateDisplay), 1);

    // Far more than any buffer of the strip: typed (the field takes 255
    // characters) and handed over directly.
    std::string long300;
    for (int i = 0; i < 300; ++i) long300.push_back((char)('a' + i % 26));
    typeName(long300);
    EXPECT_EQ(programName(*fx, 5), long300.substr(0, 24));
    editor->renameProgram(long300.c_str());
    EXPECT_EQ(editor->name()->text(), long300.substr(0, 24));
    EXPECT_EQ(menuEntry(editor->menu(), 6), long300.substr(0, 24));

    // A character of several bytes is not cut in half.
    const std::string accented = std::string(23, 'x') + "\xC3\xA9" + "tail";
    editor->renameProgram(accented.c_str());
    EXPECT_EQ(programName(*fx, 5), std::string(23, 'x'));
    editor->renameProgram("");
    EXPECT_EQ(programName(*fx, 5), "");
}

TEST_F(StripTest, HostRenamesReachTheStrip) {
    selectFromList(3);
    char name[] = "Renamed by the host and then some";
    fx->setProgramName(name);
    EXPECT_EQ(editor->name()->text(), "Renamed by the host and ");
    EXPECT_EQ(menuEntry(editor->menu(), 4), "Renamed by the host and ");
    EXPECT_EQ(menuEntry(editor->menu(), 0), "Renamed by the host and ");
}

TEST_F(StripTest, MemoButtonsActOnceOnPress) {
    fx->selectProgram(4);
    fx->setParameterAutomated(4, 0.8f);
    CPSOnOffButton* store = editor->memo(kStoreA);
    const CPoint at = centre(store);
    window->pointer = at;
    frame->platformMouseDown(at, kLButton);
    EXPECT_EQ(editor->changes[68], 1);  // on the press, not at the release
    EXPECT_TRUE(store->isPressed());
    EXPECT_EQ(store->frameIndex(), 2);
    for (int i = 0; i < 5; ++i) {
        frame->platformMouseMoved(CPoint(at.h + i % 2, at.v), kLButton);
        headless::instance().ticks += 200;
        editor->idle();
    }
    frame->platformMouseUp(at, 0);
    EXPECT_EQ(editor->changes[68], 1);
    EXPECT_FALSE(store->isPressed());
    EXPECT_EQ(store->getValue(), 0.0f);

    fx->setParameterAutomated(4, 0.1f);
    fx->setParameterAutomated(5, 0.9f);
    click(centre(editor->memo(kRecallA)));
    EXPECT_EQ(editor->changes[66], 1);
    EXPECT_FLOAT_EQ(fx->getParameter(4), 0.8f);
    EXPECT_FLOAT_EQ(fx->getProgramObject(4)->getValue(4), 0.8f);
    EXPECT_FLOAT_EQ(fx->getProgramObject(0)->getValue(4), 0.8f);
    EXPECT_EQ(editor->name()->text(), "Mix First Aid 2");

    // B was never stored: recalling it changes nothing.
    fx->setParameterAutomated(4, 0.3f);
    click(centre(editor->memo(kRecallB)));
    EXPECT_EQ(editor->changes[67], 1);
    EXPECT_FLOAT_EQ(fx->getParameter(4), 0.3f);
}

TEST_F(StripTest, HoverHighlightFollowsThePointer) {
    CPSRockerSwitch* rocker = editor->rocker();
    hover(CPoint(316, 450));
    EXPECT_EQ(rocker->getHoverHalf(), 1);
    EXPECT_EQ(rocker->frameIndex(), 1);
    hover(CPoint(340, 450));
    EXPECT_EQ(rocker->getHoverHalf(), 2);
    EXPECT_EQ(rocker->frameIndex(), 2);

    hover(centre(editor->file(kLoadPreset)));
    EXPECT_EQ(rocker->frameIndex(), 0);
    EXPECT_TRUE(editor->file(kLoadPreset)->getHighlight());
    EXPECT_EQ(editor->file(kLoadPreset)->frameIndex(), 1);
    hover(centre(editor->memo(kRecallB)));
    EXPECT_FALSE(editor->file(kLoadPreset)->getHighlight());
    EXPECT_EQ(editor->memo(kRecallB)->frameIndex(), 1);

    // Off the strip: nothing stays highlighted after the next idle call.
    hover(CPoint(200, 100));
    EXPECT_EQ(rocker->getHoverHalf(), 0);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(editor->file(i)->getHighlight()) << i;
        EXPECT_FALSE(editor->memo(i)->getHighlight()) << i;
    }
    // A changed highlight is drawn again.
    hover(CPoint(316, 450));
    EXPECT_TRUE(rocker->isDirty());
    editor->idle();
    EXPECT_FALSE(rocker->isDirty());
}

TEST_F(StripTest, StripWithoutFrameOrEffectIsSafe) {
    // An editor that never opened: the operations find no controls.
    StripEditor closed(fx.get(), script);
    closed.programNameChanged("x");
    closed.stepProgram(true);
    EXPECT_EQ(fx->getCurrentProgramIndex(), 1);
    closed.idle();
    StripEditor orphan(nullptr, script);
    orphan.open(&parentToken);
    EXPECT_EQ(orphan.name(), nullptr);
    orphan.loadBank();
    EXPECT_FALSE(orphan.isFileDialogOpen());
    orphan.close();
}

}  // namespace
}  // namespace striptest
