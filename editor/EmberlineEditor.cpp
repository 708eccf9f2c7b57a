#include "editor/EmberlineEditor.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "editor/ValueFormats.h"
#include "effect/ParameterTable.h"

using namespace VSTGUI;
using namespace editorlayout;
using namespace edition;

namespace {

constexpr CColor kMainTextColor = {40, 40, 40, 255};
constexpr CColor kSetupTextColor = {170, 170, 170, 255};
constexpr CColor kEntryBackColor = {236, 237, 237, 255};
constexpr CColor kEntryTextColor = {10, 10, 10, 255};
constexpr int kReadoutCellWidth = 9, kReadoutCellHeight = 17;
constexpr float kReadoutAtOpen = 15.32f;
constexpr int kHoverPollInterval = 8;  // idle calls skipped between two polls
constexpr int kReadoutBlankAfter = 10;  // polls without a value control

CParamDisplayValueToStringProc converterOf(Converter c) {
    switch (c) {
        case Converter::Decibel: return &valueformats::formatDecibel;
        case Converter::DecibelFS: return &valueformats::formatDecibelFS;
        case Converter::Multiplier: return &valueformats::formatMultiplier;
        case Converter::Milliseconds: return &valueformats::formatMilliseconds;
        case Converter::Integer: return &valueformats::formatInteger;
        case Converter::Percent: return &valueformats::formatPercent;
    }
    return nullptr;
}

// A value display over its page's background.
CParamDisplay* makeDisplay(const CRect& r, CBitmap* pageBackground, CColor color,
                           CParamDisplayValueToStringProc convert) {
    auto* d = new CParamDisplay(r, pageBackground);
    d->setBackOffset(CPoint(r.left, r.top));
    d->setHoriAlign(kCenterText);
    d->setFont(kNormalFontVerySmall);
    d->setFontColor(color);
    d->setStringConvert(convert);
    return d;
}

// The settings the editor writes without telling the host: they are not
// automatable.
bool isQuietSetting(int logical) {
    return logical == kHidden || logical == kFineTune || logical == kMeterScale ||
           (logical >= kVuIntegr && logical <= kKnobMode);
}

// The readout format of a parameter of the main page.
Readout readoutOf(int logical) {
    for (int i = 0; i < kNumMainViews; ++i)
        if (kMainViews[i].logical == logical && kMainViews[i].readout != kNoReadout) return kMainViews[i].readout;
    return kNoReadout;
}

}  // namespace

CPresetSystemEditor* createEmberlineEditor(Emberline* effect) { return new (std::nothrow) EmberlineEditor(effect); }

EmberlineEditor::EmberlineEditor(Emberline* effect) : CPresetSystemEditor(effect), ember(effect) {
    rect.top = 0;
    rect.left = 0;
    rect.bottom = kHeight;
    rect.right = kWidth;
}

EmberlineEditor::~EmberlineEditor() {
    close();
    releaseBitmaps();
}

void EmberlineEditor::holdBitmaps() {
    if (heldScale == CBitmap::getLoadScale() && !heldBitmaps.empty()) return;
    releaseBitmaps();
    heldScale = CBitmap::getLoadScale();
    auto hold = [&](int id) {
        if (id > 0) heldBitmaps.push_back(new CBitmap(id));
    };
    hold(kMainBackground);
    hold(kSetupBackground);
    hold(kMeterStripAlternative);
    hold(kSetupKnobStrip);
    hold(kKnobModeStrip);
    for (int i = 0; i < kNumMainViews; ++i) hold(kMainViews[i].bitmap);
}

void EmberlineEditor::releaseBitmaps() {
    for (CBitmap* b : heldBitmaps) b->forget();
    heldBitmaps.clear();
    heldScale = 0;
}

bool EmberlineEditor::onUserInterfaceThread() const {
    return userInterfaceThread.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

// ---- open and close ----------------------------------------------------------

bool EmberlineEditor::open(void* ptr) {
    AEffGUIEditor::open(ptr);
    userInterfaceThread.store(std::this_thread::get_id(), std::memory_order_relaxed);
    for (auto& word : pending) word.store(0, std::memory_order_relaxed);
    hoverView = nullptr;
    hoverPollCount = 0;
    readoutMissCount = 0;

    CBitmap* background = new CBitmap(kMainBackground);
    myFrame = new CMyFrame(CRect(0, 0, kWidth, kHeight), ptr, this);
    frame = myFrame;
    if (ptr && !myFrame->isOpen()) {
        // No window could be made (no display): nothing to show.
        background->forget();
        close();
        return false;
    }
    myFrame->setBackground(background);
    mainPage = new CViewContainer(CRect(0, 0, kWidth, kMainPageHeight), myFrame, background);
    background->forget();
    CBitmap* setupBackground = new CBitmap(kSetupBackground);
    setupPage = new CViewContainer(CRect(0, 0, kWidth, kSetupPageHeight), myFrame, setupBackground);
    setupBackground->forget();

    buildMainPage();
    buildSetupPage();
    holdBitmaps();
    myFrame->addView(mainPage);
    shownPage = mainPage;
    hiddenPage = setupPage;

    openPresetStrip();
    if (ember) ember->setMetersActive(true);
    return true;
}

void EmberlineEditor::close() {
    // A value being typed is taken as if the field had lost the focus.
    if (myFrame && valueEntry && myFrame->getValueEntry() == valueEntry) valueEntry->looseFocus();
    if (ember) ember->setMetersActive(false);
    closePresetStrip();
    CViewContainer* detached = hiddenPage;
    CMyTextEdit* entry = valueEntry;
    forgetViews();
    // The field is the editor's own while detached; the page releases its
    // reference while it holds it.
    if (entry && myFrame) myFrame->setValueEntry(nullptr);
    if (detached) detached->forget();
    myFrame = nullptr;
    AEffGUIEditor::close();  // the frame, the shown page and what they hold
    if (entry) entry->forget();
}

void EmberlineEditor::forgetViews() {
    mainPage = setupPage = shownPage = hiddenPage = nullptr;
    for (auto& c : controls) c = nullptr;
    for (auto& d : displays) d = nullptr;
    latencyMs = latencySamples = nullptr;
    meters[0] = meters[1] = nullptr;
    leds[0] = leds[1] = nullptr;
    valueReadout = nullptr;
    valueEntry = nullptr;
    hoverView = nullptr;
}

// ---- building the pages --------------------------------------------------------

void EmberlineEditor::buildMainPage() {
    for (int i = 0; i < kNumMainViews; ++i) addMainView(kMainViews[i]);
}

void EmberlineEditor::addMainView(const MainView& row) {
    const int tag = tagOf(row.logical);
    if (row.logical != kNone && tag < 0) return;  // not in this edition
    CBitmap* bitmap = row.bitmap ? new CBitmap(row.bitmap) : nullptr;
    CRect r(row.left, row.top, row.right, row.bottom);
    int frameHeight = 0;
    if (bitmap && row.frames > 0) {
        int width = bitmap->getWidth();
        int rows = row.frames;
        if (row.cellWidth > 0) {
            const int columns = row.cellWidth ? bitmap->getWidth() / row.cellWidth : 0;
            rows = columns > 0 ? (row.frames + columns - 1) / columns : 0;
            width = columns > 0 ? row.cellWidth : 0;
        }
        frameHeight = rows > 0 ? bitmap->getHeight() / rows : 0;
        if (row.right == 0) r = CRect(row.left, row.top, row.left + width, row.top + frameHeight);
    }
    if (bitmap && bitmap->getWidth() == 0) r = CRect(row.left, row.top, row.left, row.top);
    const float value = tag >= 0 ? ember->getParameter(tag) : 0.0f;
    CControl* made = nullptr;
    switch (row.kind) {
        case Kind::LatencyMs:
        case Kind::LatencySamples: {
            const bool samples = row.kind == Kind::LatencySamples;
            CParamDisplay* d = makeDisplay(r, mainPage->getBackground(), kMainTextColor,
                                           samples ? &valueformats::formatLatencySamples
                                                   : &valueformats::formatMilliseconds);
            d->setValue(samples ? ember->getLatencySamples() : ember->getLatencyMs());
            (samples ? latencySamples : latencyMs) = d;
            made = d;
            break;
        }
        case Kind::OnOff: made = new CMyOnOffButton(r, this, tag, bitmap); break;
        case Kind::ChannelButton: made = new CMyLRUDButton(r, this, tag, bitmap); break;
        case Kind::Selector:
            made = new CMyVerticalSwitch(r, this, tag, row.frames, frameHeight, row.frames, bitmap);
            break;
        case Kind::Knob:
            made = new CAnimKnob2(r, this, tag, row.frames, frameHeight, bitmap);
            break;
        case Kind::ColumnKnob:
            made = new CAnimKnob3(r, this, tag, row.frames, row.cellWidth, frameHeight, bitmap);
            break;
        case Kind::MeterLeft:
        case Kind::MeterRight: {
            CBitmap* alternative = new CBitmap(kMeterStripAlternative);
            auto* m = new CMovieMeter(r, this, tag, row.frames, frameHeight, bitmap, alternative);
            alternative->forget();
            m->setScale(params::roundSwitch(value));
            m->setValue(0.0f);
            meters[row.kind == Kind::MeterRight] = m;
            made = m;
            break;
        }
        case Kind::Readout:
            valueReadout = new CCounter(r, this, kTagReadout, bitmap, kReadoutCellWidth, kReadoutCellHeight);
            valueReadout->setValueWithFormat(kReadoutAtOpen, kReadDecibel);
            made = valueReadout;
            break;
        case Kind::Entry:
            valueEntry = new CMyTextEdit(r, this, kTagEntry);
            valueEntry->setBackColor(kEntryBackColor);
            valueEntry->setFrameColor(kEntryBackColor);
            valueEntry->setFontColor(kEntryTextColor);
            valueEntry->setTxtFace(kBoldFace);
            valueEntry->setFont(kNormalFont);
            break;  // attached only while a value is typed
        case Kind::LedLeft:
        case Kind::LedRight: {
            auto* led = new CMovieLED(r, this, row.kind == Kind::LedLeft ? kTagLedLeft : kTagLedRight,
                                      row.frames, frameHeight, bitmap);
            leds[row.kind == Kind::LedRight] = led;
            made = led;
            break;
        }
        case Kind::PageSwitch: made = new CViewContainerSwitch(r, this, kTagToSetup); break;
    }
    if (bitmap) bitmap->forget();
    if (!made) return;
    const bool edits = row.logical != kNone && row.kind != Kind::MeterLeft && row.kind != Kind::MeterRight;
    if (edits) {
        if (row.defaultValue > 0.0f) made->setDefaultValue(row.defaultValue);
        if (row.wheelInc > 0.0f) made->setWheelInc(row.wheelInc);
        made->setValue(value);
        controls[row.logical] = made;
    }
    mainPage->addView(made);
}

void EmberlineEditor::buildSetupPage() {
    CBitmap* strip = new CBitmap(kSetupKnobStrip);
    const int frameHeight = strip->getHeight() / kSetupKnobFrames;
    for (int i = 0; i < kNumSetupKnobs; ++i) {
        const SetupKnob& k = kSetupKnobs[i];
        const int tag = tagOf(k.logical);
        if (tag < 0) continue;
        const CRect r(k.left, k.top, k.left + strip->getWidth(), k.top + frameHeight);
        CAnimKnob* knob = k.productKnob
                              ? new CAnimKnob2(r, this, tag, kSetupKnobFrames, frameHeight, strip)
                              : new CAnimKnob(r, this, tag, kSetupKnobFrames, frameHeight, strip);
        knob->setDefaultValue(k.defaultValue);
        knob->setValue(ember->getParameter(tag));
        setupPage->addView(knob);
        controls[k.logical] = knob;
        CParamDisplay* d = makeDisplay(CRect(k.displayLeft, k.displayTop, k.displayRight, k.displayBottom),
                                       setupPage->getBackground(), kSetupTextColor, converterOf(k.converter));
        d->setValue(ember->getDisplayValue(tag));
        setupPage->addView(d);
        displays[k.logical] = d;
    }
    strip->forget();

    CBitmap* modeStrip = new CBitmap(kKnobModeStrip);
    const int modeTag = tagOf(kKnobMode);
    const CRect& m = {kKnobModeSwitch.left, kKnobModeSwitch.top, kKnobModeSwitch.right, kKnobModeSwitch.bottom};
    auto* knobMode = new CVerticalSwitch(m, this, modeTag, 2, modeStrip->getHeight() / 2, 2, modeStrip);
    modeStrip->forget();
    knobMode->setValue(ember->getParameter(modeTag));
    setupPage->addView(knobMode);
    controls[kKnobMode] = knobMode;

    setupPage->addView(new CViewContainerSwitch(
        CRect(kBackToMain.left, kBackToMain.top, kBackToMain.right, kBackToMain.bottom), this, kTagToMain));
    setupPage->addView(new CLabel2(
        CRect(kVersionLabel.left, kVersionLabel.top, kVersionLabel.right, kVersionLabel.bottom), kVersionText));
}

// ---- pages -------------------------------------------------------------------------

void EmberlineEditor::switchPage() {
    if (!myFrame || !shownPage || !hiddenPage) return;
    if (valueEntry && myFrame->getValueEntry()) valueEntry->looseFocus();
    CViewContainer* next = hiddenPage;
    myFrame->addView(next);
    hiddenPage = shownPage;
    shownPage = next;
    myFrame->removeView(hiddenPage, false);
    hoverView = nullptr;
    myFrame->invalidate();
}

// ---- parameters to controls ------------------------------------------------------------

void EmberlineEditor::setParameter(vst::int32 index, float /*value*/) {
    if (!onUserInterfaceThread()) {
        // Only a mark here: this may be the audio thread.
        if (index >= 0 && index < 64 * kPendingWords)
            pending[index / 64].fetch_or(uint64_t(1) << (index % 64), std::memory_order_release);
        return;
    }
    if (!myFrame) return;
    showParameter(index);
}

void EmberlineEditor::applyPending() {
    for (int w = 0; w < kPendingWords; ++w) {
        uint64_t bits = pending[w].exchange(0, std::memory_order_acquire);
        while (bits) {
            const int bit = __builtin_ctzll(bits);
            bits &= bits - 1;
            showParameter(w * 64 + bit);
        }
    }
}

void EmberlineEditor::showParameter(vst::int32 index) {
    if (index == kTagToSetup || index == kTagToMain) {
        switchPage();
        return;
    }
    const int logical = toLogical(index);
    if (logical == kNone) return;
    const float v = ember->getParameter(index);
    switch (logical) {
        case kMonoStereo:
        case kLR:
        case kChannelMode:
            if (CControl* c = controls[kChannelMode]) c->setValue(ember->getParameter(tagOf(kChannelMode)));
            return;
        case kMeterScale: {
            const int scale = params::roundSwitch(v);
            for (CMovieMeter* m : meters)
                if (m) m->setScale(scale);
            return;
        }
        default: break;
    }
    if (CControl* c = controls[logical]) c->setValue(v);
    if (CParamDisplay* d = displays[logical]) d->setValue(ember->getDisplayValue(index));
    const Readout format = readoutOf(logical);
    if (format != kNoReadout && valueReadout) valueReadout->setValueWithFormat(ember->getDisplayValue(index), format);
    if (logical == kProcess || logical == kMode || logical == kSpeed) reloadLatency();
}

void EmberlineEditor::reloadLatency() {
    if (latencyMs) {
        latencyMs->setValue(ember->getLatencyMs());
        latencyMs->setDirty();
    }
    if (latencySamples) {
        latencySamples->setValue(ember->getLatencySamples());
        latencySamples->setDirty();
    }
}

void EmberlineEditor::refreshLatencyReadouts() {
    if (onUserInterfaceThread() && myFrame) reloadLatency();
    else setParameter(tagOf(kProcess), 0.0f);  // reloaded with Process at the next idle
}

void EmberlineEditor::restMeters() {
    // Suspend may come on another thread: then the next idle does it.
    if (!onUserInterfaceThread()) {
        restPending.store(true, std::memory_order_release);
        return;
    }
    if (!myFrame) return;
    const int source = params::lawPosition(params::rowOf(kMeters)->law, ember->getParameter(tagOf(kMeters)));
    const float rest = source == 1 ? 1.0f : 0.0f;
    for (CMovieMeter* m : meters)
        if (m) m->setValue(rest);
    for (CMovieLED* led : leds)
        if (led) led->setValue(0.0f);
}

// ---- controls to parameters ----------------------------------------------------------------

void EmberlineEditor::valueChanged(CDrawContext* context, CControl* control) {
    CPresetSystemEditor::valueChanged(context, control);
    if (!control || !ember) return;
    const vst::int32 tag = control->getTag();
    const float value = control->getValue();
    const int logical = toLogical(tag);
    if (logical == kChannelMode) {
        ember->setParameter(tag, value);
        const vst::int32 mono = tagOf(kMonoStereo), lr = tagOf(kLR);
        if (myFrame) myFrame->beginEdit(mono);
        if (myFrame) myFrame->beginEdit(lr);
        ember->setParameterAutomated(mono, ember->getParameter(mono));
        ember->setParameterAutomated(lr, ember->getParameter(lr));
        if (myFrame) myFrame->endEdit(mono);
        if (myFrame) myFrame->endEdit(lr);
        return;
    }
    if (tag >= kNumParams || isQuietSetting(logical))
        ember->setParameter(tag, value);
    else
        ember->setParameterAutomated(tag, value);
    if (control->isDirty()) control->invalid();
}

void EmberlineEditor::beginEdit(vst::int32 index) {
    // Gestures reach the host only for the parameters it knows.
    if (index >= 0 && index < kNumParams) CPresetSystemEditor::beginEdit(index);
}

void EmberlineEditor::endEdit(vst::int32 index) {
    if (index >= 0 && index < kNumParams) CPresetSystemEditor::endEdit(index);
}

CControl* EmberlineEditor::controlOf(int logical) const {
    return logical >= 0 && logical < kNumLogical ? controls[logical] : nullptr;
}

CParamDisplay* EmberlineEditor::displayOf(int logical) const {
    return logical >= 0 && logical < kNumLogical ? displays[logical] : nullptr;
}

// ---- idle ------------------------------------------------------------------------------------

void EmberlineEditor::idle() {
    userInterfaceThread.store(std::this_thread::get_id(), std::memory_order_relaxed);
    if (!myFrame) return;
    applyPending();
    if (restPending.exchange(false, std::memory_order_acquire)) restMeters();
    AEffGUIEditor::idle();
    if (!myFrame) return;  // the host's idle may have closed the window
    if (ember && ember->knobModeChanged.exchange(0, std::memory_order_relaxed)) {
        const float mode = ember->getParameter(tagOf(kKnobMode));
        setKnobMode(mode >= 0.5f ? kLinearMode : kCircularMode);
    }
    if (mainPageShown()) {
        feedMeters();
        pollHover();
    }
    updatePresetHover();
}

void EmberlineEditor::feedMeters() {
    if (!ember) return;
    for (int ch = 0; ch < 2; ++ch) {
        const float level = ember->meterValue(ch);
        const float over = ember->takeOverFlag(ch) ? 1.0f : 0.0f;
        if (meters[ch]) meters[ch]->setValue(level);
        if (leds[ch]) leds[ch]->setValue(over);
    }
}

void EmberlineEditor::pollHover() {
    // Not from inside a press (a control's idle hook): the poll re-reads the
    // parameter into the control under the pointer, which would undo the
    // value that control has just taken and not yet reported.
    if (myFrame->handlingPress()) return;
    if (hoverPollCount < kHoverPollInterval) {
        ++hoverPollCount;
        return;
    }
    hoverPollCount = 0;
    CView* view = mainPage ? mainPage->getCurrentView() : nullptr;
    auto* control = dynamic_cast<CControl*>(view);
    const int tag = control ? control->getTag() : -1;
    const bool valueControl = control && tag != tagOf(kMeterScale) && tag != kTagToSetup && tag != kTagToMain &&
                              tag != kTagLedLeft && tag != kTagLedRight;
    if (!valueControl) {
        hoverView = view;
        if (++readoutMissCount > kReadoutBlankAfter) {
            if (valueReadout) valueReadout->setValueWithFormat(0.0f, kNoReadout);
            readoutMissCount = 0;
        }
        return;
    }
    if (view == hoverView) return;
    hoverView = view;
    setParameter(tag, control->getValue());
}

// ---- typed values -------------------------------------------------------------------------------

void EmberlineEditor::openValueEntry(vst::int32 tag) {
    if (!myFrame || !valueEntry || !mainPageShown()) return;
    if (myFrame->getValueEntry()) return;  // one field at a time
    char text[64] = "";
    const int logical = toLogical(tag);
    if (logical >= kDrive && logical <= kOutput) {
        const double d = ember->getDisplayValue(tag);
        std::snprintf(text, sizeof text, (logical == kDrive || logical == kRelease) ? "%.2f" : "%.1f", d);
    }
    valueEntry->remember();  // the page's reference while attached
    mainPage->addView(valueEntry);
    valueEntry->setText(text);
    myFrame->setValueEntry(valueEntry);
    valueEntry->setTarget(tag);
}

void EmberlineEditor::applyValueEntry(vst::int32 tag, const char* text) {
    if (myFrame && myFrame->getValueEntry() == valueEntry) myFrame->setValueEntry(nullptr);
    if (mainPage && valueEntry && mainPage->isChild(valueEntry)) mainPage->removeView(valueEntry, true);
    const int logical = toLogical(tag);
    if (!text || !ember || logical < kDrive || logical > kOutput) return;  // cancelled, or no law
    const double typed = valueformats::parseTypedNumber(text);
    const double k = ember->getDisplayValue(tagOf(kFineTune));
    float n = (float)params::toNormalised(params::rowOf(logical)->law, typed, k);
    if (!(n >= 0.0f)) n = 0.0f;
    if (n > 1.0f) n = 1.0f;
    ember->setParameter(tag, n);
    if (myFrame) myFrame->invalidate();
}
