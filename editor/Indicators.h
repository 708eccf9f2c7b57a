// The display controls of the main page: the needle meters, the over LEDs
// and the six-glyph value readout. They map what the editor gives them to
// film-strip frames; the ballistics live in the audio path.
#pragma once

#include "gui/CControl.h"

namespace VSTGUI {

// A level meter: 101 frames; scale 0 draws the main strip with the law
// v^1.2, scale 1 the alternative strip with v^0.6. A click switches scale.
class CMovieMeter : public CControl {
public:
    CMovieMeter(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
                int32_t heightOfOneImage, CBitmap* background, CBitmap* alternative,
                const CPoint& offset = CPoint());
    ~CMovieMeter() override;
    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
    // Level in, frame position 0..1 out.
    virtual float levelLaw(float value) const;
    virtual void setScale(int32_t scale);
    int32_t getScale() const { return meterScale; }
    int32_t frameIndex() const;

protected:
    CBitmap* alternative;
    CPoint offset;
    int32_t subPixmaps, heightOfOneImage;
    int32_t meterScale = 0;
};

// An over LED: lights at an over, then decays to a dim frame that stays
// until a click resets it.
class CMovieLED : public CControl {
public:
    CMovieLED(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
              int32_t heightOfOneImage, CBitmap* background, const CPoint& offset = CPoint());
    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
    virtual void reset();
    // The held level lives in the old value: marking the LED clean must not
    // touch it.
    void setDirty(bool val = true) override { CView::setDirty(val); }
    // The frame the next draw shows (after its decay step).
    int32_t frameIndex() const;
    float getHeldLevel() const { return oldValue; }

protected:
    float decayStep;
    CPoint offset;
    int32_t subPixmaps, heightOfOneImage;

private:
    // The level the next draw shows: the held level decayed by one step, or
    // the new value when that is higher.
    float nextLevel() const;
};

// The numeric readout: six glyph cells from a strip of 18 glyphs.
class CCounter : public CControl {
public:
    enum Format : int32_t { kBlank = 0, kDecibel, kFrequency, kPercent, kPlain };
    enum Glyph : int32_t { kPoint = 10, kKilo, kPlus, kMinus, kPercentSign, kDecibelUnit, kHertz, kNone };
    CCounter(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* glyphs,
             int32_t cellWidth, int32_t cellHeight);
    void draw(CDrawContext* context) override;
    virtual void setValueWithFormat(float value, int32_t format);
    int32_t getFormat() const { return format; }
    // The glyph index of each cell for the current value and format.
    void glyphCells(int32_t cells[6]) const;

protected:
    int32_t format = kBlank;
    int32_t cellWidth, cellHeight;
};

}  // namespace VSTGUI
