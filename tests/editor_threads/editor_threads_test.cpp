// The open editor idling and being clicked on its thread while the audio
// thread processes and a host thread automates every parameter: the
// ThreadSanitizer build runs this.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "editor/EmberlineEditor.h"
#include "gui/headless/HeadlessPlatform.h"

namespace {

using namespace VSTGUI;

vst::intptr quietHost(vst::AEffect*, vst::int32 opcode, vst::int32, vst::intptr, void*, float) {
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

TEST(EditorThreads, IdleAndClicksWhileAudioRunsAndTheHostAutomates) {
    CBitmap::setResourceLookup(nullptr);
    Emberline effect(&quietHost);
    effect.setSampleRate(44100.0f);
    effect.resume();
    auto* editor = dynamic_cast<EmberlineEditor*>(effect.presetEditor());
    ASSERT_NE(editor, nullptr);
    int parent = 0;
    ASSERT_TRUE(editor->open(&parent));
    headless::HeadlessWindow* window = headless::instance().lastWindow;
    CFrame* frame = editor->getFrame();

    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0}, automated{0};
    std::thread audio([&] {
        std::vector<float> l(128), r(128), ol(128), orr(128);
        long n = 0;
        float* in[2] = {l.data(), r.data()};
        float* out[2] = {ol.data(), orr.data()};
        while (!stop.load(std::memory_order_relaxed)) {
            for (int i = 0; i < 128; ++i, ++n) l[i] = r[i] = (float)((n % 200) - 100) / 50.0f;  // overs too
            effect.processReplacing(in, out, 128);
            blocks.fetch_add(1, std::memory_order_relaxed);
        }
    });
    std::thread host([&] {
        unsigned k = 1;
        while (!stop.load(std::memory_order_relaxed)) {
            k = k * 1103515245u + 12345u;
            const int index = (int)(k % (unsigned)edition::kNumParams);
            effect.setParameterAutomated(index, (float)((k >> 8) % 1000) / 999.0f);
            automated.fetch_add(1, std::memory_order_relaxed);
            std::this_thread::yield();
        }
    });
    // The user interface: idle, hover over the knobs, clicks on buttons and the meters.
    const CPoint points[] = {{178, 208}, {60, 418}, {100, 60}, {226, 53}, {330, 412}, {375, 270}, {170, 120}};
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    int step = 0;
    while (std::chrono::steady_clock::now() < until) {
        const CPoint p = points[step % (sizeof points / sizeof points[0])];
        window->pointer = p;
        if (step % 5 == 0) {
            frame->platformMouseDown(p, kLButton);
            frame->platformMouseUp(p, 0);
            headless::instance().ticks += 1000;
        }
        editor->idle();
        ++step;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    stop.store(true);
    audio.join();
    host.join();
    editor->idle();
    // The controls show the values the effect holds once the marks are taken.
    for (int logical : {edition::kDrive, edition::kMix, edition::kOutput, edition::kLowSat})
        EXPECT_FLOAT_EQ(editor->controlOf(logical)->getValue(), effect.getParameter(editorlayout::tagOf(logical)));
    editor->close();
    EXPECT_GT(blocks.load(), 10);
    EXPECT_GT(automated.load(), 100);
}

}  // namespace
