#include "editor/Indicators.h"

#include <algorithm>
#include <cmath>

#include "gui/CFrame.h"

namespace VSTGUI {

// ---- CMovieMeter -----------------------------------------------------------------

CMovieMeter::CMovieMeter(const CRect& size, CControlListener* listener, int32_t tag,
                         int32_t subPixmaps, int32_t heightOfOneImage, CBitmap* background,
                         CBitmap* alternative, const CPoint& offset)
    : CControl(size, listener, tag, background),
      alternative(alternative),
      offset(offset),
      subPixmaps(subPixmaps < 1 ? 1 : subPixmaps),
      heightOfOneImage(heightOfOneImage < 1 ? 1 : heightOfOneImage) {
    if (alternative) alternative->remember();
}

CMovieMeter::~CMovieMeter() {
    if (alternative) alternative->forget();
}

float CMovieMeter::levelLaw(float level) const {
    double v = level > 0 ? level : 0.0;  // also NaN
    double p = std::pow(v, 1.2);
    if (meterScale == 1) p = std::sqrt(p);
    double e = 0.617 * p + 0.018;
    return (float)std::min(e, 1.0);
}

int32_t CMovieMeter::frameIndex() const {
    float e = levelLaw(value);
    int32_t frame = (int32_t)((float)(subPixmaps - 1) * e + 0.5f);
    return std::clamp(frame, 0, subPixmaps - 1);
}

void CMovieMeter::draw(CDrawContext* context) {
    CBitmap* strip = meterScale == 1 ? alternative : pBackground;
    drawStrip(context, strip, CPoint(offset.h, offset.v + frameIndex() * heightOfOneImage));
    setDirty(false);
}

void CMovieMeter::mouse(CDrawContext* context, CPoint&, int32_t buttons) {
    if (!takesLeftPress(buttons)) return;
    meterScale = meterScale <= 0 ? 1 : 0;
    value = (float)meterScale;
    if (context)
        draw(context);
    else
        setDirty();
    notify(context);
}

void CMovieMeter::setScale(int32_t scale) {
    if (scale == meterScale) return;
    meterScale = scale;
    setDirty();
}

// ---- CMovieLED -------------------------------------------------------------------

CMovieLED::CMovieLED(const CRect& size, CControlListener* listener, int32_t tag,
                     int32_t subPixmaps, int32_t heightOfOneImage, CBitmap* background,
                     const CPoint& offset)
    : CControl(size, listener, tag, background),
      offset(offset),
      subPixmaps(subPixmaps < 2 ? 2 : subPixmaps),
      heightOfOneImage(heightOfOneImage < 1 ? 1 : heightOfOneImage) {
    decayStep = 1.0f / (float)(this->subPixmaps - 1);
    value = 0.0f;
    oldValue = 0.0f;
}

float CMovieLED::nextLevel() const {
    float b = oldValue;
    if (b > 0.45f) b -= decayStep;
    if (b < 0.0f) b = 0.0f;
    return b > value ? b : value;
}

int32_t CMovieLED::frameIndex() const {
    float v = std::min(nextLevel(), 1.0f);
    if (!(v > 0.0f)) return 0;
    int32_t frame = (int32_t)((float)(subPixmaps - 1) * v + 0.5f);
    return std::min(frame, subPixmaps - 1);
}

void CMovieLED::draw(CDrawContext* context) {
    int32_t frame = frameIndex();
    value = nextLevel();
    oldValue = value;  // the held level
    if (value > 1.0f) value = 1.0f;
    drawStrip(context, pBackground, CPoint(offset.h, offset.v + frame * heightOfOneImage));
    CView::setDirty(false);
}

void CMovieLED::mouse(CDrawContext*, CPoint&, int32_t buttons) {
    if (!takesLeftPress(buttons)) return;
    reset();
    doIdleStuff();
}

void CMovieLED::reset() {
    oldValue = 0.0f;
    value = 0.0f;
    setDirty();
}

// ---- CCounter --------------------------------------------------------------------

namespace {
constexpr double kThreshold = 0.49999;  // of a step: the value moves one step up
constexpr double kLargest = 1e12;       // beyond this the cells stay blank

// abs(v) in whole rounding steps (stepsPerUnit of them to one): the remainder
// below a step moves it one step further from zero from kThreshold of a step.
int64_t inSteps(double magnitude, double stepsPerUnit) {
    double x = magnitude * stepsPerUnit;
    double whole = std::floor(x);
    if (x - whole >= kThreshold) whole += 1.0;
    return (int64_t)whole;
}

int32_t digit(int64_t n, int64_t place) { return (int32_t)((n / place) % 10); }

void decibelCells(double v, int32_t c[6]) {
    double a = std::fabs(v);
    int64_t n = inSteps(a, 100.0);  // hundredths
    c[0] = v > 0.01 ? CCounter::kPlus : (v < -0.01 ? CCounter::kMinus : CCounter::kNone);
    c[5] = CCounter::kDecibelUnit;
    if (n < 1000) {
        c[1] = digit(n, 100);
        c[2] = CCounter::kPoint;
        c[3] = digit(n, 10);
        c[4] = digit(n, 1);
        return;
    }
    int64_t tens = n / 1000;
    c[1] = tens >= 1 && tens <= 9 ? (int32_t)tens : CCounter::kNone;
    c[2] = digit(n, 100);
    c[3] = CCounter::kPoint;
    // Tenths are cut from the value itself, unless the rounding carried into
    // the whole units (12.999 reads 13.0, not 13.9).
    bool carried = (int64_t)a != n / 100;
    c[4] = carried ? digit(n, 10) : (int32_t)((int64_t)(a * 10.0) % 10);
}

void frequencyCells(double v, int32_t c[6]) {
    double a = std::fabs(v);
    int64_t n = inSteps(a, 10.0);  // tenths of a hertz
    c[5] = CCounter::kHertz;
    if (n < 10000) {
        c[0] = digit(n, 1000) ? digit(n, 1000) : CCounter::kNone;
        c[1] = (digit(n, 1000) || digit(n, 100)) ? digit(n, 100) : CCounter::kNone;
        c[2] = digit(n, 10);
        c[3] = CCounter::kPoint;
        c[4] = digit(n, 1);
        return;
    }
    n = inSteps(a, 0.1);  // tens of hertz
    c[0] = digit(n, 1000) ? digit(n, 1000) : CCounter::kNone;
    c[1] = digit(n, 100);
    c[2] = CCounter::kKilo;
    c[3] = digit(n, 10);
    c[4] = digit(n, 1);
}

// Hundreds, tens and units with leading zeros blank, then the decimals.
void plainCells(double v, int32_t c[6], int32_t decimals) {
    int64_t unit = decimals == 2 ? 100 : 10;
    int64_t n = inSteps(std::fabs(v), (double)unit);
    int32_t hundreds = digit(n, unit * 100), tens = digit(n, unit * 10);
    c[0] = hundreds ? hundreds : CCounter::kNone;
    c[1] = (hundreds || tens) ? tens : CCounter::kNone;
    c[2] = digit(n, unit);
    c[3] = CCounter::kPoint;
    c[4] = digit(n, unit / 10);
    c[5] = decimals == 2 ? digit(n, 1) : CCounter::kPercentSign;
}
}  // namespace

CCounter::CCounter(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* glyphs,
                   int32_t cellWidth, int32_t cellHeight)
    : CControl(size, listener, tag, glyphs), cellWidth(cellWidth), cellHeight(cellHeight) {}

void CCounter::setValueWithFormat(float v, int32_t f) {
    value = v;
    format = f;
    setDirty();
}

void CCounter::glyphCells(int32_t cells[6]) const {
    for (int32_t i = 0; i < 6; ++i) cells[i] = kNone;
    double v = value;
    if (!std::isfinite(v) || std::fabs(v) > kLargest) return;
    switch (format) {
        case kDecibel:
            decibelCells(v, cells);
            break;
        case kFrequency:
            frequencyCells(v, cells);
            break;
        case kPercent:
            plainCells(v, cells, 1);
            break;
        case kPlain:
            plainCells(v, cells, 2);
            break;
        default:
            break;
    }
}

void CCounter::draw(CDrawContext* context) {
    int32_t cells[6];
    glyphCells(cells);
    if (pBackground && pBackground->getWidth() > 0 && pBackground->getHeight() > 0) {
        for (int32_t i = 0; i < 6; ++i) {
            CRect cell(size.left + cellWidth * i, size.top, size.left + cellWidth * (i + 1),
                       size.top + cellHeight);
            pBackground->draw(context, cell, CPoint(0, cells[i] * cellHeight));
        }
    }
    setDirty(false);
}

}  // namespace VSTGUI
