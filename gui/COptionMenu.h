// A drop-down list: a text view showing the current entry that opens a list
// drawn inside the frame, over the other views. The list has columns when
// its entries do not fit one, separators ("-"), optional numbering and a
// check mark on the current entry; it is used with the mouse and the keys.
#pragma once

#include <string>
#include <vector>

#include "gui/CParamDisplay.h"

namespace VSTGUI {

class COptionMenuPopup;

class COptionMenu : public CParamDisplay {
public:
    static constexpr int32_t kMaxEntries = 1024;
    static constexpr int32_t kMaxEntryLength = 255;

    COptionMenu(const CRect& size, CControlListener* listener, int32_t tag,
                CBitmap* background = nullptr, CBitmap* bgWhenClick = nullptr, int32_t style = 0);
    ~COptionMenu() override;

    // Appends (index -1) or inserts an entry; "-" is a separator. False when
    // the menu is full.
    virtual bool addEntry(const char* text, int32_t index = -1);
    // An entry that opens a sub-menu, stored with its numbering prefix.
    virtual bool addEntry(COptionMenu* subMenu, const char* text);
    virtual bool setEntry(int32_t index, const char* text);
    virtual bool removeEntry(int32_t index);
    virtual bool removeAllEntry();
    virtual int32_t getNbEntries() const { return (int32_t)entries.size(); }
    // Copies the entry's text (at least 256 bytes); false when out of range.
    virtual bool getEntry(int32_t index, char* text) const;
    virtual bool setCurrent(int32_t index, bool countSeparator = true);
    virtual int32_t getCurrent(char* text = nullptr, bool countSeparator = true) const;
    virtual bool checkEntry(int32_t index, bool checked);
    virtual bool isCheckEntry(int32_t index) const;
    // Numbering of the entries in the list: 0 none, 2 "%1d", 3 "%02d", 4 "%03d".
    void setPrefixNumbers(int32_t preCount);
    int32_t getPrefixNumbers() const { return prefixNumbers; }
    void setNbItemsPerColumn(int32_t count) { itemsPerColumn = count; }
    int32_t getNbItemsPerColumn() const { return itemsPerColumn; }

    bool isSeparator(int32_t index) const;
    bool isSubMenu(int32_t index) const;
    // The text the list shows for an entry (numbering included).
    std::string displayText(int32_t index) const;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
    void getDisplayText(char* string) const override;

    // Opening and closing the list; choose() sets the current entry and
    // tells the listener.
    void openPopup();
    void closePopup();
    void choose(int32_t index);
    COptionMenuPopup* getPopup() const { return popup; }
    bool removed(CView* parent) override;

protected:
    std::vector<std::string> entries;
    std::vector<bool> checked;
    std::vector<COptionMenu*> subMenus;
    int32_t currentIndex = -1;
    int32_t prefixNumbers = 0;
    int32_t itemsPerColumn = -1;
    CBitmap* bgWhenClick;
    COptionMenuPopup* popup = nullptr;
};

// The open list (a view of the frame while it is open).
class COptionMenuPopup : public CView {
public:
    COptionMenuPopup(COptionMenu* menu, CFrame* frame);

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
    void mouseMoved(CDrawContext* context, CPoint& where, int32_t buttons) override;
    void mouseUp(CDrawContext* context, CPoint& where, int32_t buttons) override;
    int32_t onKeyDown(vst::VstKeyCode& keyCode) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    // The keyboard went elsewhere: the list closes without a choice.
    void looseFocus(CDrawContext* context = nullptr) override;

    // Entry under a point (frame coordinates), -1 for none.
    int32_t entryAt(const CPoint& where) const;
    CRect entryRect(int32_t index) const;
    int32_t getHighlight() const { return highlight; }
    int32_t getColumns() const { return columns; }
    int32_t getRows() const { return rows; }
    void detachMenu() { menu = nullptr; }

private:
    bool selectable(int32_t index) const;
    void moveHighlight(int32_t delta);

    COptionMenu* menu;
    int32_t rows = 1, columns = 1, columnWidth = 0, rowHeight = 16;
    int32_t highlight = -1;
    CPoint pressPoint;
    bool moved = false;
};

}  // namespace VSTGUI
