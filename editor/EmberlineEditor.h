// The plug-in's window: the main page (meters, knobs, buttons, value
// readout) and the setup page (band and meter settings), with the preset
// strip along the bottom. Every control edits the parameter of its tag;
// changes from the host or the programs move the controls.
//
// Threads: the window lives on the host's user-interface thread (the thread
// that opens it and calls idle). The effect tells the editor of parameter
// changes on whatever thread set them: on any other thread that only marks
// the parameter, and the next idle brings its controls up to date. Meter
// levels and over flags come from the audio thread as atomics.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "editor/CustomControls.h"
#include "editor/EditorLayout.h"
#include "editor/Indicators.h"
#include "effect/EditorReadouts.h"
#include "effect/Emberline.h"
#include "presets/CPresetSystemEditor.h"

class EmberlineEditor final : public CPresetSystemEditor, public CEditorReadouts {
public:
    explicit EmberlineEditor(Emberline* effect);
    ~EmberlineEditor() override;

    bool open(void* ptr) override;
    void close() override;
    void idle() override;
    void setParameter(vst::int32 index, float value) override;
    void beginEdit(vst::int32 index) override;
    void endEdit(vst::int32 index) override;

    void valueChanged(VSTGUI::CDrawContext* context, VSTGUI::CControl* control) override;
    void openValueEntry(vst::int32 tag) override;
    void applyValueEntry(vst::int32 tag, const char* text) override;

    void refreshLatencyReadouts() override;
    void restMeters() override;

    // What the window shows, for the tests and the command-line tool.
    bool mainPageShown() const { return shownPage && shownPage == mainPage; }
    VSTGUI::CControl* controlOf(int logical) const;
    VSTGUI::CParamDisplay* displayOf(int logical) const;
    VSTGUI::CViewContainer* getMainPage() const { return mainPage; }
    VSTGUI::CViewContainer* getSetupPage() const { return setupPage; }
    VSTGUI::CCounter* getReadout() const { return valueReadout; }
    VSTGUI::CMyTextEdit* getValueEntry() const { return valueEntry; }
    VSTGUI::CMovieMeter* getMeter(int channel) const { return meters[channel & 1]; }
    VSTGUI::CMovieLED* getLed(int channel) const { return leds[channel & 1]; }
    VSTGUI::CParamDisplay* getLatencyDisplay(bool samples) const { return samples ? latencySamples : latencyMs; }

private:
    void buildMainPage();
    void buildSetupPage();
    void addMainView(const editorlayout::MainView& row);
    void switchPage();
    // Brings the controls of a host index up to date (user-interface thread).
    void showParameter(vst::int32 index);
    void reloadLatency();
    void feedMeters();
    void pollHover();
    void applyPending();
    bool onUserInterfaceThread() const;
    void forgetViews();
    void holdBitmaps();
    void releaseBitmaps();

    Emberline* ember;
    VSTGUI::CMyFrame* myFrame = nullptr;
    VSTGUI::CViewContainer* mainPage = nullptr;
    VSTGUI::CViewContainer* setupPage = nullptr;
    VSTGUI::CViewContainer* shownPage = nullptr;
    VSTGUI::CViewContainer* hiddenPage = nullptr;
    VSTGUI::CControl* controls[edition::kNumLogical] = {};
    VSTGUI::CParamDisplay* displays[edition::kNumLogical] = {};
    VSTGUI::CParamDisplay* latencyMs = nullptr;
    VSTGUI::CParamDisplay* latencySamples = nullptr;
    VSTGUI::CMovieMeter* meters[2] = {};
    VSTGUI::CMovieLED* leds[2] = {};
    VSTGUI::CCounter* valueReadout = nullptr;
    VSTGUI::CMyTextEdit* valueEntry = nullptr;
    VSTGUI::CView* hoverView = nullptr;
    int32_t hoverPollCount = 0;
    int32_t readoutMissCount = 0;

    // The decoded bitmaps, kept from the first open to the end so that the
    // window opens again at once (shared by every instance of the process).
    std::vector<VSTGUI::CBitmap*> heldBitmaps;
    double heldScale = 0;

    // Host indices changed on other threads, for the next idle.
    static constexpr int kPendingWords = 2;
    std::atomic<uint64_t> pending[kPendingWords] = {};
    std::atomic<std::thread::id> userInterfaceThread{};
    std::atomic<bool> restPending{false};
};
