// The test editor inside a host-made window on a real X server, driven with
// real input: what is drawn where, and exactly which values and edit
// gestures the host hears.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "tests/gui/X11TestSupport.h"

#include <X11/extensions/XRes.h>
#include "tests/gui_plugin/TestEditorLayout.h"

namespace x11test {
namespace {

using namespace testeditor;
using Edits = std::vector<std::string>;

Pixel px(Rgb c) { return {c.r, c.g, c.b}; }

std::string shownText(vsthost::Plugin& p, int index) { return p.paramDisplay(index); }

TEST_F(EditorHost, ScreenshotShowsBitmapsAndTextWhereTheyBelong) {
    openEditor();
    XWindowAttributes a;
    XGetWindowAttributes(display, child, &a);
    EXPECT_EQ(a.width, kWidth);
    EXPECT_EQ(a.height, kHeight);
    EXPECT_TRUE(near(pixel(395, 295), px(kBackgroundColor)));
    EXPECT_TRUE(near(pixel(5, 5), px(kBackgroundColor)));
    EXPECT_TRUE(near(pixel(180, 40), px(kOffColor)));             // on/off button, off
    EXPECT_TRUE(near(pixel(120, 40), px(animFrameColor(0))));     // film strip frame 0
    EXPECT_TRUE(near(pixel(235, 50), px(switchFrameColor(0))));   // switch at 0
    EXPECT_TRUE(near(pixel(200, 40), px(kBackgroundColor)));      // right of the button: exclusive edge
    // The label: yellow text on its black box, nothing yellow outside it.
    int textPixels = countNear(kLabelRect.left, kLabelRect.top, kLabelRect.right, kLabelRect.bottom, {255, 255, 0}, 60);
    int boxPixels = countNear(kLabelRect.left, kLabelRect.top, kLabelRect.right, kLabelRect.bottom, {0, 0, 0}, 10);
    EXPECT_GT(textPixels, 40);
    EXPECT_GT(boxPixels, (kLabelRect.width() * kLabelRect.height()) / 2);
    EXPECT_EQ(countNear(0, 0, kWidth, kLabelRect.top, {255, 255, 0}, 60), 0);
    // The window tells an embedder that it is mapped.
    Atom info = XInternAtom(display, "_XEMBED_INFO", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    ASSERT_EQ(XGetWindowProperty(display, child, info, 0, 2, False, info, &type, &format, &count, &after, &data),
              Success);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(reinterpret_cast<long*>(data)[1] & 1, 1);
    XFree(data);
    // The text is centred: as much of it left of the middle as right.
    int mid = (kLabelRect.left + kLabelRect.right) / 2;
    int left = countNear(kLabelRect.left, kLabelRect.top, mid, kLabelRect.bottom, {255, 255, 0}, 60);
    int right = countNear(mid, kLabelRect.top, kLabelRect.right, kLabelRect.bottom, {255, 255, 0}, 60);
    EXPECT_GT(std::min(left, right) * 3, std::max(left, right) * 2) << left << " " << right;
    // The text field shows its text in dark pixels on its light box.
    EXPECT_GT(countNear(kTextRect.left, kTextRect.top, kTextRect.right, kTextRect.bottom, {10, 10, 10}, 90), 10);
}

TEST_F(EditorHost, ClicksWheelAndSwitchReportExactValuesAndGestures) {
    openEditor();
    edits();
    click(180, 40);
    EXPECT_EQ(edits(), (Edits{"begin 2", "set 2 1.0000", "end 2"}));
    pump(60);
    EXPECT_TRUE(near(pixel(180, 40), px(kOnColor)));

    moveTo(120, 40);
    button(4, true);  // wheel up: one notch of 0.1
    button(4, false);
    EXPECT_EQ(edits(), (Edits{"begin 1", "set 1 0.1000", "end 1"}));
    pump(60);
    EXPECT_TRUE(near(pixel(120, 40), px(animFrameColor(1))));

    click(235, 55);  // the middle band of three
    EXPECT_EQ(edits(), (Edits{"begin 3", "set 3 0.5000", "end 3"}));

    click(330, 30);  // the rocker's left half, then back to rest
    EXPECT_EQ(edits(), (Edits{"begin 5", "set 5 0.0000", "set 5 0.5000", "end 5"}));
    click(290, 30);
    EXPECT_EQ(edits(), (Edits{"begin 4", "set 4 1.0000", "set 4 0.0000", "end 4"}));
}

TEST_F(EditorHost, KnobDragsLinearAndCircular) {
    openEditor();
    plugin->dispatch(vst::effSetEditKnobMode, 0, 2);  // linear
    edits();
    drag(50, 60, 50, 20);  // 40 pixels up of 200 from 0.5
    Edits e = edits();
    ASSERT_GE(e.size(), 3u);
    EXPECT_EQ(e.front(), "begin 0");
    EXPECT_EQ(e.back(), "end 0");
    EXPECT_EQ(e[e.size() - 2], "set 0 0.7000");
    EXPECT_EQ(std::count_if(e.begin(), e.end(), [](auto& s) { return s.rfind("begin", 0) == 0; }), 1);
    EXPECT_NEAR(plugin->getParameter(0), 0.7f, 1e-6);

    plugin->dispatch(vst::effSetEditKnobMode, 0, 0);  // circular
    drag(50, 25, 75, 50, 6);  // from the top round to the right: 0 degrees
    e = edits();
    ASSERT_GE(e.size(), 3u);
    EXPECT_EQ(e.front(), "begin 0");
    EXPECT_EQ(e[e.size() - 2], "set 0 0.8333");
    EXPECT_EQ(e.back(), "end 0");

    // A host change reaches the knob at the next idle.
    plugin->setParameter(1, 1.0f);
    pump(80);
    EXPECT_TRUE(near(pixel(120, 40), px(animFrameColor(kAnimFrames - 1))));
}

TEST_F(EditorHost, TypingIntoTheTextFieldAndChoosingFromTheList) {
    openEditor();
    edits();
    click(60, 150);  // opens the field with the whole text selected
    for (KeySym k : {XK_o, XK_k, XK_space, XK_2}) keyTap(k);
    keyTap(XK_Return);
    EXPECT_EQ(shownText(*plugin, kTextTag), "ok 2");
    EXPECT_EQ(edits(), (Edits{"set 7 0.0157"}));  // 4 of 255 characters, no gesture

    // Keys in the list: down skips the separator.
    click(250, 150);
    pump(60);
    EXPECT_GT(countNear(200, 161, 300, 240, {246, 246, 246}, 10), 500);  // the list is open below
    keyTap(XK_Down);
    keyTap(XK_Down);
    keyTap(XK_Return);
    EXPECT_EQ(shownText(*plugin, kMenuTag), "Gamma");
    EXPECT_EQ(edits(), (Edits{"set 8 0.7500"}));
    pump(60);
    EXPECT_EQ(countNear(200, 161, 300, 240, {246, 246, 246}, 10), 0);  // closed again

    // The mouse: open, click the last entry.
    click(250, 150);
    click(230, 161 + 16 * 4 + 8);
    EXPECT_EQ(shownText(*plugin, kMenuTag), "Delta");
    EXPECT_EQ(edits(), (Edits{"set 8 1.0000"}));
    // Escape and a click outside close without a choice.
    click(250, 150);
    keyTap(XK_Escape);
    click(250, 150);
    click(390, 20);
    EXPECT_TRUE(edits().empty());
    EXPECT_EQ(shownText(*plugin, kMenuTag), "Delta");
    // A click elsewhere ends typing and keeps the text.
    click(60, 150);
    keyTap(XK_x);
    click(390, 290);
    EXPECT_EQ(shownText(*plugin, kTextTag), "x");
}

TEST_F(EditorHost, KeyboardFocusGoingElsewhereEndsTheFieldAndClosesTheList) {
    openEditor();
    edits();
    click(60, 150);
    keyTap(XK_q);
    XSetInputFocus(display, parent, RevertToParent, CurrentTime);  // another window takes the keys
    pump(80);
    EXPECT_EQ(shownText(*plugin, kTextTag), "q");
    EXPECT_EQ(edits(), (Edits{"set 7 0.0039"}));
    keyTap(XK_w);  // no longer ours
    EXPECT_EQ(shownText(*plugin, kTextTag), "q");

    click(250, 150);
    pump(60);
    ASSERT_GT(countNear(200, 161, 300, 240, {246, 246, 246}, 10), 500);
    XSetInputFocus(display, parent, RevertToParent, CurrentTime);
    pump(80);
    EXPECT_EQ(countNear(200, 161, 300, 240, {246, 246, 246}, 10), 0);
    EXPECT_TRUE(edits().empty());

    // From the field straight to the list within one idle period: the field's
    // giving back of the focus does not close the list that took it.
    click(60, 150);
    moveTo(250, 150);
    XTestFakeButtonEvent(display, 1, True, 0);
    XTestFakeButtonEvent(display, 1, False, 0);
    XFlush(display);
    XSync(display, False);
    pump(100);
    EXPECT_GT(countNear(200, 161, 300, 240, {246, 246, 246}, 10), 500);
    keyTap(XK_Escape);
}

TEST_F(EditorHost, OneByOneParentAndScaleFromTheHost) {
    makeParent(1, 1);  // as some hosts make it at open
    vst::ERect* r = nullptr;
    plugin->dispatch(vst::effVendorSpecific, vst::fourCC('P', 'r', 'e', 'S'), vst::fourCC('A', 'e', 'C', 's'), nullptr, 2.0f);
    ASSERT_EQ(plugin->dispatch(vst::effEditGetRect, 0, 0, &r), 1);
    EXPECT_EQ(r->right - r->left, 2 * kWidth);
    openEditor();
    XWindowAttributes a;
    XGetWindowAttributes(display, child, &a);
    EXPECT_EQ(a.width, 2 * kWidth);
    EXPECT_EQ(a.height, 2 * kHeight);
    EXPECT_NE(a.map_state, IsUnmapped);  // mapped by the editor itself
    XResizeWindow(display, parent, 2 * kWidth, 2 * kHeight);
    pump(100);
    EXPECT_TRUE(near(pixel(2 * 180, 2 * 40), px(kOffColor)));
    click(2 * 180, 2 * 40);
    EXPECT_EQ(edits(), (Edits{"begin 2", "set 2 1.0000", "end 2"}));
    // Back to 1: the window shrinks and the host is asked to follow.
    plugin->dispatch(vst::effVendorSpecific, vst::fourCC('P', 'r', 'e', 'S'), vst::fourCC('A', 'e', 'C', 's'), nullptr, 1.0f);
    pump(60);
    XGetWindowAttributes(display, child, &a);
    EXPECT_EQ(a.width, kWidth);
    bool sized = false;
    for (auto& c : plugin->calls())
        if (c.opcode == vst::audioMasterSizeWindow && c.index == kWidth && c.value == kHeight) sized = true;
    EXPECT_TRUE(sized);
}

// Idle from a thread other than the one that opened the editor.
TEST_F(EditorHost, IdleFromAnotherThread) {
    openEditor();
    edits();
    std::atomic<bool> stop{false};
    std::thread idler([&] {
        while (!stop.load()) {
            plugin->dispatch(vst::effEditIdle);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    auto wait = [] { std::this_thread::sleep_for(std::chrono::milliseconds(80)); };
    moveTo(180, 40);
    wait();
    XTestFakeButtonEvent(display, 1, True, 0);
    XTestFakeButtonEvent(display, 1, False, 0);
    XFlush(display);
    for (int i = 0; i < 10 && plugin->getParameter(2) != 1.0f; ++i) wait();
    stop.store(true);
    idler.join();
    EXPECT_EQ(edits(), (Edits{"begin 2", "set 2 1.0000", "end 2"}));
    std::thread closer([&] { closeEditor(); });  // and close from there too
    closer.join();
    EXPECT_EQ(childCount(), 0u);
}

int clientCount(Display* display) {
    int n = 0;
    XResClient* clients = nullptr;
    if (!XResQueryClients(display, &n, &clients)) return -1;
    XFree(clients);
    return n;
}

TEST_F(EditorHost, FiftyOpenCloseCyclesLeaveNoWindowsAndUnpairedCallsAreHarmless) {
    makeParent(400, 300);
    int clients = clientCount(display);
    int clientsBefore = 0;
    {
        Window root, par, *children = nullptr;
        unsigned n = 0;
        XQueryTree(display, DefaultRootWindow(display), &root, &par, &children, &n);
        clientsBefore = (int)n;
        if (children) XFree(children);
    }
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(plugin->dispatch(vst::effEditOpen, 0, 0, (void*)(uintptr_t)parent), 1);
        plugin->dispatch(vst::effEditIdle);
        plugin->dispatch(vst::effEditIdle);
        plugin->dispatch(vst::effEditClose);
        XSync(display, False);
        ASSERT_EQ(childCount(), 0u) << "cycle " << i;
    }
    Window root, par, *children = nullptr;
    unsigned n = 0;
    XQueryTree(display, DefaultRootWindow(display), &root, &par, &children, &n);
    if (children) XFree(children);
    EXPECT_EQ((int)n, clientsBefore);
    EXPECT_EQ(clientCount(display), clients);  // every connection closed again
    // Close without open, idle without an editor, open twice.
    plugin->dispatch(vst::effEditClose);
    plugin->dispatch(vst::effEditIdle);
    plugin->dispatch(vst::effEditOpen, 0, 0, (void*)(uintptr_t)parent);
    plugin->dispatch(vst::effEditOpen, 0, 0, (void*)(uintptr_t)parent);
    XSync(display, False);
    EXPECT_EQ(childCount(), 1u);
    plugin->dispatch(vst::effEditClose);
    XSync(display, False);
    EXPECT_EQ(childCount(), 0u);
    // The host's window goes first, then the editor is closed.
    plugin->dispatch(vst::effEditOpen, 0, 0, (void*)(uintptr_t)parent);
    XDestroyWindow(display, parent);
    parent = 0;
    XSync(display, False);
    plugin->dispatch(vst::effEditIdle);
    plugin->dispatch(vst::effEditClose);
}

TEST_F(EditorHost, AnIdleEditorCostsLittleTime) {
    openEditor();
    pump(200);
    timespec a{}, b{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &a);
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 60; ++i) {  // two seconds at 30 idle calls a second
        plugin->dispatch(vst::effEditIdle);
        std::this_thread::sleep_for(std::chrono::milliseconds(33));
    }
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &b);
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double cpu = (b.tv_sec - a.tv_sec) + (b.tv_nsec - a.tv_nsec) * 1e-9;
    std::printf("idle editor: %.3f ms of CPU in %.2f s (%.3f %% of a core)\n", cpu * 1e3, wall, 100.0 * cpu / wall);
    EXPECT_LT(cpu / wall, 0.10);  // generous: the measured figure is printed above
}

}  // namespace
}  // namespace x11test
