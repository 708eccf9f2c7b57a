// Text views: a value shown as text, and a text field edited in place.
#pragma once

#include <string>

#include "gui/CControl.h"

namespace VSTGUI {

// Style bits of the text views.
enum : int32_t {
    kShadowText = 1 << 2,
    k3DIn = 1 << 3,
    k3DOut = 1 << 4,
    kNoTextStyle = 1 << 11,
    kNoDrawStyle = 1 << 12,
    kNoFrame = 1 << 13,
};

// Value in, text out (at most 255 characters and a terminator).
using CParamDisplayValueToStringProc = void (*)(float value, char* string);

class CParamDisplay : public CControl {
public:
    CParamDisplay(const CRect& size, CBitmap* background = nullptr, int32_t style = 0);

    void draw(CDrawContext* context) override;

    virtual void setFont(int32_t fontID) { fontId = fontID; setDirty(); }
    int32_t getFont() const { return fontId; }
    virtual void setTxtFace(int32_t face) { txtFace = face; setDirty(); }
    int32_t getTxtFace() const { return txtFace; }
    virtual void setFontColor(CColor color) { fontColor = color; setDirty(); }
    CColor getFontColor() const { return fontColor; }
    virtual void setBackColor(CColor color) { backColor = color; setDirty(); }
    CColor getBackColor() const { return backColor; }
    virtual void setFrameColor(CColor color) { frameColor = color; setDirty(); }
    CColor getFrameColor() const { return frameColor; }
    virtual void setShadowColor(CColor color) { shadowColor = color; setDirty(); }
    CColor getShadowColor() const { return shadowColor; }
    virtual void setHoriAlign(int32_t align) { horiTxtAlign = align; setDirty(); }
    int32_t getHoriAlign() const { return horiTxtAlign; }
    virtual void setStringConvert(CParamDisplayValueToStringProc proc) { stringConvert = proc; setDirty(); }
    virtual void setStyle(int32_t val) { style = val; setDirty(); }
    int32_t getStyle() const { return style; }
    // The text the view shows for its value now.
    virtual void getDisplayText(char* string) const;

protected:
    void drawBack(CDrawContext* context);
    void drawText(CDrawContext* context, const char* string, const CRect& r);

    CParamDisplayValueToStringProc stringConvert = nullptr;
    int32_t fontId = kNormalFont;
    int32_t txtFace = kNormalFace;
    int32_t horiTxtAlign = kCenterText;
    int32_t style;
    CColor fontColor = kWhiteCColor;
    CColor backColor = kBlackCColor;
    CColor frameColor = kBlackCColor;
    CColor shadowColor = kBlackCColor;
};

// A text field: taking the focus opens an editor over the view (whole text
// selected, caret, at most 255 bytes of UTF-8); Enter, a click elsewhere or
// the loss of the keyboard focus ends it, copies the text back and tells the
// listener. Escape ends it without a change.
class CTextEdit : public CParamDisplay {
public:
    static constexpr int32_t kMaxLength = 255;

    CTextEdit(const CRect& size, CControlListener* listener, int32_t tag, const char* text = nullptr,
              CBitmap* background = nullptr, int32_t style = 0);

    virtual void setText(const char* text);
    virtual void getText(char* text) const;  // at least 256 bytes
    const std::string& text() const { return textValue; }

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
    int32_t onKeyDown(vst::VstKeyCode& keyCode) override;
    bool onTextInput(const char* utf8) override;
    void takeFocus(CDrawContext* context = nullptr) override;
    void looseFocus(CDrawContext* context = nullptr) override;

    bool isEditing() const { return editing; }
    const std::string& editText() const { return edit; }
    int32_t selectionStart() const { return selStart; }
    int32_t selectionEnd() const { return selEnd; }
    int32_t caretPosition() const { return caret; }

protected:
    void endEditing(bool keep);
    void insert(const char* utf8);
    void deleteSelection();
    int32_t caretFromX(CDrawContext* context, int32_t x);

    std::string textValue;
    std::string edit;
    bool editing = false;
    int32_t caret = 0, selStart = 0, selEnd = 0;
    CDrawContext* measure = nullptr;
};

}  // namespace VSTGUI
