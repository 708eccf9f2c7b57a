// Driving a plug-in editor on a real X server: a parent window as a host
// makes it, real input through the XTest extension, screenshots, and the
// host calls the plug-in made. The tests skip when no X server is reachable
// (scripts/test.sh starts one).
#pragma once

#include <gtest/gtest.h>
// After GoogleTest: Xlib's macros (None, Bool, Status) would break its headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tools/vsthost/VstHost.h"

namespace x11test {

struct Pixel {
    int r, g, b;
};

// A busy server refuses connections for a moment when its queue is full.
inline Display* openDisplay() {
    if (!std::getenv("DISPLAY")) return nullptr;
    for (int tries = 0; tries < 50; ++tries) {
        if (Display* d = XOpenDisplay(nullptr)) return d;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return nullptr;
}

class EditorHost : public ::testing::Test {
protected:
    void SetUp() override {
        display = openDisplay();
        if (!display) GTEST_SKIP() << "no X server (DISPLAY not set or not reachable)";
        int event, error, major, minor;
        if (!XTestQueryExtension(display, &event, &error, &major, &minor))
            GTEST_SKIP() << "the X server has no XTest extension";
        std::string error2;
        plugin = vsthost::Plugin::load(pluginPath(), error2);
        ASSERT_TRUE(plugin) << error2;
        plugin->setRecording(true);
    }
    void TearDown() override {
        if (plugin && editorOpen) plugin->dispatch(vst::effEditClose);
        plugin.reset();
        if (display) {
            if (parent) XDestroyWindow(display, parent);
            releaseButtons();
            XCloseDisplay(display);
        }
    }

    // The library under test.
    virtual std::string pluginPath() const { return EMBERLINE_TEST_EDITOR_PATH; }

    Window makeParent(int w, int h) {
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 10, 10, (unsigned)w, (unsigned)h, 0,
                                     0, 0x202020);
        XMapWindow(display, parent);
        XSync(display, False);
        return parent;
    }
    void openEditor(int w = 400, int h = 300) {
        if (!parent) makeParent(w, h);
        ASSERT_EQ(plugin->dispatch(vst::effEditOpen, 0, 0, (void*)(uintptr_t)parent), 1);
        editorOpen = true;
        pump(150);
        child = editorWindow();
        ASSERT_NE(child, 0u);
    }
    void closeEditor() {
        plugin->dispatch(vst::effEditClose);
        editorOpen = false;
        XSync(display, False);
    }
    Window editorWindow() {
        Window root, par, *children = nullptr;
        unsigned n = 0;
        XQueryTree(display, parent, &root, &par, &children, &n);
        Window w = n ? children[0] : 0;
        if (children) XFree(children);
        return w;
    }
    unsigned childCount() {
        Window root, par, *children = nullptr;
        unsigned n = 0;
        XQueryTree(display, parent, &root, &par, &children, &n);
        if (children) XFree(children);
        return n;
    }
    // Idle calls from this thread for about ms milliseconds.
    void pump(int ms) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        do {
            XSync(display, False);
            plugin->dispatch(vst::effEditIdle);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        } while (std::chrono::steady_clock::now() < end);
    }

    // Real input at editor coordinates.
    void moveTo(int x, int y) {
        int rx, ry;
        Window dummy;
        XTranslateCoordinates(display, child, DefaultRootWindow(display), x, y, &rx, &ry, &dummy);
        XTestFakeMotionEvent(display, -1, rx, ry, 0);
        XFlush(display);
        step();
    }
    void button(unsigned b, bool down) {
        XTestFakeButtonEvent(display, b, down ? True : False, 0);
        XFlush(display);
        if (down) held.push_back(b); else held.clear();
        step();
    }
    void click(int x, int y, unsigned b = 1) {
        moveTo(x, y);
        button(b, true);
        button(b, false);
    }
    void drag(int x0, int y0, int x1, int y1, int steps = 8) {
        moveTo(x0, y0);
        button(1, true);
        for (int i = 1; i <= steps; ++i) moveTo(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
        button(1, false);
    }
    void keyTap(KeySym sym) {
        KeyCode code = XKeysymToKeycode(display, sym);
        XTestFakeKeyEvent(display, code, True, 0);
        XTestFakeKeyEvent(display, code, False, 0);
        XFlush(display);
        step();
    }
    void releaseButtons() {
        for (unsigned b : held) XTestFakeButtonEvent(display, b, False, 0);
        held.clear();
        XFlush(display);
    }
    // Gives the editor time to read the input: a few idle calls.
    virtual void step() { pump(40); }
    // Idle calls until done() holds, at most about ms milliseconds (a busy
    // machine may take a while to pass input on); whether it came to hold.
    template <typename F>
    bool pumpUntil(F done, int ms = 3000) {
        for (int waited = 0; waited < ms; waited += 20) {
            if (done()) return true;
            pump(20);
        }
        return done();
    }

    Pixel pixel(int x, int y) {
        XImage* img = XGetImage(display, child, x, y, 1, 1, AllPlanes, ZPixmap);
        if (!img) return {-1, -1, -1};
        unsigned long p = XGetPixel(img, 0, 0);
        XDestroyImage(img);
        return {(int)((p >> 16) & 0xff), (int)((p >> 8) & 0xff), (int)(p & 0xff)};
    }
    // Pixels of a region that are close to a colour.
    int countNear(int x0, int y0, int x1, int y1, Pixel c, int tolerance = 40) {
        XImage* img = XGetImage(display, child, x0, y0, (unsigned)(x1 - x0), (unsigned)(y1 - y0), AllPlanes, ZPixmap);
        if (!img) return -1;
        int n = 0;
        for (int y = 0; y < y1 - y0; ++y)
            for (int x = 0; x < x1 - x0; ++x) {
                unsigned long p = XGetPixel(img, x, y);
                int r = (int)((p >> 16) & 0xff), g = (int)((p >> 8) & 0xff), b = (int)(p & 0xff);
                if (std::abs(r - c.r) + std::abs(g - c.g) + std::abs(b - c.b) <= tolerance) ++n;
            }
        XDestroyImage(img);
        return n;
    }

    // The edit gestures and automation the plug-in reported, one line each:
    // "begin I", "end I", "set I V".
    std::vector<std::string> edits() {
        std::vector<std::string> out;
        for (const vsthost::HostCall& c : plugin->calls()) {
            char buf[64];
            if (c.opcode == vst::audioMasterBeginEdit)
                std::snprintf(buf, sizeof buf, "begin %d", c.index);
            else if (c.opcode == vst::audioMasterEndEdit)
                std::snprintf(buf, sizeof buf, "end %d", c.index);
            else if (c.opcode == vst::audioMasterAutomate)
                std::snprintf(buf, sizeof buf, "set %d %.4f", c.index, c.opt);
            else
                continue;
            out.push_back(buf);
        }
        plugin->clearCalls();
        return out;
    }

    Display* display = nullptr;
    Window parent = 0, child = 0;
    std::unique_ptr<vsthost::Plugin> plugin;
    bool editorOpen = false;
    std::vector<unsigned> held;
};

inline bool near(Pixel p, Pixel c, int tolerance = 12) {
    return std::abs(p.r - c.r) <= tolerance && std::abs(p.g - c.g) <= tolerance && std::abs(p.b - c.b) <= tolerance;
}

}  // namespace x11test
