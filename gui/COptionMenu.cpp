#include "gui/COptionMenu.h"

#include <cstdio>
#include <cstring>

#include "gui/CFrame.h"

namespace VSTGUI {

namespace {
constexpr int32_t kFontIndex = kNormalFont;
constexpr int32_t kCheckWidth = 16;
constexpr int32_t kPadding = 8;
constexpr CColor kListBack{246, 246, 246, 255};
constexpr CColor kListText{20, 20, 20, 255};
constexpr CColor kListFrame{90, 90, 90, 255};
constexpr CColor kHighlightBack{51, 102, 204, 255};
constexpr CColor kDisabledText{150, 150, 150, 255};
}  // namespace

// ---- COptionMenu -----------------------------------------------------------------

COptionMenu::COptionMenu(const CRect& size, CControlListener* listener, int32_t tag,
                         CBitmap* background, CBitmap* bgWhenClick, int32_t style)
    : CParamDisplay(size, background, style), bgWhenClick(bgWhenClick) {
    this->listener = listener;
    this->tag = tag;
    if (bgWhenClick) bgWhenClick->remember();
}

COptionMenu::~COptionMenu() {
    closePopup();
    if (bgWhenClick) bgWhenClick->forget();
}

bool COptionMenu::addEntry(const char* text, int32_t index) {
    if ((int32_t)entries.size() >= kMaxEntries) return false;
    std::string s(text ? text : "");
    if (s.size() > (size_t)kMaxEntryLength) s.resize(kMaxEntryLength);
    if (index < 0 || index > (int32_t)entries.size()) index = (int32_t)entries.size();
    entries.insert(entries.begin() + index, s);
    checked.insert(checked.begin() + index, false);
    subMenus.insert(subMenus.begin() + index, nullptr);
    return true;
}

bool COptionMenu::addEntry(COptionMenu* subMenu, const char* text) {
    char buf[300];
    const char* t = text ? text : "";
    int32_t number = 0;
    for (int32_t i = 0; i < (int32_t)entries.size(); ++i)
        if (!isSeparator(i)) ++number;
    ++number;
    switch (prefixNumbers) {
        case 2: std::snprintf(buf, sizeof buf, "-M%1d %s", number, t); break;
        case 3: std::snprintf(buf, sizeof buf, "-M%02d %s", number, t); break;
        case 4: std::snprintf(buf, sizeof buf, "-M%03d %s", number, t); break;
        default: std::snprintf(buf, sizeof buf, "-M%s", t); break;
    }
    if (!addEntry(buf)) return false;
    subMenus.back() = subMenu;
    return true;
}

bool COptionMenu::setEntry(int32_t index, const char* text) {
    if (index < 0 || index >= (int32_t)entries.size()) return false;
    entries[index] = text ? text : "";
    if (entries[index].size() > (size_t)kMaxEntryLength) entries[index].resize(kMaxEntryLength);
    if (index == currentIndex) setDirty();
    return true;
}

bool COptionMenu::removeEntry(int32_t index) {
    if (index < 0 || index >= (int32_t)entries.size()) return false;
    entries.erase(entries.begin() + index);
    checked.erase(checked.begin() + index);
    subMenus.erase(subMenus.begin() + index);
    if (currentIndex >= (int32_t)entries.size()) currentIndex = (int32_t)entries.size() - 1;
    setDirty();
    return true;
}

bool COptionMenu::removeAllEntry() {
    entries.clear();
    checked.clear();
    subMenus.clear();
    currentIndex = -1;
    setDirty();
    return true;
}

bool COptionMenu::getEntry(int32_t index, char* text) const {
    if (index < 0 || index >= (int32_t)entries.size()) {
        if (text) text[0] = 0;
        return false;
    }
    if (text) std::memcpy(text, entries[index].c_str(), entries[index].size() + 1);
    return true;
}

bool COptionMenu::isSeparator(int32_t index) const {
    return index >= 0 && index < (int32_t)entries.size() && entries[index] == "-";
}

bool COptionMenu::isSubMenu(int32_t index) const {
    return index >= 0 && index < (int32_t)entries.size() && entries[index].rfind("-M", 0) == 0;
}

bool COptionMenu::setCurrent(int32_t index, bool countSeparator) {
    if (!countSeparator) {
        int32_t n = -1, found = -1;
        for (int32_t i = 0; i < (int32_t)entries.size() && found < 0; ++i)
            if (!isSeparator(i) && ++n == index) found = i;
        if (found < 0) return false;
        index = found;
    }
    if (index < 0 || index >= (int32_t)entries.size()) return false;
    currentIndex = index;
    value = (float)index;
    setDirty();
    return true;
}

int32_t COptionMenu::getCurrent(char* text, bool countSeparator) const {
    if (text) getEntry(currentIndex, text);
    if (currentIndex < 0 || countSeparator) return currentIndex;
    int32_t n = 0;
    for (int32_t i = 0; i < currentIndex; ++i)
        if (!isSeparator(i)) ++n;
    return n;
}

bool COptionMenu::checkEntry(int32_t index, bool on) {
    if (index < 0 || index >= (int32_t)entries.size()) return false;
    checked[index] = on;
    return true;
}

bool COptionMenu::isCheckEntry(int32_t index) const {
    return index >= 0 && index < (int32_t)entries.size() && (checked[index] || index == currentIndex);
}

void COptionMenu::setPrefixNumbers(int32_t preCount) {
    prefixNumbers = (preCount >= 2 && preCount <= 4) ? preCount : 0;
}

std::string COptionMenu::displayText(int32_t index) const {
    if (index < 0 || index >= (int32_t)entries.size()) return {};
    if (isSubMenu(index)) return entries[index].substr(2);
    if (prefixNumbers == 0 || isSeparator(index)) return entries[index];
    int32_t number = 0;
    for (int32_t i = 0; i <= index; ++i)
        if (!isSeparator(i)) ++number;
    char buf[300];
    const char* fmt = prefixNumbers == 2 ? "%1d %s" : (prefixNumbers == 3 ? "%02d %s" : "%03d %s");
    std::snprintf(buf, sizeof buf, fmt, number, entries[index].c_str());
    return buf;
}

void COptionMenu::getDisplayText(char* string) const {
    getEntry(currentIndex, string);
}

void COptionMenu::draw(CDrawContext* context) {
    char string[256];
    getDisplayText(string);
    CBitmap* saved = pBackground;
    if (popup && bgWhenClick) pBackground = bgWhenClick;
    drawBack(context);
    pBackground = saved;
    drawText(context, string, size);
    setDirty(false);
}

void COptionMenu::mouse(CDrawContext* context, CPoint&, int32_t buttons) {
    if (!mouseEnabled || !pParentFrame) return;
    if (buttons == -1) buttons = currentButtons();
    if (!(buttons & (kLButton | kRButton))) return;
    if (modifierClaimed(context, buttons)) return;
    openPopup();
}

void COptionMenu::openPopup() {
    if (popup || !pParentFrame || entries.empty()) return;
    popup = new COptionMenuPopup(this, pParentFrame);
    pParentFrame->addView(popup);
    pParentFrame->setModalView(popup);
    pParentFrame->captureMouse(popup);  // a press, drag and release chooses too
    pParentFrame->setKeyboardFocus(true);
    setDirty();
}

void COptionMenu::closePopup() {
    if (!popup) return;
    COptionMenuPopup* p = popup;
    popup = nullptr;
    p->detachMenu();
    if (CFrame* frame = p->getFrame()) {
        if (frame->getModalView() == p) frame->setModalView(nullptr);
        frame->setKeyboardFocus(false);
        frame->removeLater(p);
    } else {
        p->forget();
    }
    setDirty();
}

bool COptionMenu::removed(CView* parent) {
    closePopup();
    return CParamDisplay::removed(parent);
}

void COptionMenu::choose(int32_t index) {
    closePopup();
    if (index < 0 || index >= (int32_t)entries.size() || isSeparator(index) || isSubMenu(index))
        return;
    currentIndex = index;
    value = (float)index;
    setDirty();
    notify(nullptr);
}

// ---- COptionMenuPopup ---------------------------------------------------------------

COptionMenuPopup::COptionMenuPopup(COptionMenu* menu, CFrame* frame) : CView(CRect()), menu(menu) {
    int32_t n = menu->getNbEntries();
    CRect area = frame->getViewSize();
    int32_t fit = std::max(1, (area.height() - 4) / rowHeight);
    rows = menu->getNbItemsPerColumn() > 0 ? std::min(menu->getNbItemsPerColumn(), fit) : fit;
    rows = std::min(rows, n);
    columns = (n + rows - 1) / rows;

    int32_t widest = 40;
    platform::Canvas* canvas = frame->getPlatformWindow() ? frame->getPlatformWindow()->beginPaint() : nullptr;
    for (int32_t i = 0; i < n; ++i) {
        std::string t = menu->displayText(i);
        int32_t w = canvas ? canvas->textWidth(t.c_str(), standardFontSize(kFontIndex), false)
                           : (int32_t)t.size() * 7;
        widest = std::max(widest, w);
    }
    columnWidth = widest + kCheckWidth + kPadding * 2;
    int32_t width = std::min(area.width(), columns * columnWidth + 2);
    int32_t height = rows * rowHeight + 2;

    // Below the menu when there is room, else above, else from the top.
    CRect anchor = menu->toFrame(menu->getViewSize());
    int32_t top = anchor.bottom;
    if (top + height > area.bottom) top = anchor.top - height;
    if (top < area.top) top = std::max(area.top, area.bottom - height);
    int32_t left = std::min(anchor.left, area.right - width);
    left = std::max(left, area.left);
    size = mouseableArea = CRect(left, top, left + width, top + height);
    highlight = menu->getCurrent();
    pressPoint = frame->getCurrentLocation(pressPoint) ? pressPoint : CPoint(-1, -1);
}

CRect COptionMenuPopup::entryRect(int32_t index) const {
    int32_t col = index / rows, row = index % rows;
    CRect r(size.left + 1 + col * columnWidth, size.top + 1 + row * rowHeight, 0, 0);
    r.right = r.left + columnWidth;
    r.bottom = r.top + rowHeight;
    return r;
}

int32_t COptionMenuPopup::entryAt(const CPoint& where) const {
    if (!menu || !size.pointInside(where)) return -1;
    int32_t col = (where.h - size.left - 1) / columnWidth;
    int32_t row = (where.v - size.top - 1) / rowHeight;
    if (col < 0 || row < 0 || row >= rows) return -1;
    int32_t index = col * rows + row;
    return index < menu->getNbEntries() ? index : -1;
}

bool COptionMenuPopup::selectable(int32_t index) const {
    return menu && index >= 0 && index < menu->getNbEntries() && !menu->isSeparator(index) &&
           !menu->isSubMenu(index);
}

void COptionMenuPopup::draw(CDrawContext* context) {
    context->setFillColor(kListBack);
    context->fillRect(size);
    context->setFrameColor(kListFrame);
    context->drawRect(size);
    if (!menu) return;
    context->setFont(kFontIndex);
    for (int32_t i = 0; i < menu->getNbEntries(); ++i) {
        CRect r = entryRect(i);
        if (menu->isSeparator(i)) {
            int32_t y = r.top + rowHeight / 2;
            context->setFillColor(kListFrame);
            context->fillRect(CRect(r.left + 4, y, r.right - 4, y + 1));
            continue;
        }
        bool hl = i == highlight && selectable(i);
        if (hl) {
            context->setFillColor(kHighlightBack);
            context->fillRect(r);
        }
        CColor text = hl ? kWhiteCColor : (selectable(i) ? kListText : kDisabledText);
        if (menu->isCheckEntry(i)) {  // a check mark in the left margin
            context->setFrameColor(text);
            context->setLineWidth(2);
            context->moveTo(CPoint(r.left + 4, r.top + 8));
            context->lineTo(CPoint(r.left + 7, r.top + 11));
            context->lineTo(CPoint(r.left + 12, r.top + 4));
            context->setLineWidth(1);
        }
        CRect tr = r;
        tr.left += kCheckWidth;
        context->setFontColor(text);
        context->drawString(menu->displayText(i).c_str(), tr, false, kLeftText);
    }
    setDirty(false);
}

void COptionMenuPopup::mouse(CDrawContext*, CPoint& where, int32_t) {
    if (!menu) return;
    COptionMenu* m = menu;
    int32_t index = entryAt(where);
    if (!size.pointInside(where))
        m->closePopup();  // a click outside closes
    else if (selectable(index))
        m->choose(index);
}

void COptionMenuPopup::mouseMoved(CDrawContext*, CPoint& where, int32_t) {
    if (where != pressPoint) moved = true;
    int32_t index = entryAt(where);
    if (index != highlight && (index < 0 || selectable(index))) {
        highlight = index;
        setDirty();
    }
}

void COptionMenuPopup::mouseUp(CDrawContext*, CPoint& where, int32_t) {
    // The release of the press that opened the list chooses only after a drag.
    if (!menu || !moved) return;
    int32_t index = entryAt(where);
    if (selectable(index)) menu->choose(index);
}

void COptionMenuPopup::moveHighlight(int32_t delta) {
    if (!menu) return;
    int32_t n = menu->getNbEntries();
    int32_t i = highlight;
    for (int32_t tries = 0; tries < n; ++tries) {
        i += delta;
        if (i < 0 || i >= n) return;
        if (selectable(i)) {
            highlight = i;
            setDirty();
            return;
        }
        if (delta != 1 && delta != -1) delta = delta > 0 ? 1 : -1;
    }
}

int32_t COptionMenuPopup::onKeyDown(vst::VstKeyCode& key) {
    if (!menu) return -1;
    COptionMenu* m = menu;
    switch (key.virt) {
        case VKEY_ESCAPE: m->closePopup(); return 1;
        case VKEY_RETURN:
        case VKEY_ENTER:
            if (selectable(highlight)) m->choose(highlight); else m->closePopup();
            return 1;
        case VKEY_UP: moveHighlight(-1); return 1;
        case VKEY_DOWN: moveHighlight(1); return 1;
        case VKEY_LEFT: moveHighlight(-rows); return 1;
        case VKEY_RIGHT: moveHighlight(rows); return 1;
        default: return 1;  // the list keeps the keys while open
    }
}

void COptionMenuPopup::looseFocus(CDrawContext*) {
    if (menu) menu->closePopup();
}

bool COptionMenuPopup::onWheel(CDrawContext*, const CPoint&, float distance) {
    moveHighlight(distance > 0 ? -1 : 1);
    return true;
}

}  // namespace VSTGUI
