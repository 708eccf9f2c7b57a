#include "tools/emberline/Plot.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "presets/FileIO.h"

namespace cli {

PlotColumns::PlotColumns(int width, long long totalFrames)
    : inMin(width, 0.0f),
      inMax(width, 0.0f),
      outMin(width, 0.0f),
      outMax(width, 0.0f),
      inPeak(width, 0.0f),
      alignedOutPeak(width, 0.0f),
      width_(width),
      total_(std::max(1LL, totalFrames)) {}

int PlotColumns::column(long long frame) const {
    if (frame < 0 || frame >= total_) return -1;
    return (int)(frame * width_ / total_);
}

void PlotColumns::addInput(long long frame, double x) {
    int c = column(frame);
    if (c < 0) return;
    inMin[c] = std::min(inMin[c], (float)x);
    inMax[c] = std::max(inMax[c], (float)x);
    inPeak[c] = std::max(inPeak[c], (float)std::fabs(x));
}

void PlotColumns::addOutput(long long frame, double x) {
    int c = column(frame);
    if (c < 0) return;
    outMin[c] = std::min(outMin[c], (float)x);
    outMax[c] = std::max(outMax[c], (float)x);
}

void PlotColumns::addAlignedOutput(long long inputFrame, double x) {
    int c = column(inputFrame);
    if (c < 0) return;
    alignedOutPeak[c] = std::max(alignedOutPeak[c], (float)std::fabs(x));
}

namespace {

struct Panel {
    double x, y, w, h;
};

void text(cairo_t* cr, double x, double y, const std::string& s, double size, bool bold = false,
          bool rightAligned = false) {
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    if (rightAligned) {
        cairo_text_extents_t ext;
        cairo_text_extents(cr, s.c_str(), &ext);
        x -= ext.x_advance;
    }
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, s.c_str());
}

void frameOf(cairo_t* cr, const Panel& p, const std::string& title) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_rectangle(cr, p.x, p.y, p.w, p.h);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, p.x + 0.5, p.y + 0.5, p.w - 1, p.h - 1);
    cairo_stroke(cr);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    text(cr, p.x + 6, p.y + 16, title, 13, true);
}

void waveform(cairo_t* cr, const Panel& p, const std::vector<float>& lo, const std::vector<float>& hi,
              double range, double r, double g, double b, const std::string& title) {
    frameOf(cr, p, title);
    auto yOf = [&](double v) { return p.y + p.h / 2 - v / range * (p.h / 2 - 4); };
    // Full scale.
    cairo_set_source_rgb(cr, 0.85, 0.2, 0.2);
    double dash = 4.0;
    cairo_set_dash(cr, &dash, 1, 0);
    for (double level : {1.0, -1.0}) {
        cairo_move_to(cr, p.x, std::round(yOf(level)) + 0.5);
        cairo_line_to(cr, p.x + p.w, std::round(yOf(level)) + 0.5);
    }
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
    cairo_set_source_rgb(cr, 0.8, 0.8, 0.8);
    cairo_move_to(cr, p.x, std::round(yOf(0)) + 0.5);
    cairo_line_to(cr, p.x + p.w, std::round(yOf(0)) + 0.5);
    cairo_stroke(cr);
    cairo_set_source_rgb(cr, r, g, b);
    const int n = (int)lo.size();
    for (int i = 0; i < n; ++i) {
        double x = p.x + (i + 0.5) * p.w / n;
        double y0 = yOf(hi[i]), y1 = yOf(lo[i]);
        if (y1 - y0 < 1.0) y1 = y0 + 1.0;
        cairo_move_to(cr, x, y0);
        cairo_line_to(cr, x, y1);
    }
    cairo_set_line_width(cr, std::max(1.0, p.w / n));
    cairo_stroke(cr);
    cairo_set_line_width(cr, 1.0);
    cairo_set_source_rgb(cr, 0.85, 0.2, 0.2);
    text(cr, p.x + p.w - 6, yOf(1.0) - 3, "0 dBFS", 10, false, true);
    cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
    for (double v : {1.0, 0.0, -1.0}) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%+.1f", v);
        text(cr, p.x - 6, yOf(v) + 4, buf, 10, false, true);
    }
}

// Grid lines every step between lo and hi, labelled at the left.
template <class YOf>
void scale(cairo_t* cr, const Panel& p, double lo, double hi, double step, YOf yOf, const char* format) {
    cairo_set_source_rgb(cr, 0.8, 0.8, 0.8);
    for (double v = std::ceil(lo / step) * step; v <= hi + 1e-9; v += step) {
        cairo_move_to(cr, p.x, std::round(yOf(v)) + 0.5);
        cairo_line_to(cr, p.x + p.w, std::round(yOf(v)) + 0.5);
    }
    cairo_stroke(cr);
    cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
    const double labelStep = (hi - lo) > 8 * step ? 4 * step : (hi - lo) > 4 * step ? 2 * step : step;
    for (double v = std::ceil(lo / labelStep) * labelStep; v <= hi + 1e-9; v += labelStep) {
        char buf[16];
        std::snprintf(buf, sizeof buf, format, v);
        text(cr, p.x - 6, yOf(v) + 4, buf, 10, false, true);
    }
}


// Gain change: the output's peak over the input's peak in each column, with
// the output moved back by the plug-in's latency. Peaks are taken over about
// 20 ms around each column, so that a column that falls between two crests of
// a low note does not read as a dip.
void gainLane(cairo_t* cr, const Panel& gain, const PlotColumns& c, int rate) {
    const long long perColumn = std::max(1LL, c.totalFrames() / std::max(1, c.width()));
    const int reach = (int)std::min<long long>(50, (long long)(0.01 * rate) / perColumn);
    std::vector<double> db(c.width(), std::numeric_limits<double>::quiet_NaN());
    double lo = -6.0, hi = 0.0;
    for (int i = 0; i < c.width(); ++i) {
        float inPeak = 0.0f, outPeak = 0.0f;
        for (int j = std::max(0, i - reach); j <= std::min(c.width() - 1, i + reach); ++j) {
            inPeak = std::max(inPeak, c.inPeak[j]);
            outPeak = std::max(outPeak, c.alignedOutPeak[j]);
        }
        if (inPeak > 1e-4f && outPeak > 0.0f) {
            db[i] = std::clamp(20.0 * std::log10((double)outPeak / inPeak), -60.0, 24.0);
            lo = std::min(lo, std::floor(db[i] / 3.0) * 3.0);
            hi = std::max(hi, std::ceil(db[i] / 3.0) * 3.0);
        }
    }
    frameOf(cr, gain, "gain change (output peak / input peak, dB)");
    auto yOf = [&](double v) { return gain.y + 22 + (hi - v) / (hi - lo) * (gain.h - 28); };
    scale(cr, gain, lo, hi, 3.0, yOf, "%+.0f");
    cairo_set_source_rgba(cr, 0.9, 0.45, 0.1, 0.85);
    for (int i = 0; i < c.width(); ++i) {
        if (std::isnan(db[i])) continue;
        cairo_move_to(cr, gain.x + i + 0.5, yOf(0.0));
        cairo_line_to(cr, gain.x + i + 0.5, yOf(db[i]));
    }
    cairo_stroke(cr);
}

// Short-term loudness of input and output, and the places where the output's
// true peak passes the limit.
void loudnessLane(cairo_t* cr, const Panel& lane, const PlotColumns& c, int rate, const PlotLoudness& l) {
    frameOf(cr, lane, "short-term loudness (LUFS): input, output; output true peak over the limit");
    double lo = -30.0, hi = -6.0;
    for (const auto* trace : {&l.inShortTerm, &l.outShortTerm})
        for (float v : *trace)
            if (std::isfinite(v)) {
                lo = std::min(lo, std::floor(v / 6.0) * 6.0);
                hi = std::max(hi, std::ceil(v / 6.0) * 6.0);
            }
    lo = std::max(lo, hi - 60.0);
    auto yOf = [&](double v) { return lane.y + 22 + (hi - std::max(v, lo)) / (hi - lo) * (lane.h - 28); };
    scale(cr, lane, lo, hi, 6.0, yOf, "%.0f");
    const double seconds = (double)c.totalFrames() / std::max(1, rate);
    auto xOf = [&](double t) { return lane.x + std::clamp(t / seconds, 0.0, 1.0) * lane.w; };
    cairo_set_source_rgba(cr, 0.85, 0.1, 0.1, 0.35);
    for (auto [first, last] : l.overPlaces) {
        double x0 = xOf(first * l.peakStep - l.outputDelay), x1 = xOf((last + 1) * l.peakStep - l.outputDelay);
        cairo_rectangle(cr, x0, lane.y + 20, std::max(1.0, x1 - x0), lane.h - 22);
    }
    cairo_fill(cr);
    auto curve = [&](const std::vector<float>& trace, double delay, double r, double g, double b) {
        cairo_set_source_rgb(cr, r, g, b);
        bool drawing = false;
        for (size_t i = 0; i < trace.size(); ++i) {
            const double t = (i + 1) * l.traceStep - delay;
            if (!std::isfinite(trace[i]) || t < 0 || t > seconds) {
                drawing = false;
                continue;
            }
            (drawing ? cairo_line_to : cairo_move_to)(cr, xOf(t), yOf(trace[i]));
            drawing = true;
        }
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
        cairo_set_line_width(cr, 1.0);
    };
    curve(l.inShortTerm, 0.0, 0.2, 0.35, 0.7);
    curve(l.outShortTerm, l.outputDelay, 0.15, 0.55, 0.3);
}

void timeAxis(cairo_t* cr, const Panel& below, long long frames, int rate) {
    const double seconds = (double)frames / std::max(1, rate);
    double tick = seconds > 120 ? 30 : seconds > 40 ? 10 : seconds > 8 ? 2 : seconds > 2 ? 0.5 : 0.1;
    cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
    for (double t = 0; t <= seconds + 1e-9; t += tick) {
        double x = below.x + t / seconds * below.w;
        cairo_move_to(cr, std::round(x) + 0.5, below.y + below.h);
        cairo_line_to(cr, std::round(x) + 0.5, below.y + below.h + 5);
        cairo_stroke(cr);
        char buf[16];
        std::snprintf(buf, sizeof buf, tick < 1 ? "%.1f s" : "%.0f s", t);
        text(cr, x - 10, below.y + below.h + 18, buf, 10);
    }
}

bool savePng(cairo_surface_t* surface, const std::string& path, std::string& error) {
    std::string temp = fileio::parentFolder(path) + "/." + path.substr(path.rfind('/') + 1) + ".tmp-" +
                       std::to_string(getpid());
    cairo_status_t status = cairo_surface_write_to_png(surface, temp.c_str());
    if (status != CAIRO_STATUS_SUCCESS) {
        std::remove(temp.c_str());
        error = path + ": cannot write the picture: " + cairo_status_to_string(status);
        return false;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        error = path + ": cannot move the picture into place: " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

bool writePlot(const std::string& path, const PlotColumns& c, const PlotLabels& labels, const LoudnessSource& loudness,
               std::string& error) {
    const int width = c.width() + 90, height = loudness ? 960 : 760;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.94, 0.94, 0.92);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    text(cr, 20, 26, labels.title, 16, true);
    text(cr, 20, 46, labels.subtitle, 12);

    double range = 1.0;
    for (int i = 0; i < c.width(); ++i)
        range = std::max({range, (double)std::fabs(c.inMin[i]), (double)c.inMax[i], (double)std::fabs(c.outMin[i]),
                          (double)c.outMax[i]});
    range *= 1.05;
    const double left = 70, w = c.width();
    Panel in{left, 60, w, 230}, out{left, 300, w, 230}, gain{left, 540, w, 170}, lane{left, 720, w, 190};
    waveform(cr, in, c.inMin, c.inMax, range, 0.2, 0.35, 0.7, "input");
    waveform(cr, out, c.outMin, c.outMax, range, 0.15, 0.55, 0.3, "output");
    gainLane(cr, gain, c, labels.rate);
    PlotLoudness figures;
    bool ok = !loudness || loudness(figures, error);
    if (ok && loudness) loudnessLane(cr, lane, c, labels.rate, figures);
    timeAxis(cr, loudness ? lane : gain, c.totalFrames(), labels.rate);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    if (ok) ok = savePng(surface, path, error);
    cairo_surface_destroy(surface);
    // The font caches cairo and fontconfig keep for the process are not needed
    // after the one picture; give them back so that leak checkers stay quiet.
    cairo_debug_reset_static_data();
    FcFini();
    return ok;
}

}  // namespace cli
