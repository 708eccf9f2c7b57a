// Views and containers. Coordinates of a view are those of its container
// (the frame's for views added to the frame); a container translates for
// its children. Mouse handling is event driven: a press reaches mouse(); a
// view that wants the following moves and the release asks its frame for
// the mouse (CFrame::captureMouse) and gets mouseMoved() and mouseUp().
#pragma once

#include <vector>

#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"
#include "gui/VSTGUIBase.h"
#include "host/vst2.h"

namespace VSTGUI {

class CFrame;
class CViewContainer;

class CView : public CReferenceCounter {
public:
    explicit CView(const CRect& size);
    ~CView() override;

    virtual void draw(CDrawContext* context);
    virtual void drawRect(CDrawContext* context, const CRect& updateRect);
    virtual bool checkUpdate(const CRect& updateRect) const { return updateRect.rectOverlap(size); }
    virtual void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1);
    virtual void mouseMoved(CDrawContext* context, CPoint& where, int32_t buttons);
    virtual void mouseUp(CDrawContext* context, CPoint& where, int32_t buttons);
    virtual bool onWheel(CDrawContext* context, const CPoint& where, float distance);
    virtual int32_t onKeyDown(vst::VstKeyCode& keyCode);
    virtual int32_t onKeyUp(vst::VstKeyCode& keyCode);
    // Typed text (UTF-8) while the view has the keyboard focus.
    virtual bool onTextInput(const char* utf8);
    virtual bool onDrop(void** ptrItems, int32_t nbItems, int32_t type, CPoint& where);
    virtual void looseFocus(CDrawContext* context = nullptr);
    virtual void takeFocus(CDrawContext* context = nullptr);
    virtual bool isDirty() const { return dirty; }
    virtual void setDirty(bool val = true) { dirty = val; }

    virtual void setMouseEnabled(bool enable = true) { mouseEnabled = enable; }
    virtual bool getMouseEnabled() const { return mouseEnabled; }
    virtual void setTransparency(bool val) { transparencyEnabled = val; }
    virtual bool getTransparency() const { return transparencyEnabled; }
    virtual void setBackground(CBitmap* bitmap);
    virtual CBitmap* getBackground() const { return pBackground; }
    virtual void setBackOffset(const CPoint& offset) { backOffset = offset; }
    virtual const CPoint& getBackOffset() const { return backOffset; }
    virtual void setViewSize(const CRect& rect);
    virtual const CRect& getViewSize() const { return size; }
    virtual void setMouseableArea(const CRect& rect) { mouseableArea = rect; }
    virtual const CRect& getMouseableArea() const { return mouseableArea; }
    virtual bool isContainer() const { return false; }
    virtual bool attached(CView* parent);
    virtual bool removed(CView* parent);

    // Redraws the view at the next paint.
    void invalid();
    CFrame* getFrame() const { return pParentFrame; }
    CView* getParentView() const { return pParentView; }
    void setParents(CFrame* frame, CView* parent) {
        pParentFrame = frame;
        pParentView = parent;
    }
    // Origin of this view's coordinates within the frame.
    CPoint getFrameOrigin() const;
    CRect toFrame(const CRect& r) const;

protected:
    // Draws the bitmap from source into area, keyed by its transparent colour
    // when this view is transparent. Nothing without a bitmap.
    void drawBitmap(CDrawContext* context, CBitmap* bitmap, const CRect& area, const CPoint& source) const;

    CRect size;
    CRect mouseableArea;
    CFrame* pParentFrame = nullptr;
    CView* pParentView = nullptr;
    bool dirty = false;
    bool mouseEnabled = true;
    bool transparencyEnabled = false;
    CBitmap* pBackground = nullptr;
    CPoint backOffset;
};

class CViewContainer : public CView {
public:
    CViewContainer(const CRect& size, CFrame* frame, CBitmap* background = nullptr);
    ~CViewContainer() override;

    virtual void addView(CView* view);
    virtual void removeView(CView* view, bool withForget = true);
    virtual void removeAll(bool withForget = true);
    virtual bool isChild(CView* view) const;
    int32_t getNbViews() const { return (int32_t)children.size(); }
    CView* getView(int32_t index) const;
    // The first child, in attachment order, whose mouseable area holds the
    // point (container coordinates, both bounds inclusive).
    virtual CView* getViewAt(const CPoint& where) const;
    // The same for the live pointer position.
    CView* getCurrentView() const;

    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, const CRect& updateRect) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    bool isContainer() const override { return true; }
    bool isDirty() const override;
    bool attached(CView* parent) override;

    // Collects the frame rectangles of dirty views and marks them clean.
    void collectDirty(std::vector<CRect>& areas);

protected:
    void drawBackgroundRect(CDrawContext* context, const CRect& area);
    std::vector<CView*> children;
};

}  // namespace VSTGUI
