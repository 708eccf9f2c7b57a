// The frame: the top-level container that owns the editor's native child
// window. It turns window-system events into view calls, keeps the area to
// repaint, and paints it at idle time through the platform's back buffer.
#pragma once

#include <vector>

#include "gui/CView.h"
#include "gui/Platform.h"

class AEffGUIEditor;

namespace VSTGUI {

class CFrame : public CViewContainer {
public:
    // Opens the native child window of parent (null: no window, as in tests
    // that drive the frame directly).
    CFrame(const CRect& size, void* parentWindow, AEffGUIEditor* editor);
    ~CFrame() override;

    bool isOpen() const { return window != nullptr; }
    AEffGUIEditor* getEditor() const { return editor; }
    platform::FrameWindow* getPlatformWindow() const { return window; }
    double getScale() const { return scale; }
    void setScale(double newScale);

    // Views.
    void setBackground(CBitmap* bitmap) override { CView::setBackground(bitmap); }
    CView* getViewUnder(const CPoint& where) const { return getViewAt(where); }
    bool getCurrentLocation(CPoint& where);
    int32_t getCurrentButtons();
    void setFocusView(CView* view);
    CView* getFocusView() const { return focusView; }
    void setModalView(CView* view);
    CView* getModalView() const { return modalView; }
    // The view that gets the moves and the release of the current press.
    void captureMouse(CView* view) { mouseView = view; }
    CView* getMouseCapture() const { return mouseView; }
    // A press is being handled or tracked: controls may hold a new value that
    // they have not reported yet.
    bool handlingPress() const;
    // Forgets every pointer to a view that leaves the frame.
    virtual void viewRemoved(CView* view);
    // Takes a view of the frame off now and releases it after the event
    // being handled (for views that close themselves).
    void removeLater(CView* view);

    int32_t getKnobMode() const;
    void beginEdit(int32_t tag);
    void endEdit(int32_t tag);
    uint32_t getTicks() const;
    void doIdleStuff();
    // Keyboard focus of the window system, only while a field is edited.
    void setKeyboardFocus(bool take);

    // Repainting: areas in frame coordinates.
    void invalidRect(const CRect& rect);
    void invalidate() { invalidRect(size); }
    bool hasInvalidArea() const { return !invalidAreas.empty(); }
    // Handles window events, then repaints what is dirty or invalid.
    void idle();
    // Paints the invalid areas now (also without a window: into canvas).
    void paint(platform::Canvas* canvas);
    void updateView(CDrawContext* context, const CRect& area);
    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, const CRect& updateRect) override;

    // Entry points of the platform window (frame coordinates).
    void platformMouseDown(CPoint where, int32_t buttons);
    void platformMouseMoved(CPoint where, int32_t buttons);
    void platformMouseUp(CPoint where, int32_t buttons);
    void platformWheel(CPoint where, float distance, int32_t buttons);
    bool platformKeyDown(vst::VstKeyCode& key);
    bool platformKeyUp(vst::VstKeyCode& key);
    bool platformTextInput(const char* utf8);
    void platformFocusLost();

    // What a press, a wheel turn or a key does in the frame.
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    int32_t onKeyDown(vst::VstKeyCode& keyCode) override;
    int32_t onKeyUp(vst::VstKeyCode& keyCode) override;

    // Number of paints since opening (tests check that nothing is drawn when
    // nothing changed).
    uint32_t getPaintCount() const { return paintCount; }

protected:
    void addInvalid(const CRect& rect);
    void releasePending();

    AEffGUIEditor* editor;
    platform::FrameWindow* window = nullptr;
    double scale = 1.0;
    CView* focusView = nullptr;
    CView* modalView = nullptr;
    CView* mouseView = nullptr;
    std::vector<CRect> invalidAreas;
    std::vector<CView*> released;
    uint32_t paintCount = 0;
    bool inIdle = false;
};

}  // namespace VSTGUI
