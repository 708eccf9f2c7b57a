// Both editions' windows on a real X server: what the screen shows against
// the bitmaps at their places, and knobs, page switches and typed values
// driven with real input.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <atomic>
#include <thread>
#include <cstring>

#include "resources/BitmapResources.h"
#include "resources/PngSurface.h"
#include "tests/gui/X11TestSupport.h"
#include "tests/support/AudioLoop.h"

namespace x11test {
namespace {

struct Edition {
    const char* path;
    int second;  // 1: the second edition
};

// The host indices the tests use, per edition.
int knobModeIndex(const Edition& e) { return e.second ? 48 : 54; }
int setupSwitchX = 160, setupSwitchY = 413;

class ProductEditor : public EditorHost, public ::testing::WithParamInterface<Edition> {
protected:
    std::string pluginPath() const override { return GetParam().path; }
    void openProduct() { openEditor(450, 460); }

    // The share of the pixels of a window rectangle that equal the bitmap's
    // pixels at (sx, sy) (opaque bitmap pixels only).
    double matchShare(int id, int x, int y, int w, int h, int sx, int sy) {
        const resources::BitmapResource* res = resources::findBitmap(id, 1);
        if (!res) return -1;
        cairo_surface_t* s = resources::decodePng(res->png, res->size);
        if (!s) return -1;
        const unsigned char* data = cairo_image_surface_get_data(s);
        const int stride = cairo_image_surface_get_stride(s);
        XImage* img = XGetImage(display, child, x, y, (unsigned)w, (unsigned)h, AllPlanes, ZPixmap);
        int same = 0, counted = 0;
        for (int j = 0; img && j < h; ++j)
            for (int i = 0; i < w; ++i) {
                uint32_t p;
                std::memcpy(&p, data + (sy + j) * stride + (sx + i) * 4, 4);
                if ((p >> 24) != 0xff) continue;
                unsigned long q = XGetPixel(img, i, j);
                ++counted;
                int d = std::abs((int)((p >> 16) & 0xff) - (int)((q >> 16) & 0xff)) +
                        std::abs((int)((p >> 8) & 0xff) - (int)((q >> 8) & 0xff)) +
                        std::abs((int)(p & 0xff) - (int)(q & 0xff));
                if (d <= 6) ++same;
            }
        if (img) XDestroyImage(img);
        cairo_surface_destroy(s);
        return counted ? (double)same / counted : -1;
    }
    int frameOf(float v, int frames) { return (int)(v * (frames - 1)); }
    // The host has heard the end of an edit of index (since the calls were cleared).
    bool endHeard(int index) {
        return pumpUntil([&] {
            for (const vsthost::HostCall& c : plugin->calls())
                if (c.opcode == vst::audioMasterEndEdit && c.index == index) return true;
            return false;
        });
    }
    // The parameter reaches the value (within tolerance) once the input is read.
    bool reaches(int index, float value, float tolerance = 0.0f) {
        return pumpUntil([&] { return std::fabs(plugin->getParameter(index) - value) <= tolerance; });
    }
};

TEST_P(ProductEditor, BothPagesShowTheirBitmapsAtTheirPlaces) {
    const Edition& e = GetParam();
    plugin->setParameter(4, 0.5f);   // Drive: frame 50, column 5, row 0
    plugin->setParameter(5, 0.25f);  // Knee: frame 25
    plugin->setParameter(0, 1.0f);   // Process on: lower half
    openProduct();
    const int background = e.second ? 19000 : 19100;
    EXPECT_GT(matchShare(background, 0, 0, 450, 20, 0, 0), 0.98) << "the top of the main page";
    EXPECT_GT(matchShare(background, 0, 140, 40, 100, 0, 140), 0.98) << "a plain part of the main page";
    EXPECT_GT(matchShare(19009, 122, 162, 113, 93, 5 * 113, 0), 0.97) << "Drive at frame 50";
    EXPECT_GT(matchShare(19008, 46, 167, 60, 50, 0, 25 * 50), 0.97) << "Knee at frame 25";
    EXPECT_GT(matchShare(e.second ? 19014 : 19114, 42, 398, 36, 40, 0, 40), 0.97) << "Process on";
    const float mode = plugin->getParameter(e.second ? 57 : 65);
    const int modeFrame = mode >= 0.75f ? 3 : mode >= 0.5f ? 2 : mode >= 0.25f ? 1 : 0;
    EXPECT_GT(matchShare(19016, 326, 388, 45, 48, 0, modeFrame * 48), 0.97) << "channel mode " << mode;

    click(setupSwitchX, setupSwitchY);
    pump(100);
    EXPECT_GT(matchShare(19002, 0, 140, 450, 40, 0, 140), 0.98) << "the setup page";
    const float fine = plugin->getParameter(e.second ? 24 : 28);
    EXPECT_GT(matchShare(19032, 264, 381, 30, 30, 0, frameOf(fine, 51) * 30), 0.97) << "FineTune's knob";
    // The strip below stays on both pages.
    EXPECT_GT(matchShare(background, 0, 446, 20, 12, 0, 446), 0.95);
    click(200, 80);  // back
    pump(100);
    EXPECT_GT(matchShare(background, 0, 140, 40, 100, 0, 140), 0.98);
}

TEST_P(ProductEditor, LinearDragShiftAndTypedValuesWithRealInput) {
    const Edition& e = GetParam();
    plugin->setParameter(knobModeIndex(e), 1.0f);  // linear knobs
    plugin->setParameter(5, 0.2f);                 // Knee
    openProduct();
    pump(100);
    plugin->clearCalls();
    // 150 pixels up: half the travel.
    drag(76, 192, 76, 42, 10);
    ASSERT_TRUE(endHeard(5));
    EXPECT_NEAR(plugin->getParameter(5), 0.7f, 0.01f);
    std::vector<std::string> heard = edits();
    // The press tells the value it starts from, then the gesture begins.
    ASSERT_GE(heard.size(), 4u);
    EXPECT_EQ(heard[0], "set 5 0.2000");
    EXPECT_EQ(heard[1], "begin 5");
    EXPECT_EQ(heard.back(), "end 5");
    EXPECT_EQ(std::count(heard.begin(), heard.end(), std::string("begin 5")), 1);

    // Double click on Drive, type 6, Return: (24 + 6) / 48 with FineTune at 100 %.
    plugin->setParameter(e.second ? 24 : 28, 1.0f);
    pump(60);
    moveTo(178, 208);
    button(1, true);
    button(1, false);
    button(1, true);
    button(1, false);
    pump(100);
    keyTap(XK_6);
    keyTap(XK_Return);
    pump(100);
    EXPECT_TRUE(reaches(4, 0.625f)) << plugin->getParameter(4);
}

TEST_P(ProductEditor, ShiftControlButtonsAndTheFourWayButtonWithRealInput) {
    const Edition& e = GetParam();
    plugin->setParameter(knobModeIndex(e), 1.0f);
    plugin->setParameter(5, 0.2f);   // Knee
    plugin->setParameter(6, 0.5f);   // Speed
    plugin->setParameter(12, 0.3f);  // Mix
    plugin->setParameter(3, 0.7f);   // Link, between the two states
    openProduct();
    pump(100);
    // Shift pressed halfway: the value goes on from where it is, a fifth as
    // fast. The move on which Shift is first seen still counts at full
    // speed: 90 pixels at 1/300, then 60 at 1/1500.
    moveTo(76, 192);
    button(1, true);
    for (int y = 192 - 15; y >= 192 - 75; y -= 15) moveTo(76, y);
    const unsigned shift = XKeysymToKeycode(display, XK_Shift_L);
    XTestFakeKeyEvent(display, shift, True, 0);
    XFlush(display);
    step();
    for (int y = 192 - 90; y >= 192 - 150; y -= 15) moveTo(76, y);
    button(1, false);
    XTestFakeKeyEvent(display, shift, False, 0);
    XFlush(display);
    pump(60);
    EXPECT_TRUE(reaches(5, 0.2f + 0.3f + 0.04f, 0.005f)) << plugin->getParameter(5);
    // 300 pixels down from the middle ends at the bottom, not below.
    drag(76, 270, 76, 570, 10);
    pump(60);
    EXPECT_TRUE(reaches(6, 0.0f)) << plugin->getParameter(6);
    // Control-click: Mix's default is full.
    const unsigned control = XKeysymToKeycode(display, XK_Control_L);
    XTestFakeKeyEvent(display, control, True, 0);
    XFlush(display);
    click(283, 348);
    XTestFakeKeyEvent(display, control, False, 0);
    XFlush(display);
    pump(60);
    EXPECT_TRUE(reaches(12, 1.0f)) << plugin->getParameter(12);
    // An on/off button at 0.7 is on: a click keeps it on, the next turns it off.
    click(390, 418);
    EXPECT_TRUE(reaches(3, 1.0f)) << plugin->getParameter(3);
    click(390, 418);
    EXPECT_TRUE(reaches(3, 0.0f)) << plugin->getParameter(3);
    // The four-way button: the left quarter at mid-height picks the left
    // channel; pressed there and dragged to a corner, the value at the press comes back.
    const int modeIndex = e.second ? 57 : 65;
    click(330, 412);
    EXPECT_TRUE(reaches(modeIndex, 0.33f, 0.005f)) << plugin->getParameter(modeIndex);
    click(351, 432);  // the lower zone: stereo
    EXPECT_TRUE(reaches(modeIndex, 1.0f, 0.005f)) << plugin->getParameter(modeIndex);
    const float stereo = plugin->getParameter(modeIndex);
    moveTo(330, 412);
    button(1, true);
    moveTo(327, 389);
    button(1, false);
    pump(60);
    pump(100);
    EXPECT_FLOAT_EQ(plugin->getParameter(modeIndex), stereo);
    // A click on a meter switches the scale of both.
    const float scale = plugin->getParameter(e.second ? 25 : 35);
    click(120, 70);
    EXPECT_TRUE(pumpUntil([&] { return plugin->getParameter(e.second ? 25 : 35) != scale; }));
}

TEST_P(ProductEditor, TheStripStepsProgramsAndKeepsMemosWithRealInput) {
    openProduct();
    pump(100);
    // The rocker's right half: the next program, whose name the host sees.
    const std::string first = plugin->programName();
    click(336, 451);
    EXPECT_TRUE(pumpUntil([&] { return plugin->programName() != first; })) << first;
    const std::string second = plugin->programName();
    click(336, 451);
    EXPECT_TRUE(pumpUntil([&] { return plugin->programName() != second; })) << second;
    click(318, 451);  // the left half: one back
    EXPECT_TRUE(pumpUntil([&] { return plugin->programName() == second; })) << plugin->programName();
    // Store A, change Drive, recall A: Drive comes back.
    plugin->setParameter(4, 0.3f);
    click(358, 451);
    pump(60);
    plugin->setParameter(4, 0.9f);
    click(380, 451);
    EXPECT_TRUE(reaches(4, 0.3f)) << plugin->getParameter(4);
    // On the setup page the strip is still there.
    click(setupSwitchX, setupSwitchY);
    pump(60);
    plugin->setParameter(4, 0.8f);
    click(380, 451);
    EXPECT_TRUE(reaches(4, 0.3f)) << plugin->getParameter(4);
}

TEST_P(ProductEditor, FiftyOpenCloseCyclesWithAudioRunningLeaveNothingBehind) {
    makeParent(450, 460);
    auto topWindows = [&] {
        Window root, par, *children = nullptr;
        unsigned n = 0;
        XQueryTree(display, DefaultRootWindow(display), &root, &par, &children, &n);
        if (children) XFree(children);
        return n;
    };
    const unsigned before = topWindows();
    plugin->setSampleRate(44100.0f);
    plugin->setBlockSize(256);
    plugin->resume();
    auto audio = std::make_unique<testing_support::AudioLoop>(
        [&](float** in, float** out, int n) { plugin->process(in, out, n); }, 0.5f);
    ASSERT_TRUE(audio->waitForBlocks(4));
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(plugin->dispatch(vst::effEditOpen, 0, 0, (void*)(uintptr_t)parent), 1);
        plugin->dispatch(vst::effEditIdle);
        if (i % 7 == 0) {
            child = editorWindow();
            click(setupSwitchX, setupSwitchY);  // closed on the setup page now and then
        }
        plugin->dispatch(vst::effEditIdle);
        plugin->dispatch(vst::effEditClose);
        XSync(display, False);
        ASSERT_EQ(childCount(), 0u) << "cycle " << i;
    }
    audio.reset();
    plugin->suspend();
    EXPECT_EQ(topWindows(), before);
}

INSTANTIATE_TEST_SUITE_P(BothEditions, ProductEditor,
                         ::testing::Values(Edition{EMBERLINE2_PATH, 1}, Edition{EMBERLINE1_PATH, 0}),
                         [](const ::testing::TestParamInfo<Edition>& info) {
                             return std::string(info.param.second ? "Edition2" : "Edition1");
                         });

}  // namespace
}  // namespace x11test
