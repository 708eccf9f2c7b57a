#include "gui/CParamDisplay.h"

#include <cstdio>
#include <cstring>

#include "gui/CFrame.h"

namespace VSTGUI {

namespace {
constexpr int32_t kMargin = 3;
constexpr CColor kSelectionColor{51, 102, 204, 255};

bool isContinuation(char c) { return (c & 0xC0) == 0x80; }

int32_t prevBoundary(const std::string& s, int32_t pos) {
    if (pos <= 0) return 0;
    --pos;
    while (pos > 0 && isContinuation(s[pos])) --pos;
    return pos;
}

int32_t nextBoundary(const std::string& s, int32_t pos) {
    int32_t n = (int32_t)s.size();
    if (pos >= n) return n;
    ++pos;
    while (pos < n && isContinuation(s[pos])) ++pos;
    return pos;
}

// The longest prefix of at most max bytes that does not split a character.
std::string clipUtf8(const std::string& s, size_t max) {
    if (s.size() <= max) return s;
    size_t n = max;
    while (n > 0 && isContinuation(s[n])) --n;
    return s.substr(0, n);
}
}  // namespace

// ---- CParamDisplay ---------------------------------------------------------------

CParamDisplay::CParamDisplay(const CRect& size, CBitmap* background, int32_t style)
    : CControl(size, nullptr, 0, background), style(style) {}

void CParamDisplay::getDisplayText(char* string) const {
    if (stringConvert) {
        string[0] = 0;
        stringConvert(value, string);
        string[255] = 0;
    } else {
        std::snprintf(string, 256, "%2.2f", value);
    }
}

void CParamDisplay::drawBack(CDrawContext* context) {
    if (pBackground) {
        drawBitmap(context, pBackground, size, backOffset);
    } else if (!transparencyEnabled) {
        context->setFillColor(backColor);
        context->fillRect(size);
    }
    if (!(style & kNoFrame) && !(style & kNoDrawStyle)) {
        context->setFrameColor(frameColor);
        context->drawRect(size);
    }
}

void CParamDisplay::drawText(CDrawContext* context, const char* string, const CRect& r) {
    if ((style & kNoTextStyle) || !string || !*string) return;
    context->setFont(fontId, 0, txtFace);
    if (style & kShadowText) {
        CRect shadow = r;
        shadow.offset(1, 1);
        context->setFontColor(shadowColor);
        context->drawString(string, shadow, false, horiTxtAlign);
    }
    context->setFontColor(fontColor);
    context->drawString(string, r, false, horiTxtAlign);
}

void CParamDisplay::draw(CDrawContext* context) {
    char string[256];
    getDisplayText(string);
    drawBack(context);
    drawText(context, string, size);
    setDirty(false);
}

// ---- CTextEdit --------------------------------------------------------------------

CTextEdit::CTextEdit(const CRect& size, CControlListener* listener, int32_t tag, const char* text,
                     CBitmap* background, int32_t style)
    : CParamDisplay(size, background, style) {
    this->listener = listener;
    this->tag = tag;
    setText(text);
}

void CTextEdit::setText(const char* text) {
    textValue = clipUtf8(text ? text : "", kMaxLength);
    setDirty();
}

void CTextEdit::getText(char* text) const {
    std::memcpy(text, textValue.c_str(), textValue.size() + 1);
}

void CTextEdit::draw(CDrawContext* context) {
    drawBack(context);
    if (!editing) {
        drawText(context, textValue.c_str(), size);
        setDirty(false);
        return;
    }
    // The field: text from the left margin, the selection behind it, caret.
    measure = context;
    context->setFont(fontId, 0, txtFace);
    CRect inner = size;
    inner.inset(kMargin, kMargin);
    int32_t x0 = inner.left;
    if (selStart != selEnd) {
        int32_t a = context->getStringWidth(edit.substr(0, selStart).c_str());
        int32_t b = context->getStringWidth(edit.substr(0, selEnd).c_str());
        context->setFillColor(kSelectionColor);
        context->fillRect(CRect(x0 + a, inner.top, x0 + b + 1, inner.bottom));
    }
    context->setFontColor(fontColor);
    context->drawString(edit.c_str(), inner, false, kLeftText);
    int32_t cx = x0 + context->getStringWidth(edit.substr(0, caret).c_str());
    context->setFillColor(fontColor);
    context->fillRect(CRect(cx, inner.top, cx + 1, inner.bottom));
    measure = nullptr;
    setDirty(false);
}

void CTextEdit::takeFocus(CDrawContext*) {
    if (editing) return;
    editing = true;
    edit = textValue;
    selStart = 0;
    selEnd = caret = (int32_t)edit.size();
    if (pParentFrame) {
        if (pParentFrame->getFocusView() != this) pParentFrame->setFocusView(this);
        pParentFrame->setKeyboardFocus(true);
    }
    setDirty();
}

void CTextEdit::endEditing(bool keep) {
    if (!editing) return;
    editing = false;
    if (keep) textValue = clipUtf8(edit, kMaxLength);
    edit.clear();
    if (pParentFrame) {
        pParentFrame->setKeyboardFocus(false);
        if (pParentFrame->getFocusView() == this) pParentFrame->setFocusView(nullptr);
    }
    setDirty();
    if (keep) notify(nullptr);
}

void CTextEdit::looseFocus(CDrawContext*) { endEditing(true); }

void CTextEdit::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (!takesLeftPress(buttons)) return;
    if (editing) {
        caret = selStart = selEnd = caretFromX(context, where.h);
        setDirty();
        return;
    }
    takeFocus(context);
}

int32_t CTextEdit::caretFromX(CDrawContext*, int32_t x) {
    // Nearest character boundary, measured with the frame's canvas.
    platform::Canvas* canvas = nullptr;
    if (pParentFrame && pParentFrame->getPlatformWindow())
        canvas = pParentFrame->getPlatformWindow()->beginPaint();
    if (!canvas) return (int32_t)edit.size();
    int32_t px = standardFontSize(fontId);
    int32_t rel = x - (size.left + kMargin);
    int32_t best = 0, bestDist = 1 << 30;
    for (int32_t pos = 0;; pos = nextBoundary(edit, pos)) {
        int32_t w = canvas->textWidth(edit.substr(0, pos).c_str(), px, txtFace & kBoldFace);
        int32_t d = w > rel ? w - rel : rel - w;
        if (d < bestDist) {
            bestDist = d;
            best = pos;
        }
        if (pos >= (int32_t)edit.size()) break;
    }
    return best;
}

void CTextEdit::deleteSelection() {
    if (selStart == selEnd) return;
    edit.erase(selStart, selEnd - selStart);
    caret = selEnd = selStart;
}

void CTextEdit::insert(const char* utf8) {
    deleteSelection();
    std::string add(utf8);
    size_t room = kMaxLength > (int32_t)edit.size() ? kMaxLength - edit.size() : 0;
    add = clipUtf8(add, room);
    edit.insert(caret, add);
    caret += (int32_t)add.size();
    selStart = selEnd = caret;
}

bool CTextEdit::onTextInput(const char* utf8) {
    if (!editing || !utf8) return false;
    std::string clean;
    for (const char* p = utf8; *p; ++p)
        if ((unsigned char)*p >= 0x20 && *p != 0x7f) clean += *p;
    if (clean.empty()) return true;
    insert(clean.c_str());
    setDirty();
    return true;
}

int32_t CTextEdit::onKeyDown(vst::VstKeyCode& key) {
    if (!editing) return -1;
    int32_t n = (int32_t)edit.size();
    switch (key.virt) {
        case VKEY_RETURN:
        case VKEY_ENTER:
            endEditing(true);
            return 1;
        case VKEY_ESCAPE:
            endEditing(false);
            return 1;
        case VKEY_BACK:
            if (selStart == selEnd) selStart = prevBoundary(edit, caret), selEnd = caret;
            deleteSelection();
            break;
        case VKEY_DELETE:
            if (selStart == selEnd) selStart = caret, selEnd = nextBoundary(edit, caret);
            deleteSelection();
            break;
        case VKEY_LEFT:
            caret = selStart != selEnd ? selStart : prevBoundary(edit, caret);
            selStart = selEnd = caret;
            break;
        case VKEY_RIGHT:
            caret = selStart != selEnd ? selEnd : nextBoundary(edit, caret);
            selStart = selEnd = caret;
            break;
        case VKEY_HOME:
            caret = selStart = selEnd = 0;
            break;
        case VKEY_END:
            caret = selStart = selEnd = n;
            break;
        default:
            if (key.virt == 0 && key.character >= 0x20 && key.character < 0x7f) {
                char s[2] = {(char)key.character, 0};
                insert(s);
                break;
            }
            return 1;  // everything else is swallowed while editing
    }
    setDirty();
    return 1;
}

}  // namespace VSTGUI
