#include "gui/x11/X11Window.h"

#include <X11/Xatom.h>
#include <X11/keysym.h>

#include <cmath>
#include <cstring>
#include <ctime>

#include "gui/CFrame.h"
#include "gui/x11/CairoCanvas.h"

namespace VSTGUI::x11 {

namespace {

// Errors of requests on windows that may be gone already (the host destroys
// its window before closing the editor) are ignored for one call only.
int ignoreErrors(Display*, XErrorEvent*) { return 0; }

struct ErrorTrap {
    Display* display;
    int (*previous)(Display*, XErrorEvent*);
    explicit ErrorTrap(Display* d) : display(d) {
        XSync(display, False);
        previous = XSetErrorHandler(&ignoreErrors);
    }
    ~ErrorTrap() {
        XSync(display, False);
        XSetErrorHandler(previous);
    }
};

int32_t buttonsFromState(unsigned state) {
    int32_t b = 0;
    if (state & Button1Mask) b |= kLButton;
    if (state & Button2Mask) b |= kMButton;
    if (state & Button3Mask) b |= kRButton;
    if (state & ShiftMask) b |= kShift;
    if (state & ControlMask) b |= kControl;
    if (state & Mod1Mask) b |= kAlt;
    return b;
}

int32_t buttonBit(unsigned button) {
    switch (button) {
        case Button1: return kLButton;
        case Button2: return kMButton;
        case Button3: return kRButton;
        default: return 0;
    }
}

uint8_t virtualKey(KeySym sym) {
    switch (sym) {
        case XK_BackSpace: return VKEY_BACK;
        case XK_Tab: return VKEY_TAB;
        case XK_Return: return VKEY_RETURN;
        case XK_KP_Enter: return VKEY_ENTER;
        case XK_Escape: return VKEY_ESCAPE;
        case XK_Left: case XK_KP_Left: return VKEY_LEFT;
        case XK_Up: case XK_KP_Up: return VKEY_UP;
        case XK_Right: case XK_KP_Right: return VKEY_RIGHT;
        case XK_Down: case XK_KP_Down: return VKEY_DOWN;
        case XK_Home: case XK_KP_Home: return VKEY_HOME;
        case XK_End: case XK_KP_End: return VKEY_END;
        case XK_Page_Up: return VKEY_PAGEUP;
        case XK_Page_Down: return VKEY_PAGEDOWN;
        case XK_Insert: return VKEY_INSERT;
        case XK_Delete: case XK_KP_Delete: return VKEY_DELETE;
        default: return 0;
    }
}

// UTF-8 of a key symbol when no input method translated it.
int keysymToUtf8(KeySym sym, char* out) {
    uint32_t c = 0;
    if ((sym >= 0x20 && sym <= 0x7e) || (sym >= 0xa0 && sym <= 0xff))
        c = (uint32_t)sym;
    else if ((sym & 0xff000000u) == 0x01000000u)
        c = (uint32_t)(sym & 0x00ffffffu);
    if (c == 0) return 0;
    if (c < 0x80) {
        out[0] = (char)c;
        return 1;
    }
    if (c < 0x800) {
        out[0] = (char)(0xc0 | (c >> 6));
        out[1] = (char)(0x80 | (c & 0x3f));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = (char)(0xe0 | (c >> 12));
        out[1] = (char)(0x80 | ((c >> 6) & 0x3f));
        out[2] = (char)(0x80 | (c & 0x3f));
        return 3;
    }
    out[0] = (char)(0xf0 | (c >> 18));
    out[1] = (char)(0x80 | ((c >> 12) & 0x3f));
    out[2] = (char)(0x80 | ((c >> 6) & 0x3f));
    out[3] = (char)(0x80 | (c & 0x3f));
    return 4;
}

}  // namespace

X11Window::X11Window(CFrame* frame, void* parent, const CRect& size, double scale)
    : frame(frame), width(size.width()), height(size.height()), scale(scale) {
    // Our own connection: the host's display pointer, if any, is not used. A
    // busy server may refuse a connection for a moment (its queue is full).
    display = XOpenDisplay(nullptr);
    for (int tries = 0; !display && tries < 5; ++tries) {
        timespec pause{0, 20 * 1000 * 1000};
        nanosleep(&pause, nullptr);
        display = XOpenDisplay(nullptr);
    }
    if (!display || !parent) return;
    int screen = DefaultScreen(display);
    Visual* visual = DefaultVisual(display, screen);
    if (DefaultDepth(display, screen) < 24 || visual->c_class != TrueColor) return;
    deviceWidth = (int32_t)std::ceil(width * scale);
    deviceHeight = (int32_t)std::ceil(height * scale);

    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None;
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            KeyPressMask | KeyReleaseMask | FocusChangeMask | StructureNotifyMask;
    {
        ErrorTrap trap(display);  // the parent may be gone
        window = XCreateWindow(display, (Window)(uintptr_t)parent, 0, 0, (unsigned)deviceWidth,
                               (unsigned)deviceHeight, 0, CopyFromParent, InputOutput, CopyFromParent,
                               CWBackPixmap | CWEventMask, &attributes);
        XWindowAttributes check;
        if (window && !XGetWindowAttributes(display, window, &check)) window = 0;
    }
    if (!window) return;
    XStoreName(display, window, "Window");
    // Mapped, as an embedded client tells its embedder.
    Atom xembedInfo = XInternAtom(display, "_XEMBED_INFO", False);
    long info[2] = {0, 1};
    XChangeProperty(display, window, xembedInfo, xembedInfo, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(info), 2);
    gc = XCreateGC(display, window, 0, nullptr);

    im = XOpenIM(display, nullptr, nullptr, nullptr);
    if (im)
        ic = XCreateIC(im, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow, window,
                       XNFocusWindow, window, nullptr);
    createBackBuffer();
    XMapWindow(display, window);
    XFlush(display);
}

X11Window::~X11Window() {
    if (display) {
        if (haveFocus) setKeyboardFocus(false);
        if (ic) XDestroyIC(ic);
        if (im) XCloseIM(im);
        releaseBackBuffer();
        if (gc) XFreeGC(display, gc);
        if (window) {
            ErrorTrap trap(display);
            XDestroyWindow(display, window);
        }
        XCloseDisplay(display);
    }
}

void X11Window::createBackBuffer() {
    back = cairo_image_surface_create(CAIRO_FORMAT_RGB24, deviceWidth, deviceHeight);
    canvas = new CairoCanvas(back, scale);
    int screen = DefaultScreen(display);
    image = XCreateImage(display, DefaultVisual(display, screen), (unsigned)DefaultDepth(display, screen),
                         ZPixmap, 0, reinterpret_cast<char*>(cairo_image_surface_get_data(back)),
                         (unsigned)deviceWidth, (unsigned)deviceHeight, 32,
                         cairo_image_surface_get_stride(back));
    if (image) {
        image->byte_order = LSBFirst;  // cairo's pixels are in the machine's order
        image->bitmap_bit_order = LSBFirst;
    }
}

void X11Window::releaseBackBuffer() {
    if (image) {
        image->data = nullptr;  // the pixels belong to cairo
        XDestroyImage(image);
        image = nullptr;
    }
    delete canvas;
    canvas = nullptr;
    if (back) cairo_surface_destroy(back);
    back = nullptr;
}

CPoint X11Window::toView(int x, int y) const {
    return CPoint((int32_t)std::floor(x / scale), (int32_t)std::floor(y / scale));
}

void X11Window::processEvents() {
    if (!display || !window) return;
    XEvent motion{};
    bool haveMotion = false;
    auto flushMotion = [&]() {
        if (!haveMotion) return;
        haveMotion = false;
        frame->platformMouseMoved(toView(motion.xmotion.x, motion.xmotion.y),
                                  buttonsFromState(motion.xmotion.state));
    };
    while (window && XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (XFilterEvent(&event, None)) continue;
        if (event.type == MotionNotify && event.xmotion.window == window) {
            motion = event;  // only the last of a run of moves counts
            haveMotion = true;
            continue;
        }
        flushMotion();
        handle(event);
    }
    flushMotion();
}

void X11Window::handle(XEvent& event) {
    switch (event.type) {
        case Expose: {
            const XExposeEvent& e = event.xexpose;
            CPoint a = toView(e.x, e.y);
            CPoint b((int32_t)std::ceil((e.x + e.width) / scale), (int32_t)std::ceil((e.y + e.height) / scale));
            frame->invalidRect(CRect(a.h, a.v, b.h, b.v));
            break;
        }
        case ButtonPress: {
            const XButtonEvent& e = event.xbutton;
            CPoint where = toView(e.x, e.y);
            if (e.button == Button4 || e.button == Button5) {
                frame->platformWheel(where, e.button == Button4 ? 1.0f : -1.0f, buttonsFromState(e.state));
            } else if (int32_t bit = buttonBit(e.button)) {
                frame->platformMouseDown(where, buttonsFromState(e.state) | bit);
            }
            break;
        }
        case ButtonRelease: {
            const XButtonEvent& e = event.xbutton;
            if (int32_t bit = buttonBit(e.button))
                frame->platformMouseUp(toView(e.x, e.y), buttonsFromState(e.state) & ~bit);
            break;
        }
        case KeyPress:
            key(event.xkey);
            break;
        case FocusOut:
            // Only a real move of the focus elsewhere counts: not the pointer
            // focus given up when we take the focus, nor a child's, nor what
            // happened before we took it (a field that ended just before).
            if (haveFocus && event.xfocus.mode == NotifyNormal && event.xfocus.detail != NotifyInferior &&
                event.xfocus.detail != NotifyPointer && event.xfocus.serial >= focusSerial) {
                haveFocus = false;
                if (ic) XUnsetICFocus(ic);
                frame->platformFocusLost();
            }
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == window) window = 0;  // gone with the host's window
            break;
        default:
            break;
    }
}

void X11Window::key(XKeyEvent& event) {
    char text[64] = {0};
    KeySym sym = NoSymbol;
    int n = 0;
    if (ic) {
        Status status = 0;
        n = Xutf8LookupString(ic, &event, text, sizeof text - 1, &sym, &status);
        if (status != XLookupChars && status != XLookupBoth) n = 0;
        if (status != XLookupKeySym && status != XLookupBoth) sym = sym ? sym : NoSymbol;
    } else {
        XLookupString(&event, text, sizeof text - 1, &sym, nullptr);
        n = keysymToUtf8(sym, text);
    }
    text[n > 0 ? n : 0] = 0;
    vst::VstKeyCode code{};
    code.virt = virtualKey(sym);
    if (event.state & ShiftMask) code.modifier |= MODIFIER_SHIFT;
    if (event.state & ControlMask) code.modifier |= MODIFIER_CONTROL;
    if (event.state & Mod1Mask) code.modifier |= MODIFIER_ALTERNATE;
    if (code.virt || (event.state & ControlMask) || n <= 0) {
        if (!code.virt && n == 1) code.character = (unsigned char)text[0];
        frame->platformKeyDown(code);
        return;
    }
    frame->platformTextInput(text);
}

platform::Canvas* X11Window::beginPaint() { return canvas; }

void X11Window::endPaint(const CRect* areas, int32_t count) {
    if (!display || !window || !image) return;
    cairo_surface_flush(back);
    for (int32_t i = 0; i < count; ++i) {
        int x0 = std::max(0, (int)std::floor(areas[i].left * scale));
        int y0 = std::max(0, (int)std::floor(areas[i].top * scale));
        int x1 = std::min(deviceWidth, (int)std::ceil(areas[i].right * scale));
        int y1 = std::min(deviceHeight, (int)std::ceil(areas[i].bottom * scale));
        if (x1 > x0 && y1 > y0)
            XPutImage(display, window, gc, image, x0, y0, x0, y0, (unsigned)(x1 - x0), (unsigned)(y1 - y0));
    }
    XFlush(display);
}

CPoint X11Window::pointerPosition() {
    if (!display || !window) return {};
    Window root, child;
    int rx, ry, x, y;
    unsigned mask;
    if (!XQueryPointer(display, window, &root, &child, &rx, &ry, &x, &y, &mask)) return {};
    return toView(x, y);
}

int32_t X11Window::mouseButtons() {
    if (!display || !window) return 0;
    Window root, child;
    int rx, ry, x, y;
    unsigned mask = 0;
    XQueryPointer(display, window, &root, &child, &rx, &ry, &x, &y, &mask);
    return buttonsFromState(mask);
}

void X11Window::setKeyboardFocus(bool take) {
    if (!display || !window || take == haveFocus) return;
    ErrorTrap trap(display);
    if (take) {
        XGetInputFocus(display, &previousFocus, &previousRevert);
        focusSerial = NextRequest(display);
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
        if (ic) XSetICFocus(ic);
    } else {
        if (ic) XUnsetICFocus(ic);
        if (previousFocus != 0 && previousFocus != window)
            XSetInputFocus(display, previousFocus, previousRevert, CurrentTime);
        previousFocus = 0;
    }
    haveFocus = take;
}

void X11Window::resize(int32_t w, int32_t h, double s) {
    if (!display) return;
    width = w;
    height = h;
    scale = s;
    deviceWidth = (int32_t)std::ceil(width * scale);
    deviceHeight = (int32_t)std::ceil(height * scale);
    releaseBackBuffer();
    createBackBuffer();
    if (window) {
        XResizeWindow(display, window, (unsigned)deviceWidth, (unsigned)deviceHeight);
        XFlush(display);
    }
}

}  // namespace VSTGUI::x11
