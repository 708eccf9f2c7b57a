// The file dialogs end to end: Debian's zenity on the X server, answered with
// keystrokes through the XTest extension. Skips without an X server, XTest or
// zenity.
// GoogleTest first: Xlib defines None.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "presets/posix/ZenityDialogs.h"

namespace {

using presets::DialogStatus;

bool zenityOnPath() {
    const char* env = std::getenv("PATH");
    std::string list = env ? env : "";
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        if (::access((list.substr(start, end - start) + "/zenity").c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

void pause(int ms) {
    struct timespec ts = {ms / 1000, (ms % 1000) * 1000L * 1000L};
    ::nanosleep(&ts, nullptr);
}

// The dialog's windows belong to another process and can go at any moment,
// between finding one and asking about it: a request on a window that is gone
// fails (the caller sees the failure) instead of ending the test program.
XErrorHandler previousErrorHandler = nullptr;
int toleratingGoneWindows(Display* display, XErrorEvent* error) {
    if (error->error_code == BadWindow) return 0;
    return previousErrorHandler ? previousErrorHandler(display, error) : 0;
}

class ZenityX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY") || !(display = XOpenDisplay(nullptr)))
            GTEST_SKIP() << "no X server (DISPLAY not set or not reachable)";
        int event = 0, error = 0, major = 0, minor = 0;
        if (!XTestQueryExtension(display, &event, &error, &major, &minor))
            GTEST_SKIP() << "the X server has no XTest extension";
        if (!zenityOnPath()) GTEST_SKIP() << "zenity is not installed";
        const XErrorHandler previous = XSetErrorHandler(toleratingGoneWindows);
        if (previous != toleratingGoneWindows) previousErrorHandler = previous;
        char pattern[] = "/tmp/emberline-zenity-x11-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        dialogs = presets::createZenityDialogs();
    }
    void TearDown() override {
        dialogs.reset();
        if (display) XCloseDisplay(display);
        if (!dir.empty()) std::filesystem::remove_all(dir);
    }

    // A top-level window of the given title, searched through the whole tree.
    Window findTitled(Window w, const std::string& title) {
        char* name = nullptr;
        if (XFetchName(display, w, &name) && name) {
            const bool match = title == name;
            XFree(name);
            if (match) return w;
        }
        Window root = 0, parent = 0, *children = nullptr;
        unsigned n = 0;
        if (!XQueryTree(display, w, &root, &parent, &children, &n)) return 0;
        Window found = 0;
        for (unsigned i = 0; i < n && !found; ++i) found = findTitled(children[i], title);
        if (children) XFree(children);
        return found;
    }

    // Waits for the dialog's window to be shown, then presses key on it (again
    // every second, for a dialog not yet ready for keys) until the dialog
    // answers.
    DialogStatus answerWith(const std::string& title, KeySym key, std::string& path) {
        DialogStatus status = DialogStatus::Running;
        Window w = 0;
        for (int i = 0; i < 1000 && status == DialogStatus::Running; ++i) {
            status = dialogs->poll(path);
            if (status != DialogStatus::Running) break;
            if (!w) w = findTitled(DefaultRootWindow(display), title);
            XWindowAttributes attrs;
            if (w && !XGetWindowAttributes(display, w, &attrs)) w = 0;   // gone: searched for again
            if (w && attrs.map_state == IsViewable && i % 50 == 25) {
                XSetInputFocus(display, w, RevertToPointerRoot, CurrentTime);
                const KeyCode code = XKeysymToKeycode(display, key);
                XTestFakeKeyEvent(display, code, True, 0);
                XTestFakeKeyEvent(display, code, False, 0);
                XFlush(display);
            }
            pause(20);
        }
        return status;
    }

    static presets::FileDialogRequest request(bool save, const std::string& folder, const std::string& name) {
        return presets::fileDialogRequest(true, save, folder, name);
    }

    Display* display = nullptr;
    std::string dir;
    std::unique_ptr<presets::CFileDialogs> dialogs;
};

TEST_F(ZenityX11Test, SaveAndOpenDialogsAnsweredWithKeys) {
    // Enter takes the proposed name in the save dialog ...
    ASSERT_TRUE(dialogs->open(request(true, dir + "/", "endtoend.zvb")));
    std::string path;
    ASSERT_EQ(answerWith("Save bank as...", XK_Return, path), DialogStatus::Chosen);
    EXPECT_EQ(path, dir + "/endtoend.zvb");

    // ... and the proposed file in the open dialog.
    std::ofstream(dir + "/endtoend.zvb") << "bank";
    ASSERT_TRUE(dialogs->open(request(false, dir + "/", "endtoend.zvb")));
    path.clear();
    ASSERT_EQ(answerWith("Select bank to load...", XK_Return, path), DialogStatus::Chosen);
    EXPECT_EQ(path, dir + "/endtoend.zvb");

    // Escape cancels.
    ASSERT_TRUE(dialogs->open(request(false, dir + "/", "endtoend.zvb")));
    path.clear();
    EXPECT_EQ(answerWith("Select bank to load...", XK_Escape, path), DialogStatus::Cancelled);
    EXPECT_TRUE(path.empty());
}

}  // namespace
