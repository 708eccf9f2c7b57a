#include "gui/CFrame.h"

#include "gui/AEffGUIEditor.h"

namespace VSTGUI {

namespace {
// Keeps the event's pointer state while the event is being handled, so that
// controls asking for the live state get the one the event carried.
struct EventState {
    CPoint where;
    int32_t buttons = 0;
    bool active = false;
};
thread_local EventState gEvent;

struct EventScope {
    EventState saved;
    EventScope(CPoint where, int32_t buttons) : saved(gEvent) {
        gEvent.where = where;
        gEvent.buttons = buttons;
        gEvent.active = true;
    }
    ~EventScope() { gEvent = saved; }
};

bool contains(const CView* ancestor, const CView* view) {
    for (const CView* v = view; v; v = v->getParentView())
        if (v == ancestor) return true;
    return false;
}
}  // namespace

CFrame::CFrame(const CRect& size, void* parentWindow, AEffGUIEditor* editor)
    : CViewContainer(size, this, nullptr), editor(editor) {
    pParentFrame = this;
    scale = editor ? editor->getScaleFactor() : 1.0;
    if (parentWindow)
        window = platform::current().createFrameWindow(this, parentWindow, size, scale);
    invalidate();
}

CFrame::~CFrame() {
    modalView = nullptr;
    focusView = nullptr;
    mouseView = nullptr;
    removeAll(true);
    releasePending();
    delete window;
    window = nullptr;
}

void CFrame::setScale(double newScale) {
    if (newScale == scale) return;
    scale = newScale;
    if (window) window->resize(size.width(), size.height(), scale);
    invalidate();
}

bool CFrame::getCurrentLocation(CPoint& where) {
    if (gEvent.active) {
        where = gEvent.where;
        return true;
    }
    if (!window) return false;
    where = window->pointerPosition();
    return true;
}

bool CFrame::handlingPress() const {
    return mouseView || (gEvent.active && (gEvent.buttons & (kLButton | kMButton | kRButton)));
}

int32_t CFrame::getCurrentButtons() {
    if (gEvent.active) return gEvent.buttons;
    return window ? window->mouseButtons() : 0;
}

void CFrame::setFocusView(CView* view) {
    if (view == focusView) return;
    CView* old = focusView;
    focusView = view;
    if (old) old->looseFocus(nullptr);
}

void CFrame::setModalView(CView* view) {
    modalView = view;
    mouseView = nullptr;
}

void CFrame::viewRemoved(CView* view) {
    if (contains(view, focusView)) focusView = nullptr;
    if (contains(view, modalView)) modalView = nullptr;
    if (contains(view, mouseView)) mouseView = nullptr;
}

void CFrame::removeLater(CView* view) {
    if (!isChild(view)) return;
    removeView(view, false);
    released.push_back(view);
}

void CFrame::releasePending() {
    std::vector<CView*> views;
    views.swap(released);
    for (CView* v : views) v->forget();
}

int32_t CFrame::getKnobMode() const { return AEffGUIEditor::getKnobMode(); }

void CFrame::beginEdit(int32_t tag) {
    if (editor) editor->beginEdit(tag);
}

void CFrame::endEdit(int32_t tag) {
    if (editor) editor->endEdit(tag);
}

uint32_t CFrame::getTicks() const { return platform::current().tickCount(); }

void CFrame::doIdleStuff() {
    if (editor)
        editor->doIdleStuff();
    else
        idle();
}

void CFrame::setKeyboardFocus(bool take) {
    if (window) window->setKeyboardFocus(take);
}

void CFrame::addInvalid(const CRect& rect) {
    CRect r = rect;
    r.bound(size);
    if (r.isEmpty()) return;
    // Overlapping areas are merged; many small ones become one.
    bool merged = true;
    while (merged) {
        merged = false;
        for (size_t i = 0; i < invalidAreas.size(); ++i) {
            if (invalidAreas[i].rectOverlap(r)) {
                r.unite(invalidAreas[i]);
                invalidAreas.erase(invalidAreas.begin() + (long)i);
                merged = true;
                break;
            }
        }
    }
    invalidAreas.push_back(r);
    if (invalidAreas.size() > 16) {
        CRect all;
        for (const CRect& a : invalidAreas) all.unite(a);
        invalidAreas.assign(1, all);
    }
}

void CFrame::invalidRect(const CRect& rect) { addInvalid(rect); }

void CFrame::idle() {
    if (inIdle) {  // from a control's idle hook inside an event: paint only
        if (window) paint(nullptr);
        return;
    }
    inIdle = true;
    if (window) {
        window->processEvents();
        releasePending();
        paint(nullptr);
    }
    releasePending();
    inIdle = false;
}

void CFrame::paint(platform::Canvas* canvas) {
    std::vector<CRect> dirtyAreas;
    collectDirty(dirtyAreas);
    for (const CRect& r : dirtyAreas) addInvalid(r);
    if (invalidAreas.empty()) return;
    if (!canvas && window) canvas = window->beginPaint();
    if (!canvas) return;
    std::vector<CRect> areas;
    areas.swap(invalidAreas);
    CDrawContext context(this, canvas);
    for (const CRect& area : areas) {
        context.setOffset(CPoint());
        context.setPaintArea(area);
        drawRect(&context, area);
    }
    ++paintCount;
    if (window) window->endPaint(areas.data(), (int32_t)areas.size());
}

void CFrame::updateView(CDrawContext*, const CRect& area) { invalidRect(area); }

void CFrame::draw(CDrawContext* context) { drawRect(context, size); }

void CFrame::drawRect(CDrawContext* context, const CRect& updateRect) {
    CViewContainer::drawRect(context, updateRect);
}

void CFrame::platformMouseDown(CPoint where, int32_t buttons) {
    EventScope scope(where, buttons);
    if (mouseView) return;  // another button while a press is being tracked
    mouse(nullptr, where, buttons);
}

void CFrame::platformMouseMoved(CPoint where, int32_t buttons) {
    EventScope scope(where, buttons);
    CView* target = mouseView ? mouseView : modalView;
    if (!target) return;
    CPoint origin = target->getFrameOrigin();
    CPoint local(where.h - origin.h, where.v - origin.v);
    target->mouseMoved(nullptr, local, buttons);
}

void CFrame::platformMouseUp(CPoint where, int32_t buttons) {
    EventScope scope(where, buttons);
    CView* target = mouseView;
    mouseView = nullptr;
    if (!target) return;
    CPoint origin = target->getFrameOrigin();
    CPoint local(where.h - origin.h, where.v - origin.v);
    target->mouseUp(nullptr, local, buttons);
}

void CFrame::platformWheel(CPoint where, float distance, int32_t buttons) {
    EventScope scope(where, buttons);
    if (mouseView) return;
    onWheel(nullptr, where, distance);
}

bool CFrame::platformKeyDown(vst::VstKeyCode& key) { return onKeyDown(key) >= 0; }
bool CFrame::platformKeyUp(vst::VstKeyCode& key) { return onKeyUp(key) >= 0; }

bool CFrame::platformTextInput(const char* utf8) {
    CView* target = modalView ? modalView : focusView;
    return target && target->onTextInput(utf8);
}

void CFrame::platformFocusLost() {
    // The window system took the keyboard away: an open list closes, a field
    // being edited ends.
    if (modalView) modalView->looseFocus(nullptr);
    if (focusView) setFocusView(nullptr);
    releasePending();
}

void CFrame::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (buttons == -1) buttons = getCurrentButtons();
    if (modalView) {
        CPoint origin = modalView->getFrameOrigin();
        CPoint local(where.h - origin.h, where.v - origin.v);
        modalView->mouse(context, local, buttons);
        return;
    }
    // A click outside the view that has the focus takes the focus away (a
    // text being edited ends there), then reaches the view under it.
    if (focusView && !focusView->toFrame(focusView->getViewSize()).pointInside(where))
        setFocusView(nullptr);
    CViewContainer::mouse(context, where, buttons);
}

bool CFrame::onWheel(CDrawContext* context, const CPoint& where, float distance) {
    if (modalView) {
        CPoint origin = modalView->getFrameOrigin();
        return modalView->onWheel(context, CPoint(where.h - origin.h, where.v - origin.v), distance);
    }
    return CViewContainer::onWheel(context, where, distance);
}

int32_t CFrame::onKeyDown(vst::VstKeyCode& keyCode) {
    if (modalView) return modalView->onKeyDown(keyCode);
    if (focusView) return focusView->onKeyDown(keyCode);
    return -1;
}

int32_t CFrame::onKeyUp(vst::VstKeyCode& keyCode) {
    if (modalView) return modalView->onKeyUp(keyCode);
    if (focusView) return focusView->onKeyUp(keyCode);
    return -1;
}

}  // namespace VSTGUI
