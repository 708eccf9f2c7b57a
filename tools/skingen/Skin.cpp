#include "tools/skingen/Skin.h"

#include "tools/skingen/Controls.h"
#include "tools/skingen/Knobs.h"
#include "tools/skingen/Layout.h"
#include "tools/skingen/Meters.h"
#include "tools/skingen/Pages.h"

namespace skingen {

namespace {

// Knob strips. Frames are one knob each; the Drive knob's frames run down
// ten rows, then on in the next column.
const KnobStrip kUnipolar{60, 50, 101, 101, 30, 26, 15.5, KnobScale::Unipolar, {}, false, false};
const KnobStrip kBipolar{60, 50, 101, 101, 30, 26, 15.5, KnobScale::Bipolar, {}, false, false};
const KnobStrip kHighFreq{60, 56, 101, 101, 30, 31, 14.5, KnobScale::Quarters,
                          {"1k", "2k", "4k", "8k", "16k"}, false, false};
const KnobStrip kLowFreq{60, 56, 101, 101, 30, 31, 14.5, KnobScale::Quarters,
                         {"25", "50", "100", "200", "400"}, false, false};
const KnobStrip kRelease{60, 56, 101, 101, 30, 31, 14.5, KnobScale::Quarters,
                         {"\xC2\xBC", "\xC2\xBD", "1", "2", "4"}, false, false};
const KnobStrip kDrive{113, 93, 101, 10, 56.5, 49, 27, KnobScale::Bipolar, {}, false, true};
const KnobStrip kSetupKnob{30, 30, 51, 51, 15, 15.5, 8.5, KnobScale::Plain, {}, true, false};

template <const KnobStrip& K>
void knob(Canvas& c) {
    drawKnobStrip(c, K);
}

const PushButton kProcess{36, 40, 26, palette::ledGreen, false};
const PushButton kWide{38, 40, 26, palette::ledAmber, false};
const PushButton kNarrow{36, 40, 26, palette::ledAmber, false};
const PushButton kSmall{25, 25, 16, palette::ledAmber, false};

template <const PushButton& B>
void button(Canvas& c) {
    drawPushButton(c, B);
}

template <RailIcon I, int Frames>
void railButton(Canvas& c) {
    drawRailButton(c, I, Frames);
}

void overLamp(Canvas& c) {
    // Each frame carries the piece of meter bridge under the lamp; both lamps
    // sit at the same place relative to their meters, so one strip fits both.
    cairo_t* cr = c.cr();
    const layout::Rect& at = layout::kLeftLamp;
    for (int f = 0; f < 6; ++f) {
        cairo_save(cr);
        cairo_rectangle(cr, 0, f * at.height(), at.width(), at.height());
        cairo_clip(cr);
        cairo_translate(cr, -at.left, f * at.height() - at.top);
        drawBridge(cr);
        cairo_restore(cr);
    }
    drawOverLamp(c);
}

void mainPage2(Canvas& c) { drawMainPage(c, 2); }
void mainPage1(Canvas& c) { drawMainPage(c, 1); }
void meter0(Canvas& c) { drawMeterStrip(c, 0); }
void meter1(Canvas& c) { drawMeterStrip(c, 1); }

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

const std::vector<BitmapSpec>& catalogue() {
    static const std::vector<BitmapSpec> specs = {
        {19000, "main page", 450, 460, 1, mainPage2},
        {19002, "setup page", 450, 443, 1, drawSetupPage},
        {19003, "meter -20..+3", 136, 7070, 101, meter0},
        {19004, "meter -40..+6", 136, 7070, 101, meter1},
        {19005, "meter source", 40, 150, 3, drawMeterSourceSwitch},
        {19006, "meter type", 40, 100, 2, drawMeterTypeButton},
        {19008, "knob 0..10", 60, 5050, 101, knob<kUnipolar>},
        {19009, "drive", 1243, 930, 101, knob<kDrive>},
        {19010, "high freq", 60, 5656, 101, knob<kHighFreq>},
        {19012, "low freq", 60, 5656, 101, knob<kLowFreq>},
        {19013, "knob -/+", 60, 5050, 101, knob<kBipolar>},
        {19014, "process", 36, 80, 2, button<kProcess>},
        {19015, "mode", 36, 80, 2, button<kNarrow>},
        {19016, "channels", 51, 192, 4, drawChannelButton},
        {19017, "link", 38, 80, 2, button<kWide>},
        {19021, "readout glyphs", 9, 306, 18, drawReadoutGlyphs},
        {19024, "release", 60, 5656, 101, knob<kRelease>},
        {19026, "over lamp", 21, 126, 6, overLamp},
        {19032, "setup knob", 30, 1530, 51, knob<kSetupKnob>},
        {19033, "knob mode", 15, 58, 2, drawKnobModeToggle},
        {19034, "fat", 38, 80, 2, button<kWide>},
        {19035, "long", 25, 50, 2, button<kSmall>},
        {19036, "auto", 25, 50, 2, button<kSmall>},
        {19037, "brickwall", 25, 50, 2, button<kSmall>},
        {19100, "main page, first edition", 450, 460, 1, mainPage1},
        {19114, "process, first edition", 36, 80, 2, button<kProcess>},
        {19991, "recall A", 12, 56, 4, railButton<RailIcon::RecallA, 4>},
        {19992, "recall B", 12, 56, 4, railButton<RailIcon::RecallB, 4>},
        {19993, "load bank", 12, 42, 3, railButton<RailIcon::LoadBank, 3>},
        {19994, "save bank", 12, 42, 3, railButton<RailIcon::SaveBank, 3>},
        {19995, "store A", 12, 56, 4, railButton<RailIcon::StoreA, 4>},
        {19996, "store B", 12, 56, 4, railButton<RailIcon::StoreB, 4>},
        {19997, "previous/next", 31, 70, 5, drawRailRocker},
        {19998, "load preset", 12, 42, 3, railButton<RailIcon::LoadPreset, 3>},
        {19999, "save preset", 12, 42, 3, railButton<RailIcon::SavePreset, 3>},
    };
    return specs;
}

std::string renderPng(const BitmapSpec& spec, int scale) {
    Canvas canvas(spec.width, spec.height, scale);
    spec.draw(canvas);
    cairo_surface_flush(canvas.surface());
    std::string png;
    if (cairo_surface_write_to_png_stream(canvas.surface(), appendBytes, &png) != CAIRO_STATUS_SUCCESS)
        png.clear();
    return png;
}

}  // namespace skingen
