#include "gui/CView.h"

#include <algorithm>

#include "gui/CFrame.h"

namespace VSTGUI {

// ---- CView -----------------------------------------------------------------

CView::CView(const CRect& size) : size(size), mouseableArea(size) {}

CView::~CView() {
    if (pBackground) pBackground->forget();
}

void CView::draw(CDrawContext* context) {
    drawBitmap(context, pBackground, size, backOffset);
    setDirty(false);
}

void CView::drawBitmap(CDrawContext* context, CBitmap* bitmap, const CRect& area,
                       const CPoint& source) const {
    if (!bitmap) return;
    if (getTransparency())
        bitmap->drawTransparent(context, area, source);
    else
        bitmap->draw(context, area, source);
}

void CView::drawRect(CDrawContext* context, const CRect&) { draw(context); }

void CView::mouse(CDrawContext*, CPoint&, int32_t) {}
void CView::mouseMoved(CDrawContext*, CPoint&, int32_t) {}
void CView::mouseUp(CDrawContext*, CPoint&, int32_t) {}
bool CView::onWheel(CDrawContext*, const CPoint&, float) { return false; }
int32_t CView::onKeyDown(vst::VstKeyCode&) { return -1; }
int32_t CView::onKeyUp(vst::VstKeyCode&) { return -1; }
bool CView::onTextInput(const char*) { return false; }
bool CView::onDrop(void**, int32_t, int32_t, CPoint&) { return false; }
void CView::looseFocus(CDrawContext*) {}
void CView::takeFocus(CDrawContext*) {}

void CView::setBackground(CBitmap* bitmap) {
    if (bitmap == pBackground) return;
    if (bitmap) bitmap->remember();
    if (pBackground) pBackground->forget();
    pBackground = bitmap;
    setDirty(true);
}

void CView::setViewSize(const CRect& rect) {
    invalid();
    size = rect;
    setDirty(true);
}

bool CView::attached(CView* parent) {
    pParentView = parent;
    if (parent) pParentFrame = parent->getFrame();
    setDirty(true);
    return true;
}

bool CView::removed(CView*) {
    pParentView = nullptr;
    pParentFrame = nullptr;
    return true;
}

void CView::invalid() {
    if (pParentFrame) pParentFrame->invalidRect(toFrame(size));
}

CPoint CView::getFrameOrigin() const {
    CPoint origin;
    for (const CView* p = pParentView; p; p = p->getParentView())
        origin.offset(p->getViewSize().left, p->getViewSize().top);
    return origin;
}

CRect CView::toFrame(const CRect& r) const {
    CPoint o = getFrameOrigin();
    CRect f = r;
    return f.offset(o.h, o.v);
}

// ---- CViewContainer ----------------------------------------------------------

CViewContainer::CViewContainer(const CRect& size, CFrame* frame, CBitmap* background)
    : CView(size) {
    pParentFrame = frame;
    if (background) setBackground(background);
}

CViewContainer::~CViewContainer() { removeAll(true); }

void CViewContainer::addView(CView* view) {
    if (!view) return;
    children.push_back(view);
    view->setParents(pParentFrame, this);
    view->attached(this);
    view->invalid();
}

void CViewContainer::removeView(CView* view, bool withForget) {
    auto it = std::find(children.begin(), children.end(), view);
    if (it == children.end()) return;
    view->invalid();
    children.erase(it);
    if (pParentFrame) pParentFrame->viewRemoved(view);
    view->removed(this);
    if (withForget) view->forget();
}

void CViewContainer::removeAll(bool withForget) {
    while (!children.empty()) removeView(children.back(), withForget);
}

bool CViewContainer::isChild(CView* view) const {
    return std::find(children.begin(), children.end(), view) != children.end();
}

CView* CViewContainer::getView(int32_t index) const {
    if (index < 0 || index >= (int32_t)children.size()) return nullptr;
    return children[index];
}

CView* CViewContainer::getViewAt(const CPoint& where) const {
    for (CView* v : children)
        if (v->getMouseableArea().pointInsideInclusive(where)) return v;
    return nullptr;
}

CView* CViewContainer::getCurrentView() const {
    if (!pParentFrame) return nullptr;
    CPoint where;
    if (!pParentFrame->getCurrentLocation(where)) return nullptr;
    CPoint origin = getFrameOrigin();
    where.offset(-origin.h - size.left, -origin.v - size.top);
    return getViewAt(where);
}

void CViewContainer::draw(CDrawContext* context) { drawRect(context, size); }

void CViewContainer::drawBackgroundRect(CDrawContext* context, const CRect& area) {
    if (!pBackground) return;
    CRect r = area;
    r.bound(size);
    drawBitmap(context, pBackground, r, CPoint(backOffset.h + r.left - size.left, backOffset.v + r.top - size.top));
}

void CViewContainer::drawRect(CDrawContext* context, const CRect& updateRect) {
    CRect area = updateRect;
    area.bound(size);
    if (area.isEmpty()) return;
    CRect savedClip = context->getClipRect();
    context->setClipRect(area);
    drawBackgroundRect(context, area);

    CPoint savedOffset = context->getOffset();
    context->setOffset(CPoint(savedOffset.h + size.left, savedOffset.v + size.top));
    CRect local = area;
    local.offset(-size.left, -size.top);
    for (CView* v : children) {
        if (!v->checkUpdate(local)) continue;
        CRect clip = local;
        clip.bound(v->getViewSize());
        context->setClipRect(clip);
        v->drawRect(context, local);
    }
    context->setOffset(savedOffset);
    context->setClipRect(savedClip);
    CView::setDirty(false);
}

void CViewContainer::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    CPoint local = where;
    local.offset(-size.left, -size.top);
    for (CView* v : children) {
        if (v->getMouseEnabled() && v->getMouseableArea().pointInside(local)) {
            v->mouse(context, local, buttons);
            return;
        }
    }
}

bool CViewContainer::onWheel(CDrawContext* context, const CPoint& where, float distance) {
    CPoint local = where;
    local.offset(-size.left, -size.top);
    for (CView* v : children)
        if (v->getMouseEnabled() && v->getMouseableArea().pointInsideInclusive(local))
            return v->onWheel(context, local, distance);
    return false;
}

bool CViewContainer::isDirty() const {
    if (CView::isDirty()) return true;
    for (CView* v : children)
        if (v->isDirty()) return true;
    return false;
}

bool CViewContainer::attached(CView* parent) {
    CView::attached(parent);
    for (CView* v : children) {
        v->setParents(pParentFrame, this);
        v->attached(this);
    }
    return true;
}

void CViewContainer::collectDirty(std::vector<CRect>& areas) {
    if (CView::isDirty()) {
        areas.push_back(toFrame(size));
        CView::setDirty(false);
    }
    for (CView* v : children) {
        if (v->isContainer()) {
            static_cast<CViewContainer*>(v)->collectDirty(areas);
        } else if (v->isDirty()) {
            areas.push_back(v->toFrame(v->getViewSize()));
            v->setDirty(false);
        }
    }
}

}  // namespace VSTGUI
