#include "gui/AEffGUIEditor.h"

#include <cmath>
#include <cstdlib>

#include "gui/CBitmap.h"
#include "gui/CFrame.h"

using namespace VSTGUI;

vst::int32 AEffGUIEditor::knobMode = kCircularMode;

namespace {
double clampScale(double s) {
    if (!(s >= 1.0)) return 1.0;  // also NaN
    return s > 4.0 ? 4.0 : s;
}
}  // namespace

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect) : AEffEditor(effect) {}

AEffGUIEditor::~AEffGUIEditor() {
    if (frame) frame->forget();
    frame = nullptr;
}

bool AEffGUIEditor::getRect(vst::ERect** r) {
    if (r) *r = nullptr;
    if (rect.right <= rect.left || rect.bottom <= rect.top) return false;  // no window to size
    double s = getScaleFactor();
    scaledRect.top = (int16_t)std::lround(rect.top * s);
    scaledRect.left = (int16_t)std::lround(rect.left * s);
    scaledRect.bottom = (int16_t)std::lround(rect.bottom * s);
    scaledRect.right = (int16_t)std::lround(rect.right * s);
    if (r) *r = &scaledRect;
    return true;
}

bool AEffGUIEditor::open(void* ptr) {
    if (systemWindow || frame) close();
    CBitmap::setLoadScale(getScaleFactor());
    systemWindow = ptr;
    lastIdleStuff = getTicks();
    return true;
}

void AEffGUIEditor::close() {
    if (frame) frame->forget();
    frame = nullptr;
    systemWindow = nullptr;
}

void AEffGUIEditor::idle() {
    if (inIdleStuff || !frame) return;
    frame->idle();
}

bool AEffGUIEditor::onKeyDown(vst::VstKeyCode& keyCode) {
    return frame && frame->platformKeyDown(keyCode);
}

bool AEffGUIEditor::onKeyUp(vst::VstKeyCode& keyCode) {
    return frame && frame->platformKeyUp(keyCode);
}

bool AEffGUIEditor::setKnobMode(vst::int32 val) {
    knobMode = val;
    return rect.right > rect.left && rect.bottom > rect.top;  // taken only by an editor with a window
}

void AEffGUIEditor::beginEdit(vst::int32 index) {
    if (effect) static_cast<AudioEffectX*>(effect)->beginEdit(index);
}

void AEffGUIEditor::endEdit(vst::int32 index) {
    if (effect) static_cast<AudioEffectX*>(effect)->endEdit(index);
}

uint32_t AEffGUIEditor::getTicks() const { return platform::current().tickCount(); }

void AEffGUIEditor::doIdleStuff() {
    // Controls call this for every move of a held mouse. The editor's idle
    // (meters, readouts) and the host's run at most every 46 ms of that;
    // nothing waits here, the next move comes as an event.
    uint32_t now = getTicks();
    uint32_t next = lastIdleStuff + 100;
    if ((int32_t)((now + 4) - (next - 50)) < 0) return;
    if (inIdleStuff) return;
    lastIdleStuff = now;
    idle();  // inside an event the frame only paints, it does not read events again
    inIdleStuff = true;
    if (effect) effect->masterIdle();
    inIdleStuff = false;
}

double AEffGUIEditor::getScaleFactor() const {
    if (const char* env = std::getenv("EMBERLINE_UI_SCALE")) {
        char* end = nullptr;
        double s = std::strtod(env, &end);
        if (end != env) return clampScale(s);
    }
    return hostScale;
}

void AEffGUIEditor::setScaleFactor(double scale) {
    double old = getScaleFactor();
    hostScale = clampScale(scale);
    double now = getScaleFactor();
    if (now == old || !frame) return;
    frame->setScale(now);
    vst::ERect* r = nullptr;
    if (effect && getRect(&r) && r)
        effect->callHost(vst::audioMasterSizeWindow, r->right - r->left, r->bottom - r->top);
}

vst::intptr AEffGUIEditor::vendorSpecific(vst::int32 index, vst::intptr value, void*, float opt) {
    if (index == vst::fourCC('P', 'r', 'e', 'S') && value == vst::fourCC('A', 'e', 'C', 's')) {
        setScaleFactor(opt);
        return 1;
    }
    return 0;
}
