// Basic types of the widget toolkit: reference counting, points, rectangles,
// colours, mouse-state bits, key codes and the standard fonts.
#pragma once

#include <algorithm>
#include <cstdint>

namespace VSTGUI {

// Base of views and bitmaps: the count starts at 1; forget() at 1 deletes.
class CReferenceCounter {
public:
    CReferenceCounter() = default;
    CReferenceCounter(const CReferenceCounter&) = delete;
    CReferenceCounter& operator=(const CReferenceCounter&) = delete;
    virtual ~CReferenceCounter() = default;

    virtual void forget() {
        if (--nbReference == 0) delete this;
    }
    virtual void remember() { ++nbReference; }
    int32_t getNbReference() const { return nbReference; }

private:
    int32_t nbReference = 1;
};

struct CPoint {
    int32_t h = 0, v = 0;
    CPoint() = default;
    CPoint(int32_t h, int32_t v) : h(h), v(v) {}
    CPoint& offset(int32_t dh, int32_t dv) {
        h += dh;
        v += dv;
        return *this;
    }
    bool operator==(const CPoint& o) const { return h == o.h && v == o.v; }
    bool operator!=(const CPoint& o) const { return !(*this == o); }
};

// Right and bottom are exclusive.
struct CRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    CRect() = default;
    CRect(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {}

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    CPoint topLeft() const { return {left, top}; }
    CRect& offset(int32_t dh, int32_t dv) {
        left += dh;
        right += dh;
        top += dv;
        bottom += dv;
        return *this;
    }
    CRect& moveTo(int32_t x, int32_t y) { return offset(x - left, y - top); }
    CRect& inset(int32_t dh, int32_t dv) {
        left += dh;
        right -= dh;
        top += dv;
        bottom -= dv;
        return *this;
    }
    bool pointInside(const CPoint& p) const {
        return p.h >= left && p.h < right && p.v >= top && p.v < bottom;
    }
    // Both bounds inclusive: the test the container's view search uses.
    bool pointInsideInclusive(const CPoint& p) const {
        return p.h >= left && p.h <= right && p.v >= top && p.v <= bottom;
    }
    bool rectOverlap(const CRect& o) const {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    // Intersection (empty when they do not overlap).
    CRect& bound(const CRect& o) {
        left = std::max(left, o.left);
        top = std::max(top, o.top);
        right = std::max(left, std::min(right, o.right));
        bottom = std::max(top, std::min(bottom, o.bottom));
        return *this;
    }
    CRect& unite(const CRect& o) {
        if (o.isEmpty()) return *this;
        if (isEmpty()) return *this = o;
        left = std::min(left, o.left);
        top = std::min(top, o.top);
        right = std::max(right, o.right);
        bottom = std::max(bottom, o.bottom);
        return *this;
    }
    bool operator==(const CRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const CRect& o) const { return !(*this == o); }
};

struct CColor {
    uint8_t red = 0, green = 0, blue = 0, alpha = 255;
    bool operator==(const CColor& o) const {
        return red == o.red && green == o.green && blue == o.blue && alpha == o.alpha;
    }
    bool operator!=(const CColor& o) const { return !(*this == o); }
};

constexpr CColor kWhiteCColor{255, 255, 255, 255};
constexpr CColor kBlackCColor{0, 0, 0, 255};
constexpr CColor kGreyCColor{127, 127, 127, 255};
constexpr CColor kTransparentCColor{255, 255, 255, 0};

// Mouse-state bits: buttons and modifiers.
enum : int32_t {
    kLButton = 1,
    kMButton = 2,
    kRButton = 4,
    kShift = 8,
    kControl = 16,
    kAlt = 32,
};
constexpr int32_t kModifierMask = kShift | kControl | kAlt;

// Knob modes the host and the editor set.
enum : int32_t { kCircularMode = 0, kRelativCircularMode = 1, kLinearMode = 2 };

// Virtual key codes of the host key interface.
enum : uint8_t {
    VKEY_BACK = 1, VKEY_TAB, VKEY_CLEAR, VKEY_RETURN, VKEY_PAUSE, VKEY_ESCAPE, VKEY_SPACE,
    VKEY_NEXT, VKEY_END, VKEY_HOME, VKEY_LEFT, VKEY_UP, VKEY_RIGHT, VKEY_DOWN, VKEY_PAGEUP,
    VKEY_PAGEDOWN, VKEY_SELECT, VKEY_PRINT, VKEY_ENTER, VKEY_SNAPSHOT, VKEY_INSERT, VKEY_DELETE,
};
enum : uint8_t { MODIFIER_SHIFT = 1, MODIFIER_ALTERNATE = 2, MODIFIER_COMMAND = 4, MODIFIER_CONTROL = 8 };

// The standard fonts, by index.
enum CFont : int32_t {
    kSystemFont = 0,
    kNormalFontVeryBig,
    kNormalFontBig,
    kNormalFont,
    kNormalFontSmall,
    kNormalFontSmaller,
    kNormalFontVerySmall,
    kSymbolFont,
    kNumStandardFonts
};
enum CTxtFace : int32_t { kNormalFace = 0, kBoldFace = 1 };
enum CHoriTxtAlign : int32_t { kLeftText = 0, kCenterText = 1, kRightText = 2 };

// Pixel size of a standard font; the face is always the built-in sans serif.
int32_t standardFontSize(int32_t fontIndex);

}  // namespace VSTGUI
