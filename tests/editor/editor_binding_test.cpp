// The editor's binding of controls to parameters: what a user edit reports
// to the host, how host and program changes move the controls, pages, the
// hover readout, typed values, meters and LEDs fed at idle.
#include <thread>

#include "tests/editor/EditorFixture.h"
#include "tests/support/AudioLoop.h"

namespace editortest {
namespace {

using editorlayout::kTagLedLeft;
using editorlayout::kTagToMain;
using editorlayout::kTagToSetup;

TEST(EditorWithoutWindowSystem, TheHostIsNotToldOfAnEditorThatCannotOpen) {
    platform::install(nullptr);  // as in a library built without a window system
    Emberline effect(&recordingHost);
    EXPECT_EQ(effect.getAeffect()->flags & vst::effFlagsHasEditor, 0);
    ASSERT_NE(effect.presetEditor(), nullptr) << "the editor object still follows the effect";
    effect.setParameter(tagOf(kDrive), 0.25f);
    EXPECT_FLOAT_EQ(effect.getParameter(tagOf(kDrive)), 0.25f);
}

TEST_F(EditorTest, WindowRectangleIsKnownBeforeOpenAndTheHostIsToldOfAnEditor) {
    editor->close();
    vst::ERect* r = nullptr;
    vst::AEffect* fx = effect->getAeffect();
    EXPECT_NE(fx->flags & vst::effFlagsHasEditor, 0);
    ASSERT_EQ(fx->dispatcher(fx, vst::effEditGetRect, 0, 0, &r, 0), 1);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->right - r->left, 450);
    EXPECT_EQ(r->bottom - r->top, 460);
    EXPECT_EQ(EmberlineTestAccess::engine(*effect).metersActive.load(), 0);
    openEditor();
    EXPECT_EQ(EmberlineTestAccess::engine(*effect).metersActive.load(), 1);
    EXPECT_TRUE(editor->mainPageShown());
}

TEST_F(EditorTest, EveryParameterOfThePanelHasItsControlWithTheStoredValue) {
    const int onPanel[] = {kProcess, kMode, kLink, kDrive, kKnee, kSpeed, kRelease, kHighAdjust, kLowAdjust,
                           kHighFreq, kLowFreq, kMix, kCeiling, kOutput, kLowSat, kMidSat, kHighSat, kLowRel,
                           kMidRel, kHighRel, kMeters, kMeterType, kFineTune, kLong, kAuto, kBrickwall,
                           kVuIntegr, kVuRefer, kPpmIntegr, kPpmReturn, kOverIndic, kKnobMode, kChannelMode};
    for (int logical : onPanel) {
        CControl* c = editor->controlOf(logical);
        ASSERT_NE(c, nullptr) << "parameter " << logical;
        EXPECT_EQ(c->getTag(), tagOf(logical));
        EXPECT_FLOAT_EQ(c->getValue(), param(logical)) << "parameter " << logical;
        EXPECT_GT(c->getViewSize().width(), 0) << "parameter " << logical << " has its bitmap";
    }
    EXPECT_EQ(editor->controlOf(kFat) != nullptr, kSecond) << "FAT only in the second edition";
    EXPECT_EQ(editor->controlOf(kHidden), nullptr);
    // Sizes come from one frame of each strip.
    EXPECT_EQ(editor->controlOf(kDrive)->getViewSize(), CRect(122, 162, 235, 255));
    EXPECT_EQ(editor->controlOf(kHighFreq)->getViewSize(), CRect(345, 242, 405, 298));
    EXPECT_EQ(editor->controlOf(kChannelMode)->getViewSize(), CRect(326, 388, 377, 436));
    EXPECT_EQ(editor->controlOf(kMeters)->getViewSize(), CRect(206, 28, 246, 78));
    EXPECT_EQ(editor->getMeter(1)->getViewSize(), CRect(261, 40, 397, 110));
    EXPECT_EQ(editor->getLed(0)->getViewSize(), CRect(160, 109, 181, 130));
    EXPECT_EQ(editor->controlOf(kKnobMode)->getViewSize(), CRect(375, 389, 390, 418));
    // Modifier-click defaults and wheel steps.
    EXPECT_FLOAT_EQ(editor->controlOf(kMix)->getDefaultValue(), 1.0f);
    EXPECT_FLOAT_EQ(editor->controlOf(kVuRefer)->getDefaultValue(), 0.4f);
    EXPECT_FLOAT_EQ(editor->controlOf(kOverIndic)->getDefaultValue(), 2.0f / 9.0f);
    EXPECT_FLOAT_EQ(editor->controlOf(kFineTune)->getDefaultValue(), 1.0f);
    EXPECT_FLOAT_EQ(editor->controlOf(kDrive)->getWheelInc(), 1.0f / 76.8f);
    EXPECT_FLOAT_EQ(editor->controlOf(kKnee)->getWheelInc(), 1.0f / 32.0f);
    EXPECT_FLOAT_EQ(editor->controlOf(kOutput)->getWheelInc(), 1.0f / 38.4f);
    EXPECT_FLOAT_EQ(editor->controlOf(kLowSat)->getWheelInc(), 0.1f);
    // The readout's first content.
    EXPECT_EQ(readoutCells(), (std::vector<int32_t>{CCounter::kPlus, 1, 5, CCounter::kPoint, 3, CCounter::kDecibelUnit}));
}

TEST_F(EditorTest, ButtonEditsReachTheHostAsAutomationInsideTheirGesture) {
    const CPoint p = centre(editor->controlOf(kProcess));
    const float before = param(kProcess);
    click(p.h, p.v);
    const float after = before >= 0.5f ? 0.0f : 1.0f;
    EXPECT_EQ(hostEdits(), (std::vector<std::string>{edit("begin", tagOf(kProcess)), set(tagOf(kProcess), after),
                                                     edit("end", tagOf(kProcess))}));
    EXPECT_FLOAT_EQ(param(kProcess), after);

    const CPoint type = centre(editor->controlOf(kMeterType));
    click(type.h, type.v);
    const std::vector<std::string> heard = hostEdits();
    ASSERT_EQ(heard.size(), 3u) << "MeterType is automatable";
    EXPECT_EQ(heard[1], set(tagOf(kMeterType), param(kMeterType)));
}

TEST_F(EditorTest, ChannelModeReportsTheTwoParametersItSetsAndNeverItself) {
    const int mono = tagOf(kMonoStereo), lr = tagOf(kLR);
    // Left quarter at mid-height: the left channel alone.
    click(330, 412);
    EXPECT_NEAR(param(kChannelMode), 0.33f, 0.005);
    const std::vector<std::string> heard = hostEdits();
    const std::vector<std::string> expected = {edit("begin", mono), edit("begin", lr), set(mono, param(kMonoStereo)),
                                               set(lr, param(kLR)), edit("end", mono), edit("end", lr)};
    // The button tells of the press and of the release: each time the pair.
    ASSERT_FALSE(heard.empty());
    ASSERT_EQ(heard.size() % expected.size(), 0u);
    for (size_t i = 0; i < heard.size(); ++i) EXPECT_EQ(heard[i], expected[i % expected.size()]) << i;
    // The host moving Mono Stereo moves the four-way button.
    effect->setParameterAutomated(mono, 0.0f);
    EXPECT_FLOAT_EQ(editor->controlOf(kChannelMode)->getValue(), param(kChannelMode));
}

TEST_F(EditorTest, SettingsAndMeterScaleAreWrittenWithoutTellingTheHost) {
    // A Control-click on a setup knob sets its default; no automation.
    click(160, 413);  // to the setup page
    ASSERT_FALSE(editor->mainPageShown());
    setParam(kVuRefer, 0.9f);
    hostCalls().clear();
    const CPoint refer = centre(editor->controlOf(kVuRefer));
    click(refer.h, refer.v, kLButton | kControl);
    EXPECT_FLOAT_EQ(param(kVuRefer), 0.4f);
    EXPECT_FLOAT_EQ(editor->displayOf(kVuRefer)->getValue(), effect->getDisplayValue(tagOf(kVuRefer)));
    for (const std::string& e : hostEdits()) EXPECT_EQ(e.rfind("set", 0), std::string::npos) << e;

    click(200, 80);  // back to the main page
    ASSERT_TRUE(editor->mainPageShown());
    const int scale = editor->getMeter(0)->getScale();
    click(100, 60);  // the left meter
    EXPECT_EQ(editor->getMeter(0)->getScale(), 1 - scale);
    EXPECT_EQ(editor->getMeter(1)->getScale(), 1 - scale) << "both meters switch";
    EXPECT_EQ(params::roundSwitch(param(kMeterScale)), 1 - scale);
    EXPECT_TRUE(hostEdits().empty());
}

TEST_F(EditorTest, HostAutomationAndProgramChangesMoveTheControls) {
    setParam(kDrive, 0.8f);
    EXPECT_FLOAT_EQ(editor->controlOf(kDrive)->getValue(), 0.8f);
    EXPECT_EQ(editor->getReadout()->getFormat(), CCounter::kDecibel);
    setParam(kHighFreq, 0.25f);
    EXPECT_EQ(editor->getReadout()->getFormat(), CCounter::kFrequency);
    setParam(kLowSat, 0.75f);
    EXPECT_FLOAT_EQ(editor->controlOf(kLowSat)->getValue(), 0.75f);
    EXPECT_FLOAT_EQ(editor->displayOf(kLowSat)->getValue(), effect->getDisplayValue(tagOf(kLowSat)));

    // From another thread only a mark: the controls follow at the next idle.
    std::thread([&] { setParam(kKnee, 0.1f); }).join();
    EXPECT_NE(editor->controlOf(kKnee)->getValue(), 0.1f);
    idle();
    EXPECT_FLOAT_EQ(editor->controlOf(kKnee)->getValue(), 0.1f);

    // A program change.
    effect->selectProgram(5);
    for (int logical : {kDrive, kKnee, kSpeed, kRelease, kMix, kOutput, kMode})
        EXPECT_FLOAT_EQ(editor->controlOf(logical)->getValue(), param(logical)) << "parameter " << logical;
}

TEST_F(EditorTest, PagesSwitchBothWaysAndTheWindowReopensOnTheMainPage) {
    click(160, 413);
    EXPECT_FALSE(editor->mainPageShown());
    EXPECT_TRUE(frame->isChild(editor->getSetupPage()));
    EXPECT_FALSE(frame->isChild(editor->getMainPage()));
    EXPECT_TRUE(hostEdits().empty()) << "page switches are not parameters";
    click(200, 80);
    EXPECT_TRUE(editor->mainPageShown());
    click(160, 413);
    editor->close();
    openEditor();
    EXPECT_TRUE(editor->mainPageShown());
}

TEST_F(EditorTest, HoverShowsThePointedValueAndBlanksOverMetersAfterTenPolls) {
    setParam(kMix, 0.5f);
    setParam(kDrive, 0.5f);  // the readout now shows Drive in dB
    ASSERT_EQ(editor->getReadout()->getFormat(), CCounter::kDecibel);
    const CPoint mix = centre(editor->controlOf(kMix));
    pointAt(mix.h, mix.v);
    idle(9);
    EXPECT_EQ(editor->getReadout()->getFormat(), CCounter::kPercent) << "the poll after nine idle calls";
    // Over a meter: the readout stays for ten polls and blanks at the eleventh.
    pointAt(100, 60);
    idle(9 * 10);
    EXPECT_EQ(editor->getReadout()->getFormat(), CCounter::kPercent);
    idle(9);
    EXPECT_EQ(editor->getReadout()->getFormat(), CCounter::kBlank);
    // Back over a knob: shown again at the next poll.
    const CPoint release = centre(editor->controlOf(kRelease));
    pointAt(release.h, release.v);
    idle(9);
    EXPECT_EQ(editor->getReadout()->getFormat(), CCounter::kPlain);
}

TEST_F(EditorTest, APressThatMeetsTheHoverPollKeepsItsValue) {
    // The on/off button runs the idle between taking its new value and
    // reporting it; when that idle is the one that polls the pointer, the
    // press must still reach the effect.
    setParam(kLink, 0.7f);
    const CPoint link = centre(editor->controlOf(kLink));
    for (float expected : {1.0f, 0.0f}) {
        pointAt(100, 60);
        idle(9);                            // a poll over a meter: the count starts again
        idle(8);                            // the next idle call polls
        headless::instance().ticks += 1000;  // and the press may run it
        click(link.h, link.v);
        EXPECT_EQ(param(kLink), expected);
        EXPECT_EQ(editor->controlOf(kLink)->getValue(), expected);
    }
}

TEST_F(EditorTest, MetersAndLedsFollowTheAudioThreadsValuesOnTheMainPageOnly) {
    dsp::CEngine& engine = EmberlineTestAccess::mutableEngine(*effect);
    engine.meterValue[0].store(1.0f);
    engine.meterValue[1].store(0.0f);
    engine.overFlag[0].store(1.0f);
    idle();
    EXPECT_EQ(editor->getMeter(0)->frameIndex(), 64);
    EXPECT_EQ(editor->getMeter(1)->frameIndex(), 2);
    EXPECT_EQ(engine.overFlag[0].load(), 0.0f) << "the idle takes the over";
    EXPECT_EQ(editor->getLed(0)->frameIndex(), 5);
    EXPECT_EQ(editor->getLed(1)->frameIndex(), 0);

    // A click on the left LED clears it; the right one keeps its state.
    engine.overFlag[1].store(1.0f);
    idle();
    click(170, 120);
    EXPECT_EQ(editor->getLed(0)->frameIndex(), 0);
    EXPECT_GT(editor->getLed(1)->frameIndex(), 0);

    // On the setup page the meters are not fed.
    click(160, 413);
    engine.meterValue[0].store(0.0f);
    idle();
    EXPECT_EQ(editor->getMeter(0)->frameIndex(), 64);
}

TEST_F(EditorTest, SuspendRestsTheMetersByTheirSource) {
    dsp::CEngine& engine = EmberlineTestAccess::mutableEngine(*effect);
    engine.meterValue[0].store(0.5f);
    idle();
    setParam(kMeters, 0.5f);  // gain reduction: at rest means no reduction, full scale
    effect->suspend();
    EXPECT_FLOAT_EQ(editor->getMeter(0)->getValue(), 1.0f);
    setParam(kMeters, 0.0f);
    effect->suspend();
    EXPECT_FLOAT_EQ(editor->getMeter(0)->getValue(), 0.0f);
    EXPECT_FLOAT_EQ(editor->getLed(0)->getValue(), 0.0f);
}

TEST_F(EditorTest, WheelAndArrowKeysStepTheKnobsByTheirIncrements) {
    setParam(kKnobMode, 1.0f);
    idle();
    setParam(kDrive, 0.5f);
    setParam(kKnee, 0.5f);
    // The wheel goes to the knob under the pointer.
    const CPoint drive = centre(editor->controlOf(kDrive));
    window->pointer = drive;
    frame->platformWheel(drive, 1.0f, 0);
    EXPECT_NEAR(param(kDrive), 0.5f + 1.0f / 76.8f, 1e-6);
    std::vector<std::string> heard = hostEdits();
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_EQ(heard[0], edit("begin", tagOf(kDrive)));
    EXPECT_EQ(heard[2], edit("end", tagOf(kDrive)));
    // Keys go to the knob edited last.
    const CPoint knee = centre(editor->controlOf(kKnee));
    click(knee.h, knee.v);
    vst::VstKeyCode up{};
    up.virt = VKEY_UP;
    EXPECT_TRUE(editor->onKeyDown(up));
    EXPECT_NEAR(param(kKnee), 0.5f + 1.0f / 32.0f, 1e-6);
    vst::VstKeyCode down{};
    down.virt = VKEY_DOWN;
    down.modifier = MODIFIER_SHIFT;
    EXPECT_TRUE(editor->onKeyDown(down));
    EXPECT_NEAR(param(kKnee), 0.5f + 0.9f / 32.0f, 1e-6) << "a tenth with Shift";
}

TEST_F(EditorTest, KnobModeSettingSetsTheModeAtTheNextIdle) {
    setParam(kKnobMode, 1.0f);
    idle();
    EXPECT_EQ(AEffGUIEditor::getKnobMode(), kLinearMode);
    setParam(kKnobMode, 0.0f);
    idle();
    EXPECT_EQ(AEffGUIEditor::getKnobMode(), kCircularMode);
}

TEST_F(EditorTest, LatencyReadoutsFollowTheRateAtResume) {
    const float before = editor->getLatencyDisplay(true)->getValue();
    EXPECT_FLOAT_EQ(before, effect->getLatencySamples());
    EXPECT_FLOAT_EQ(editor->getLatencyDisplay(false)->getValue(), effect->getLatencyMs());
    effect->suspend();
    effect->setSampleRate(96000.0f);
    effect->resume();
    EXPECT_FLOAT_EQ(editor->getLatencyDisplay(true)->getValue(), effect->getLatencySamples());
    EXPECT_FLOAT_EQ(editor->getLatencyDisplay(false)->getValue(), effect->getLatencyMs());
    EXPECT_NE(editor->getLatencyDisplay(true)->getValue(), before) << "the latency follows the rate";
}

TEST_F(EditorTest, ClosingAndOpeningFiftyTimesWithAudioRunningKeepsEverythingConsistent) {
    testing_support::AudioLoop audio([&](float** in, float** out, int n) { effect->processReplacing(in, out, n); },
                                     0.25f);
    ASSERT_TRUE(audio.waitForBlocks(4));
    for (int i = 0; i < 50; ++i) {
        editor->close();
        EXPECT_EQ(editor->getFrame(), nullptr);
        openEditor();
        idle(3);
        if (i % 10 == 0) click(160, 413);  // sometimes closed on the setup page
    }
    EXPECT_TRUE(editor->mainPageShown());
}

}  // namespace
}  // namespace editortest
