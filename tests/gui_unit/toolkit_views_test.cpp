// Views, containers, the frame's repainting and bitmaps on the headless platform.
#include "tests/gui_unit/GuiTestSupport.h"

namespace guitest {
namespace {

// A view that counts its draws and destructions and logs presses.
struct ProbeView : CView {
    ProbeView(const CRect& r, EventLog& log, std::string name, int* destroyed = nullptr)
        : CView(r), log(log), name(std::move(name)), destroyed(destroyed) {}
    ~ProbeView() override {
        if (destroyed) ++*destroyed;
    }
    void draw(CDrawContext* context) override {
        ++draws;
        CView::draw(context);
    }
    void mouse(CDrawContext*, CPoint& where, int32_t buttons) override {
        log.add(name + " press " + std::to_string(where.h) + "," + std::to_string(where.v) + " " +
                std::to_string(buttons));
    }
    bool onWheel(CDrawContext*, const CPoint&, float distance) override {
        log.add(name + " wheel " + std::to_string((int)distance));
        return true;
    }
    EventLog& log;
    std::string name;
    int* destroyed;
    int draws = 0;
};

TEST(ToolkitBasics, ReferenceCountsOwnViewsAndBitmaps) {
    int destroyed = 0;
    EventLog log;
    auto* container = new CViewContainer(CRect(0, 0, 100, 100), nullptr);
    auto* a = new ProbeView(CRect(0, 0, 10, 10), log, "a", &destroyed);
    auto* b = new ProbeView(CRect(0, 0, 10, 10), log, "b", &destroyed);
    container->addView(a);
    container->addView(b);
    b->remember();  // someone else holds b too
    container->removeView(a, false);
    EXPECT_EQ(destroyed, 0);
    a->forget();
    EXPECT_EQ(destroyed, 1);
    container->forget();  // destroys the children it still owns: b only loses a reference
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(b->getNbReference(), 1);
    b->forget();
    EXPECT_EQ(destroyed, 2);

    CBitmap::setResourceLookup(&standInBitmaps);
    auto* bitmap = new CBitmap(100);
    auto* view = new CView(CRect(0, 0, 10, 10));
    view->setBackground(bitmap);
    EXPECT_EQ(bitmap->getNbReference(), 2);
    bitmap->forget();
    view->forget();  // the last reference goes with the view
    CBitmap::setResourceLookup(nullptr);
}

TEST(ToolkitBasics, RectanglesAreRightAndBottomExclusive) {
    CRect r(10, 20, 30, 40);
    EXPECT_TRUE(r.pointInside(CPoint(10, 20)));
    EXPECT_FALSE(r.pointInside(CPoint(30, 20)));
    EXPECT_FALSE(r.pointInside(CPoint(10, 40)));
    EXPECT_TRUE(r.pointInsideInclusive(CPoint(30, 40)));
    CRect a(0, 0, 10, 10), b(10, 0, 20, 10);
    EXPECT_FALSE(a.rectOverlap(b));
    CRect c = a;
    EXPECT_TRUE(c.bound(b).isEmpty());
    EXPECT_EQ(CRect(0, 0, 10, 10).unite(CRect(5, 5, 20, 30)), CRect(0, 0, 20, 30));
}

TEST(ToolkitBasics, BitmapsByIdentifierAndScale) {
    CBitmap::setResourceLookup(&standInBitmaps);
    CBitmap::setLoadScale(1.0);
    CBitmap one(100);
    EXPECT_TRUE(one.isLoaded());
    EXPECT_EQ(one.getWidth(), 40);
    EXPECT_EQ(one.getHeight(), 80);
    EXPECT_EQ(one.getImage()->scale(), 1);

    CBitmap::setLoadScale(2.0);
    CBitmap two(100);  // the double set, same size in view pixels
    EXPECT_EQ(two.getImage()->scale(), 2);
    EXPECT_EQ(two.getImage()->pixelWidth(), 80);
    EXPECT_EQ(two.getWidth(), 40);
    EXPECT_EQ(two.getHeight(), 80);
    CBitmap onlyOne(101);  // no double version: the single one
    EXPECT_EQ(onlyOne.getImage()->scale(), 1);
    EXPECT_EQ(onlyOne.getHeight(), 300);

    CBitmap missing(4242);
    EXPECT_FALSE(missing.isLoaded());
    EXPECT_EQ(missing.getWidth(), 0);
    EXPECT_EQ(missing.getHeight(), 0);
    headless::RecordingCanvas canvas;
    CDrawContext context(nullptr, &canvas);
    missing.draw(&context, CRect(0, 0, 10, 10));
    EXPECT_TRUE(canvas.ops.empty());
    // A draw is limited to the bitmap's own extent.
    one.draw(&context, CRect(5, 5, 100, 100), CPoint(30, 70));
    ASSERT_EQ(canvas.ops.size(), 1u);
    EXPECT_EQ(canvas.ops[0].rect, CRect(5, 5, 15, 15));
    EXPECT_EQ(canvas.ops[0].from, CPoint(30, 70));
    CBitmap::setLoadScale(1.0);
    CBitmap::setResourceLookup(nullptr);
}

TEST_F(ToolkitTest, ContainerFindsChildrenInAttachmentOrderWithInclusiveBounds) {
    auto* page = new CViewContainer(CRect(100, 50, 300, 250), frame);
    auto* first = new ProbeView(CRect(10, 10, 50, 50), log, "first");
    auto* second = new ProbeView(CRect(30, 30, 80, 80), log, "second");
    page->addView(first);
    page->addView(second);
    frame->addView(page);

    EXPECT_EQ(page->getViewAt(CPoint(50, 50)), first);  // the right/bottom edge counts here
    EXPECT_EQ(page->getViewAt(CPoint(60, 60)), second);
    EXPECT_EQ(page->getViewAt(CPoint(5, 5)), nullptr);
    window->pointer = CPoint(100 + 40, 50 + 40);
    EXPECT_EQ(page->getCurrentView(), first);
    EXPECT_TRUE(page->isChild(second));

    // Overlap: the view added first gets the press, in its container's coordinates.
    press(CPoint(100 + 35, 50 + 35));
    EXPECT_EQ(log.take(), std::vector<std::string>{"first press 35,35 1"});
    first->setMouseEnabled(false);
    press(CPoint(100 + 35, 50 + 35), kLButton | kShift);
    EXPECT_EQ(log.take(), std::vector<std::string>{"second press 35,35 9"});
    // The wheel goes to the view under the pointer.
    frame->platformWheel(CPoint(100 + 70, 50 + 70), 2.0f, 0);
    EXPECT_EQ(log.take(), std::vector<std::string>{"second wheel 2"});
}

TEST_F(ToolkitTest, PaintsOnlyWhatChangedAndNothingWhenNothingDid) {
    auto* a = new ProbeView(CRect(0, 0, 20, 20), log, "a");
    auto* b = new ProbeView(CRect(200, 100, 240, 140), log, "b");
    frame->addView(a);
    frame->addView(b);
    frame->idle();
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 1);
    uint32_t paints = frame->getPaintCount();
    for (int i = 0; i < 5; ++i) frame->idle();
    EXPECT_EQ(frame->getPaintCount(), paints);
    EXPECT_EQ(a->draws, 1);

    window->shown.clear();
    b->setDirty();
    frame->idle();
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 2);
    ASSERT_EQ(window->shown.size(), 1u);
    EXPECT_EQ(window->shown[0], CRect(200, 100, 240, 140));

    // Two overlapping areas become one; separate areas stay apart.
    window->shown.clear();
    frame->invalidRect(CRect(0, 0, 10, 10));
    frame->invalidRect(CRect(5, 5, 15, 15));
    frame->invalidRect(CRect(300, 200, 310, 210));
    frame->idle();
    ASSERT_EQ(window->shown.size(), 2u);
    EXPECT_EQ(window->shown[0], CRect(0, 0, 15, 15));
    EXPECT_EQ(window->shown[1], CRect(300, 200, 310, 210));
}

TEST_F(ToolkitTest, ContainerDrawsItsBackgroundAtTheOffsetAndTranslatesChildren) {
    auto* bitmap = new CBitmap(101);
    auto* page = new CViewContainer(CRect(50, 60, 90, 200), frame, bitmap);
    page->setBackOffset(CPoint(0, 10));
    bitmap->forget();
    auto* child = new CView(CRect(5, 5, 25, 25));
    auto* childBitmap = new CBitmap(100);
    child->setBackground(childBitmap);
    childBitmap->forget();
    page->addView(child);
    frame->addView(page);
    std::vector<headless::DrawOp> images = imagesAtNextPaint();
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].rect, CRect(50, 60, 80, 200));  // the strip is 30 wide
    EXPECT_EQ(images[0].from, CPoint(0, 10));
    EXPECT_EQ(images[1].rect, CRect(55, 65, 75, 85));  // child in frame coordinates
}

TEST(ToolkitBasics, DrawContextStateAndOffscreenCopy) {
    headless::RecordingCanvas canvas;
    CDrawContext context(nullptr, &canvas);
    context.setFont(kNormalFontVerySmall, 0, kBoldFace);
    EXPECT_EQ(context.getFontSize(), 9);
    context.setFont(99);  // out of the table: the normal font
    EXPECT_EQ(context.getFontSize(), 12);
    context.setOffset(CPoint(100, 50));
    context.setFillColor(CColor{1, 2, 3, 255});
    context.fillRect(CRect(0, 0, 10, 10));
    context.setFrameColor(CColor{9, 9, 9, 255});
    context.moveTo(CPoint(1, 1));
    context.lineTo(CPoint(5, 1));
    EXPECT_EQ(context.getPenLocation(), CPoint(5, 1));
    context.setFontColor(CColor{7, 7, 7, 255});
    context.drawString("abc", CRect(0, 0, 30, 10), true, kRightText);
    ASSERT_EQ(canvas.ops.size(), 4u);
    EXPECT_EQ(canvas.ops[0].rect, CRect(100, 50, 110, 60));  // through the origin
    EXPECT_EQ(canvas.ops[1].from, CPoint(101, 51));
    EXPECT_EQ(canvas.ops[1].to, CPoint(105, 51));
    EXPECT_EQ(canvas.ops[2].color, (CColor{1, 2, 3, 255}));  // the opaque box in the fill colour
    EXPECT_EQ(canvas.ops[3].text, "abc");
    EXPECT_EQ(canvas.ops[3].align, kRightText);
    EXPECT_EQ(canvas.ops[3].color, (CColor{7, 7, 7, 255}));
    // The clip stays inside the painted area.
    context.setPaintArea(CRect(100, 50, 120, 70));
    context.setClipRect(CRect(-50, -50, 500, 500));
    EXPECT_EQ(context.getClipRect(), CRect(0, 0, 20, 20));

    COffscreenContext offscreen(nullptr, 30, 20);
    ASSERT_TRUE(offscreen.isValid());
    canvas.ops.clear();
    offscreen.copyFrom(&context, CRect(0, 0, 30, 20), CPoint(5, 0));
    ASSERT_EQ(canvas.ops.size(), 1u);
    EXPECT_EQ(canvas.ops[0].kind, headless::DrawOp::kImage);
    EXPECT_EQ(canvas.ops[0].rect, CRect(100, 50, 130, 70));
    EXPECT_EQ(canvas.ops[0].from, CPoint(5, 0));
    EXPECT_EQ(canvas.ops[0].image->pixelWidth(), 30);
}

TEST_F(ToolkitTest, RemovingAViewInTheMiddleOfADragForgetsIt) {
    auto* knob = new CKnob(CRect(0, 0, 40, 40), &log, 7, nullptr, nullptr);
    frame->addView(knob);
    press(CPoint(20, 20));
    EXPECT_EQ(frame->getMouseCapture(), knob);
    EXPECT_EQ(frame->getFocusView(), knob);
    frame->removeView(knob);
    EXPECT_EQ(frame->getMouseCapture(), nullptr);
    EXPECT_EQ(frame->getFocusView(), nullptr);
    move(CPoint(20, 0));  // nothing left to reach
    release(CPoint(20, 0));
}

}  // namespace
}  // namespace guitest
