#include "tools/emberline/ParameterText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/emberline/Options.h"

namespace cli {

namespace {

std::string withoutSpaces(const std::string& s) {
    std::string r;
    for (char c : s)
        if (!std::isspace((unsigned char)c)) r += c;
    return r;
}

int decimalsOf(const std::string& text) {
    auto dot = text.find('.');
    if (dot == std::string::npos) return 0;
    int n = 0;
    for (size_t i = dot + 1; i < text.size() && std::isdigit((unsigned char)text[i]); ++i) ++n;
    return n;
}

// The parameter's numeric display over the whole range, the way a user would
// read it: grid[i] is what value i / (size - 1) shows.
struct DisplayCurve {
    std::vector<double> grid;
    int decimals = 0;
    double direction = 0;  // +1 rising, -1 falling, 0 flat
};

class ParameterSetter {
public:
    ParameterSetter(vsthost::Plugin& plugin, int index) : plugin_(plugin), index_(index) {
        name_ = trim(plugin.paramName(index));
        if (name_.empty() || name_ == "-") name_ = "parameter " + std::to_string(index);
    }

    // A plain number: the normalised value. Answers whether text is a number.
    bool plainValue(const std::string& text, std::string& error) {
        double number = 0.0;
        if (!parseNumber(text, number)) return false;
        if (number < 0.0 || number > 1.0)
            error = "value " + text + " for " + name_ + " is out of range 0..1 (add a unit such as dB for a display value)";
        else
            plugin_.setParameter(index_, (float)number);
        return true;
    }

    // A number with a unit. Answers whether text carries one of the units.
    bool valueWithUnit(const std::string& text, std::string& error) {
        static const char* const units[] = {"db", "hz", "ms", "%"};
        const std::string low = lower(text);
        for (const char* unit : units) {
            const size_t len = std::strlen(unit);
            if (low.size() <= len || low.compare(low.size() - len, len, unit) != 0) continue;
            double target = 0.0;
            if (!parseNumber(text.substr(0, text.size() - len), target)) return false;
            const std::string label = trim(plugin_.paramLabel(index_));
            if (lower(label) != unit) {
                error = name_ + " is not shown in " + text.substr(text.size() - len) +
                        (label.empty() || label == "-" ? std::string(" (it has no unit)") : " but in " + label);
                return true;
            }
            setShownValue(text, target, label, error);
            return true;
        }
        return false;
    }

    // A display text, such as "MultiBand" or "Off": the middle of the values that show it.
    void displayText(const std::string& text, std::string& error) {
        constexpr int kSteps = 1000;
        const std::string low = lower(text);
        int first = -1, last = -1;
        std::vector<std::string> seen;
        for (int i = 0; i <= kSteps; ++i) {
            plugin_.setParameter(index_, (float)i / kSteps);
            std::string shownText = trim(plugin_.paramDisplay(index_));
            if (lower(shownText) == low) {
                if (first < 0) first = last = i;
                else if (last == i - 1) last = i;
            }
            if (seen.size() < 8 && std::find(seen.begin(), seen.end(), shownText) == seen.end())
                seen.push_back(shownText);
        }
        if (first >= 0) {
            plugin_.setParameter(index_, (float)((first + last) / 2) / kSteps);
            return;
        }
        std::string list;
        for (auto& t : seen) list += (list.empty() ? "" : ", ") + t;
        error = "value '" + text + "' for " + name_ + " is not a number 0..1, a value with a unit, or one of its texts (" +
                list + (seen.size() == 8 ? ", ..." : "") + ")";
    }

private:
    bool shown(double v, double& out) {
        plugin_.setParameter(index_, (float)v);
        return parseNumber(plugin_.paramDisplay(index_), out);
    }

    bool readCurve(DisplayCurve& curve, std::string& error) {
        constexpr int kGrid = 256;
        curve.grid.assign(kGrid + 1, 0.0);
        for (int i = 0; i <= kGrid; ++i) {
            if (!shown((double)i / kGrid, curve.grid[i])) {
                error = name_ + " does not show a number for every value; give a value 0..1";
                return false;
            }
            curve.decimals = std::max(curve.decimals, decimalsOf(plugin_.paramDisplay(index_)));
        }
        const double lo = curve.grid.front(), hi = curve.grid.back();
        curve.direction = hi > lo ? 1.0 : hi < lo ? -1.0 : 0.0;
        bool monotonic = curve.direction != 0.0;
        for (int i = 0; i < kGrid && monotonic; ++i)
            monotonic = curve.direction * (curve.grid[i + 1] - curve.grid[i]) >= 0.0;
        if (!monotonic) error = name_ + " does not show steadily rising or falling values; give a value 0..1";
        return monotonic;
    }

    // The first value whose display is at (or, strictly, past) the target.
    double firstShowing(double target, double direction, bool strictly) {
        auto past = [&](double v) {
            double x = 0.0;
            shown(v, x);
            double f = direction * (x - target);
            return strictly ? f > 1e-9 : f >= -1e-9;
        };
        if (past(0.0)) return 0.0;
        if (!past(1.0)) return 1.0;
        double a = 0.0, b = 1.0;
        for (int it = 0; it < 40; ++it) {
            double m = 0.5 * (a + b);
            (past(m) ? b : a) = m;
        }
        return b;
    }

    void setShownValue(const std::string& text, double target, const std::string& label, std::string& error) {
        DisplayCurve curve;
        if (!readCurve(curve, error)) return;
        const double tolerance = 0.5 * std::pow(10.0, -curve.decimals) + 1e-9;
        const double lo = std::min(curve.grid.front(), curve.grid.back());
        const double hi = std::max(curve.grid.front(), curve.grid.back());
        if (target < lo - tolerance || target > hi + tolerance) {
            char range[96];
            std::snprintf(range, sizeof range, "%.*f..%.*f %s", curve.decimals, lo, curve.decimals, hi, label.c_str());
            error = "value " + text + " for " + name_ + " is out of range (" + range + ")";
            return;
        }
        // The values that show the target form an interval [a, b): take its middle.
        const double a = firstShowing(target, curve.direction, false);
        const double b = firstShowing(target, curve.direction, true);
        const double v = b > a ? 0.5 * (a + b) : a;
        plugin_.setParameter(index_, (float)std::clamp(v, 0.0, 1.0));
    }

    vsthost::Plugin& plugin_;
    int index_;
    std::string name_;
};

}  // namespace

int findParameter(vsthost::Plugin& plugin, const std::string& keyIn, std::string& error) {
    const int n = plugin.effect()->numParams;
    auto sameWithoutSpaces = [](const std::string& name, const std::string& key) {
        return withoutSpaces(name) == withoutSpaces(key);
    };
    Lookup found = lookUp(keyIn, n, [&](int i) { return plugin.paramName(i); }, {sameWithoutSpaces});
    const std::string key = trim(keyIn);
    switch (found.result) {
        case Lookup::Found: return found.index;
        case Lookup::OutOfRange:
            error = "parameter index " + key + " is out of range 0.." + std::to_string(n - 1);
            break;
        case Lookup::Unknown: error = "unknown parameter '" + key + "' ('emberline info' lists the names)"; break;
        case Lookup::Ambiguous:
            error = "parameter name '" + key + "' is ambiguous (" + std::to_string(found.matches) +
                    " parameters have it); give the index";
            break;
    }
    return -1;
}

bool setParameterFromText(vsthost::Plugin& plugin, int index, const std::string& textIn, std::string& error) {
    const std::string text = trim(textIn);
    ParameterSetter setter(plugin, index);
    error.clear();
    if (!setter.plainValue(text, error) && !setter.valueWithUnit(text, error)) setter.displayText(text, error);
    return error.empty();
}

std::string parameterText(vsthost::Plugin& plugin, int index) {
    std::string label = trim(plugin.paramLabel(index));
    std::string text = trim(plugin.paramName(index)) + " = " + trim(plugin.paramDisplay(index));
    if (!label.empty() && label != "-") text += " " + label;
    char buf[32];
    std::snprintf(buf, sizeof buf, " (%.6g)", (double)plugin.getParameter(index));
    return text + buf;
}

}  // namespace cli
