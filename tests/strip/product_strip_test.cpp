// The strip inside the product's window: built by the product editor's open,
// reachable on both pages, its hover highlight run by the product's idle.
#include "editor/EmberlineEditor.h"
#include "tests/strip/StripTestSupport.h"

namespace striptest {
namespace {

class ProductStripTest : public ::testing::Test {
protected:
    void SetUp() override {
        CBitmap::setResourceLookup(nullptr);
        CBitmap::setLoadScale(1.0);
        headless::instance().ticks = 100000;
        fx = std::make_unique<Emberline>(&HostLog::callback);
        editor = dynamic_cast<EmberlineEditor*>(fx->presetEditor());
        ASSERT_NE(editor, nullptr);
        ASSERT_TRUE(editor->open(&parentToken));
        frame = editor->getFrame();
        window = headless::instance().lastWindow;
    }
    void TearDown() override {
        if (editor) editor->close();
        fx.reset();
    }
    void click(int x, int y) {
        window->pointer = CPoint(x, y);
        window->buttons = kLButton;
        frame->platformMouseDown(CPoint(x, y), kLButton);
        window->buttons = 0;
        frame->platformMouseUp(CPoint(x, y), 0);
        headless::instance().ticks += 1000;
    }
    template <typename View>
    View* at(int x, int y) {
        return dynamic_cast<View*>(frame->getViewAt(CPoint(x, y)));
    }

    testing_support::PrivateConfig config;
    std::unique_ptr<Emberline> fx;
    EmberlineEditor* editor = nullptr;
    CFrame* frame = nullptr;
    headless::HeadlessWindow* window = nullptr;
    int parentToken = 0;
};

TEST_F(ProductStripTest, StripWorksOnBothPages) {
    CPSRockerSwitch* rocker = at<CPSRockerSwitch>(340, 450);
    CTextEdit* name = at<CTextEdit>(230, 450);
    ASSERT_NE(rocker, nullptr);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), "Current");
    click(340, 450);
    EXPECT_EQ(fx->getCurrentProgramIndex(), 1);
    EXPECT_EQ(name->text(), "Default");

    click(150, 410);  // to the setup page
    ASSERT_FALSE(editor->mainPageShown());
    click(340, 450);
    EXPECT_EQ(fx->getCurrentProgramIndex(), 2);
    EXPECT_EQ(name->text(), "Mastering First Aid");
    fx->setParameterAutomated(4, 0.9f);
    click(358, 450);  // store A
    fx->setParameterAutomated(4, 0.1f);
    click(380, 450);  // recall A
    EXPECT_FLOAT_EQ(fx->getParameter(4), 0.9f);

    // The product's idle runs the hover highlight.
    window->pointer = CPoint(316, 450);
    editor->idle();
    EXPECT_EQ(rocker->getHoverHalf(), 1);
    window->pointer = CPoint(200, 100);
    editor->idle();
    EXPECT_EQ(rocker->getHoverHalf(), 0);
}

TEST_F(ProductStripTest, HostRenameWhileOpenAndReopen) {
    char renamed[] = "From the host";
    fx->setProgramName(renamed);
    EXPECT_EQ(at<CTextEdit>(230, 450)->text(), "From the host");
    editor->close();
    ASSERT_TRUE(editor->open(&parentToken));
    frame = editor->getFrame();
    window = headless::instance().lastWindow;
    CTextEdit* name = at<CTextEdit>(230, 450);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), "From the host");
}

}  // namespace
}  // namespace striptest
