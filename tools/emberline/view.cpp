// emberline view [PLUGIN.so] [--scale S] [--input FILE] [--seconds S]
//                [--click X,Y]... [--screenshot FILE.png --after MS]
// A window that shows any VST 2.4 plug-in's X11 editor, the way a host does:
// the editor opens inside a top-level window, gets idle calls about 30 times a
// second, and audio runs through the plug-in in real time (from a file or
// generated material, to no sound device) so that meters move.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tools/emberline/AudioFile.h"
#include "tools/emberline/Command.h"
#include "tools/emberline/Signal.h"
#include "tools/vsthost/VstHost.h"

namespace cli {
namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 256;

struct ViewOptions {
    std::string plugin;
    std::string input;
    std::string screenshot;
    double scale = 0;
    long afterMs = 1000;
    double seconds = 0;  // 0: until the window is closed
    std::vector<std::pair<int, int>> clicks;  // window points clicked after opening
};

// A left click at a point of the plug-in's window (the first child of the
// host window), as a window system would send it.
void sendClick(Display* display, Window host, int x, int y) {
    Window root, parent, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(display, host, &root, &parent, &children, &n) || n == 0) return;
    Window target = children[0];
    XFree(children);
    for (int type : {ButtonPress, ButtonRelease}) {
        XEvent e{};
        e.xbutton.type = type;
        e.xbutton.display = display;
        e.xbutton.window = target;
        e.xbutton.root = root;
        e.xbutton.x = x;
        e.xbutton.y = y;
        e.xbutton.button = Button1;
        e.xbutton.state = type == ButtonRelease ? Button1Mask : 0;
        e.xbutton.same_screen = True;
        XSendEvent(display, target, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
    }
    XFlush(display);
}

// Plays interleaved stereo material through the plug-in in real time, looped.
class AudioRunner {
public:
    AudioRunner(vsthost::Plugin& plugin, std::vector<double> material)
        : plugin(plugin), material(std::move(material)) {}
    ~AudioRunner() { stop(); }
    void start() { thread = std::thread([this] { run(); }); }
    void stop() {
        done.store(true);
        if (thread.joinable()) thread.join();
    }
    long long blocks() const { return processed.load(); }

private:
    void run() {
        std::vector<float> in[2], out[2];
        for (int c = 0; c < 2; ++c) {
            in[c].assign(kBlock, 0.0f);
            out[c].assign(kBlock, 0.0f);
        }
        float* ins[2] = {in[0].data(), in[1].data()};
        float* outs[2] = {out[0].data(), out[1].data()};
        size_t frames = material.size() / 2, at = 0;
        auto next = std::chrono::steady_clock::now();
        while (!done.load()) {
            for (int i = 0; i < kBlock; ++i, at = frames ? (at + 1) % frames : 0) {
                in[0][i] = frames ? (float)material[2 * at] : 0.0f;
                in[1][i] = frames ? (float)material[2 * at + 1] : 0.0f;
            }
            plugin.process(ins, outs, kBlock);
            processed.fetch_add(1);
            next += std::chrono::microseconds(1000000LL * kBlock / kRate);
            std::this_thread::sleep_until(next);
        }
    }
    vsthost::Plugin& plugin;
    std::vector<double> material;
    std::thread thread;
    std::atomic<bool> done{false};
    std::atomic<long long> processed{0};
};

bool writeScreenshot(Display* display, Window window, int w, int h, const std::string& path, std::string& error) {
    XImage* image = XGetImage(display, window, 0, 0, (unsigned)w, (unsigned)h, AllPlanes, ZPixmap);
    if (!image) {
        error = "could not read the window's pixels";
        return false;
    }
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
        for (int x = 0; x < w; ++x) row[x] = (uint32_t)(XGetPixel(image, x, y) & 0xffffffu);
    }
    XDestroyImage(image);
    cairo_surface_mark_dirty(s);
    cairo_status_t status = cairo_surface_write_to_png(s, path.c_str());
    cairo_surface_destroy(s);
    if (status != CAIRO_STATUS_SUCCESS) {
        error = "cannot write " + path + ": " + cairo_status_to_string(status);
        return false;
    }
    return true;
}

std::vector<double> loadMaterial(const std::string& path, std::string& error) {
    if (path.empty()) return makeProgramme(8.0, kRate);
    AudioReader reader;
    if (!reader.open(path, error)) return {};
    std::vector<double> all, buf((size_t)reader.info().channels * 4096);
    long long n;
    while ((n = reader.read(buf.data(), 4096)) > 0)
        for (long long i = 0; i < n; ++i) {
            double l = buf[(size_t)(i * reader.info().channels)];
            double r = reader.info().channels > 1 ? buf[(size_t)(i * reader.info().channels + 1)] : l;
            all.push_back(l);
            all.push_back(r);
        }
    if (all.empty()) error = path + ": no audio";
    return all;
}

int parse(const Args& args, ViewOptions& o) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool needsValue = a == "--scale" || a == "--screenshot" || a == "--after" || a == "--input" ||
                          a == "--seconds" || a == "--click";
        if (needsValue && i + 1 >= args.size()) return fail(a + " needs a value");
        char* end = nullptr;
        if (a == "--scale") {
            o.scale = std::strtod(args[++i].c_str(), &end);
            if (*end || !(o.scale >= 1 && o.scale <= 4)) return fail("--scale takes 1..4, not '" + args[i] + "'");
        } else if (a == "--after") {
            o.afterMs = std::strtol(args[++i].c_str(), &end, 10);
            if (*end || o.afterMs < 0 || o.afterMs > 600000) return fail("--after takes 0..600000 ms");
        } else if (a == "--seconds") {
            o.seconds = std::strtod(args[++i].c_str(), &end);
            if (*end || !(o.seconds > 0 && o.seconds <= 86400)) return fail("--seconds takes a positive time");
        } else if (a == "--screenshot") {
            o.screenshot = args[++i];
        } else if (a == "--click") {
            int x = -1, y = -1;
            char tail = 0;
            if (std::sscanf(args[++i].c_str(), "%d,%d%c", &x, &y, &tail) != 2 || x < 0 || y < 0)
                return fail("--click takes X,Y in window pixels, not '" + args[i] + "'");
            o.clicks.emplace_back(x, y);
        } else if (a == "--input") {
            o.input = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            return fail("view: unknown option '" + a + "'");
        } else if (o.plugin.empty()) {
            o.plugin = a;
        } else {
            return fail("view: give one plug-in");
        }
    }
    return 0;
}

void printUsage() {
    std::printf(
        "usage: emberline view [PLUGIN.so] [--scale S] [--input FILE] [--seconds S]\n"
        "                      [--click X,Y]... [--screenshot FILE.png [--after MS]]\n"
        "Opens the plug-in's editor in a window (default: the second edition) and runs\n"
        "audio through it in real time, from FILE or generated material, to no device.\n"
        "--click clicks the editor at X,Y (window pixels) 300 ms after opening, in order.\n"
        "--screenshot saves the window MS milliseconds (default 1000) after opening and quits.\n");
}

int runView(const Args& args) {
    for (const std::string& a : args)
        if (a == "-h" || a == "--help") {
            printUsage();
            return 0;
        }
    ViewOptions o;
    if (int rc = parse(args, o)) return rc;
    if (o.plugin.empty()) o.plugin = defaultPluginPath(2);
    std::string error;
    std::vector<double> material = loadMaterial(o.input, error);
    if (material.empty()) return fail(error);

    auto plugin = vsthost::Plugin::load(o.plugin, error);
    if (!plugin) return fail(error);
    if (!(plugin->effect()->flags & vst::effFlagsHasEditor))
        return fail(o.plugin + " has no editor to show");
    plugin->setSampleRate((float)kRate);
    plugin->setBlockSize(kBlock);
    plugin->resume();
    if (o.scale > 0)
        plugin->dispatch(vst::effVendorSpecific, vst::fourCC('P', 'r', 'e', 'S'), vst::fourCC('A', 'e', 'C', 's'),
                         nullptr, (float)o.scale);

    Display* display = XOpenDisplay(nullptr);
    for (int tries = 0; !display && getenv("DISPLAY") && tries < 20; ++tries) {  // a busy server
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        display = XOpenDisplay(nullptr);
    }
    if (!display) return fail("cannot open the X display (is DISPLAY set?)");
    vst::ERect* r = nullptr;
    plugin->dispatch(vst::effEditGetRect, 0, 0, &r);
    int w = r ? r->right - r->left : 400, h = r ? r->bottom - r->top : 300;
    if (w <= 0 || h <= 0) w = 400, h = 300;
    Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, (unsigned)w, (unsigned)h, 0, 0, 0);
    std::string title = "emberline view: " + plugin->effectName();
    XStoreName(display, window, title.c_str());
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    XSync(display, False);
    if (plugin->dispatch(vst::effEditOpen, 0, 0, (void*)(uintptr_t)window) == 0)
        std::fprintf(stderr, "emberline: the plug-in did not confirm opening its editor\n");

    AudioRunner audio(*plugin, std::move(material));
    audio.start();
    auto start = std::chrono::steady_clock::now();
    int rc = 0;
    for (bool running = true; running;) {
        while (XPending(display) > 0) {
            XEvent e;
            XNextEvent(display, &e);
            if (e.type == ClientMessage && (Atom)e.xclient.data.l[0] == deleteWindow) running = false;
        }
        plugin->dispatch(vst::effEditIdle);
        // The editor may have changed its size (scale): the window follows.
        if (plugin->dispatch(vst::effEditGetRect, 0, 0, &r) && r && r->right - r->left > 0 &&
            (r->right - r->left != w || r->bottom - r->top != h)) {
            w = r->right - r->left;
            h = r->bottom - r->top;
            XResizeWindow(display, window, (unsigned)w, (unsigned)h);
        }
        double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!o.clicks.empty() && elapsed >= 0.3) {
            for (const auto& [x, y] : o.clicks) {
                sendClick(display, window, x, y);
                plugin->dispatch(vst::effEditIdle);
            }
            o.clicks.clear();
        }
        if (!o.screenshot.empty() && elapsed * 1000.0 >= (double)o.afterMs) {
            XSync(display, False);
            if (!writeScreenshot(display, window, w, h, o.screenshot, error)) rc = fail(error);
            else std::printf("%s: %d x %d, %lld audio blocks run\n", o.screenshot.c_str(), w, h, audio.blocks());
            running = false;
        }
        if (o.seconds > 0 && elapsed >= o.seconds) running = false;
        std::this_thread::sleep_for(std::chrono::milliseconds(33));
    }
    plugin->dispatch(vst::effEditClose);
    audio.stop();
    plugin->suspend();
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    return rc;
}

CommandRegistration reg("view", "show a plug-in's editor in a window, with audio running", runView);

}  // namespace
}  // namespace cli
