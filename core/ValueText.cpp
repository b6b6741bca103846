#include "core/ValueText.h"

#include "core/TextTools.h"
#include "engine/DspBlock.h"
#include "engine/ParameterCurves.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace zk {

namespace {

using S = ValueScale;

enum class Unit : uint8_t { hertz, milliseconds, decibels, percent, semitones, pan, onOff, weight, plain };

Unit unitOf(ValueScale scale) {
    switch (scale) {
    case S::masterGain:
    case S::dryGain:
    case S::bandVolume:
    case S::delayGain:
    case S::sensitivity: return Unit::decibels;
    case S::bandTuning:
    case S::fineTuning:
    case S::basePitch:
    case S::smoothing:
    case S::fmFrequency: return Unit::hertz;
    case S::release:
    case S::stereoSpread:
    case S::delayTime: return Unit::milliseconds;
    case S::timbre:
    case S::delaySend:
    case S::delayFeedback:
    case S::fmDepth: return Unit::percent;
    case S::pitchBend: return Unit::semitones;
    case S::pan: return Unit::pan;
    case S::feedbackFmSwitch: return Unit::onOff;
    case S::inputSwitch:
    case S::preListenSwitch: return Unit::weight;
    case S::unused: return Unit::plain;
    }
    return Unit::plain;
}

const char* unitName(Unit unit) {
    switch (unit) {
    case Unit::hertz: return "Hz";
    case Unit::milliseconds: return "ms";
    case Unit::decibels: return "dB";
    case Unit::percent: return "%";
    case Unit::semitones: return "st";
    default: return "";
    }
}

// The float the engine keeps of 2 pi / rate, and the rate's whole part it sizes lines by.
float twoPiOverRate(const ValueContext& context) { return twoPi / static_cast<float>(context.sampleRate); }
int32_t wholeRate(const ValueContext& context) { return static_cast<int32_t>(static_cast<float>(context.sampleRate)); }

// The frequency a coefficient limited to [low, high] leaves of `hertz`.
double limitedHertz(float hertz, float low, float high, const ValueContext& context) {
    const float step = twoPiOverRate(context);
    float k = step * hertz;
    if (k > high) k = high;
    if (k < low) k = low;
    return static_cast<double>(k) / static_cast<double>(step);
}

double decibels(double gain) { return gain > 0.0 ? 20.0 * std::log10(gain) : -INFINITY; }

// What the value means in real terms, in the unit of its scale (a weight or a switch as
// 0..1, a pan as -100 left to 100 right).
double quantity(int32_t index, float v, const ValueContext& context) {
    const ParameterInfo& info = kParameterTable[static_cast<size_t>(index)];
    const int band = info.band > 0 ? info.band - 1 : 0;
    switch (info.scale) {
    case S::masterGain: return decibels(static_cast<double>(curves::masterScale) * v);
    case S::dryGain:
    case S::delayGain: return decibels(v);
    case S::bandVolume: return decibels(static_cast<double>(curves::bandVolumeScale) * v);
    case S::sensitivity: return decibels(static_cast<double>(curves::gateLevel(v)) / curves::gateScale);
    case S::bandTuning:
        return limitedHertz(curves::bandTuningHz(v, context.fine[band]), 0.0f, curves::bandCoefficientLimit, context);
    case S::fineTuning:
        return limitedHertz(curves::bandTuningHz(context.band[band], v), 0.0f, curves::bandCoefficientLimit, context);
    case S::basePitch: return curves::basePitchHz(v);
    case S::smoothing:
        return limitedHertz(curves::smoothCutoffHz(v), curves::onePoleCoefficientFloor, curves::onePoleCoefficientLimit,
                            context);
    case S::fmFrequency: return curves::fmFrequencyHz(v);
    case S::release: return curves::releaseMilliseconds(v);
    case S::stereoSpread:
        return static_cast<double>(static_cast<float>(wholeRate(context) / 24) * (v * v)) * 1000.0 / context.sampleRate;
    case S::delayTime: {
        // A line reads the cell written the delay's next whole number of samples ago, at most
        // the rate's whole part.
        const int32_t whole = wholeRate(context);
        const double samples = std::fmin(std::ceil(static_cast<double>(curves::rightDelaySamples(v, whole))), whole);
        return samples * 1000.0 / context.sampleRate;
    }
    case S::timbre:
    case S::delaySend:
    case S::fmDepth: return 100.0 * v;
    case S::delayFeedback: return 100.0 * static_cast<double>(curves::feedbackAmount(v));
    case S::pitchBend: {
        // At full envelope: the voice's pitch ratio, in semitones.
        const float ratio = curves::bendRatio(curves::bendFigure(band, v) * curves::semitoneExponent);
        return 12.0 * std::log2(static_cast<double>(ratio));
    }
    case S::pan: return (static_cast<double>(v) - 0.5) * 200.0;
    case S::feedbackFmSwitch: return v != 0.0f ? 1.0 : 0.0;
    case S::inputSwitch:
    case S::preListenSwitch:
    case S::unused: return v;
    }
    return v;
}

// Decimals shown: three significant figures or so, at least a whole number. A number is
// held to a range as it reads once rounded, so that 9.996 ms shows as "10.0 ms" as 10.004 does.
int decimalsFor(Unit unit, double x) {
    const auto below = [x](double limit, int decimals) {
        const double scale = std::pow(10.0, decimals);
        return std::fabs(std::round(x * scale) / scale) < limit;
    };
    switch (unit) {
    case Unit::hertz: return below(100.0, 1) ? 1 : 0;
    case Unit::milliseconds: return below(10.0, 2) ? 2 : below(100.0, 1) ? 1 : 0;
    case Unit::percent: return below(10.0, 1) ? 1 : 0;
    case Unit::decibels:
    case Unit::semitones: return 1;
    default: return 0;
    }
}

void writeText(char* text, size_t capacity, const std::string& s) { copyText(text, s.c_str(), capacity - 1); }

std::string formatted(Unit unit, double x) {
    char number[48];
    if (unit == Unit::decibels && std::isinf(x)) return "-inf dB";
    const int decimals = decimalsFor(unit, x);
    std::snprintf(number, sizeof number, "%.*f", decimals, x);
    // No "-0.0": a value that rounds to zero reads as zero.
    if (std::strtod(number, nullptr) == 0.0) std::snprintf(number, sizeof number, "%.*f", decimals, 0.0);
    std::string s = number;
    if ((unit == Unit::decibels || unit == Unit::semitones) && s[0] != '-' && std::strtod(number, nullptr) != 0.0)
        s = "+" + s;
    return s + " " + unitName(unit);
}

// ---- reading texts --------------------------------------------------------------------

std::string lowered(std::string_view text) {
    std::string s;
    for (char c : text)
        if (c != ' ' && c != '\t') s += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return s;
}

// A decimal number at the start of `s` (sign allowed, point as the decimal mark whatever the
// locale); the rest is left in `rest`.
bool leadingNumber(const std::string& s, double& number, std::string& rest) {
    size_t at = 0;
    bool negative = false;
    if (at < s.size() && (s[at] == '+' || s[at] == '-')) negative = s[at++] == '-';
    double parsed = 0.0;
    const auto [stop, error] = std::from_chars(s.data() + at, s.data() + s.size(), parsed, std::chars_format::fixed);
    if (error != std::errc() || !std::isfinite(parsed)) return false;
    number = negative ? -parsed : parsed;
    rest.assign(stop, s.data() + s.size());
    return true;
}

// The quantity a text names in its unit; `rest` after the number must be that unit, a
// multiple of it, or nothing.
bool readQuantity(Unit unit, const std::string& s, double& x) {
    if (unit == Unit::decibels && (s == "-inf" || s == "-infdb" || s == "-oo" || s == "-oodb")) {
        x = -INFINITY;
        return true;
    }
    std::string rest;
    if (!leadingNumber(s, x, rest)) return false;
    if (rest.empty()) return true;
    switch (unit) {
    case Unit::hertz:
        if (rest == "hz") return true;
        if (rest == "khz") return x *= 1000.0, true;
        return false;
    case Unit::milliseconds:
        if (rest == "ms") return true;
        if (rest == "s") return x *= 1000.0, true;
        return false;
    case Unit::decibels: return rest == "db";
    case Unit::percent:
    case Unit::weight: return rest == "%";
    case Unit::semitones: return rest == "st" || rest == "semitones" || rest == "semitone";
    default: return false;
    }
}

// Pan: "c", "l20", "20l", "r100", or a number from -100 (left) to 100 (right).
bool readPan(const std::string& s, double& x) {
    if (s == "c" || s == "center" || s == "centre") return x = 0.0, true;
    if (s.empty()) return false;
    const char side = s.front() == 'l' || s.front() == 'r' ? s.front() : s.back();
    std::string digits = s;
    if (side == 'l' || side == 'r') digits = s.front() == side ? s.substr(1) : s.substr(0, s.size() - 1);
    std::string rest;
    if (!leadingNumber(digits, x, rest) || !rest.empty()) return false;
    if (side == 'l') x = -std::fabs(x);
    else if (side == 'r') x = std::fabs(x);
    return true;
}

// The value 0..1 whose quantity is nearest to `target`, by bisection over [low, high] on
// which the quantity is monotonic.
float solve(int32_t index, double target, const ValueContext& context, double low = 0.0, double high = 1.0) {
    auto at = [&](double v) { return quantity(index, static_cast<float>(v), context); };
    const bool rising = at(high) >= at(low);
    if (rising ? target <= at(low) : target >= at(low)) return static_cast<float>(low);
    if (rising ? target >= at(high) : target <= at(high)) return static_cast<float>(high);
    double a = low, b = high; // at(a) on the low side of target, at(b) on the other
    for (int i = 0; i < 64 && static_cast<float>(a) != static_cast<float>(b); ++i) {
        const double middle = 0.5 * (a + b);
        if ((at(middle) < target) == rising) a = middle;
        else b = middle;
    }
    return std::fabs(at(b) - target) < std::fabs(at(a) - target) ? static_cast<float>(b) : static_cast<float>(a);
}

} // namespace

ValueStyle valueStyle(int32_t index) noexcept {
    if (index < 0 || index >= kNumParameters) return {"", 0, true};
    const Unit unit = unitOf(kParameterTable[static_cast<size_t>(index)].scale);
    return {unitName(unit), unit == Unit::onOff || unit == Unit::weight ? 1 : 0,
            kParameterTable[static_cast<size_t>(index)].scale == S::unused};
}

bool unitValueText(int32_t index, float value, const ValueContext& context, char* text, size_t capacity) noexcept {
    if (!text || capacity == 0) return false;
    text[0] = 0;
    if (index < 0 || index >= kNumParameters) return false;
    try {
        const Unit unit = unitOf(kParameterTable[static_cast<size_t>(index)].scale);
        const double x = quantity(index, value, context);
        switch (unit) {
        case Unit::plain: {
            char plain[32];
            std::snprintf(plain, sizeof plain, "%.4f", static_cast<double>(value));
            writeText(text, capacity, plain);
            return true;
        }
        case Unit::onOff: writeText(text, capacity, x != 0.0 ? "On" : "Off"); return true;
        case Unit::weight:
            // A VST 2 bank may bring a weight between the two; it sounds as such.
            writeText(text, capacity, x == 0.0 ? "Off" : x == 1.0 ? "On" : formatted(Unit::percent, 100.0 * x));
            return true;
        case Unit::pan: {
            const long whole = std::lround(x);
            writeText(text, capacity, whole == 0 ? "C" : (whole < 0 ? "L " : "R ") + std::to_string(std::labs(whole)));
            return true;
        }
        default: writeText(text, capacity, formatted(unit, x)); return true;
        }
    } catch (...) {
        text[0] = 0;
        return false;
    }
}

bool unitTextValue(int32_t index, const char* text, const ValueContext& context, float& value) noexcept {
    if (!text || index < 0 || index >= kNumParameters) return false;
    try {
        const ParameterInfo& info = kParameterTable[static_cast<size_t>(index)];
        const Unit unit = unitOf(info.scale);
        const std::string s = lowered(text);
        double x = 0.0;
        switch (unit) {
        case Unit::plain: {
            std::string rest;
            if (!leadingNumber(s, x, rest) || !rest.empty()) return false;
            value = static_cast<float>(x < 0.0 ? 0.0 : x > 1.0 ? 1.0 : x);
            return true;
        }
        case Unit::onOff:
        case Unit::weight:
            if (s == "on" || s == "yes" || s == "true") return value = 1.0f, true;
            if (s == "off" || s == "no" || s == "false") return value = 0.0f, true;
            if (unit == Unit::weight && !s.empty() && s.back() == '%') {
                if (!readQuantity(Unit::percent, s, x)) return false;
                x /= 100.0;
            } else {
                std::string rest;
                if (!leadingNumber(s, x, rest) || !rest.empty()) return false;
            }
            if (unit == Unit::onOff) x = x != 0.0 ? 1.0 : 0.0;
            value = static_cast<float>(x < 0.0 ? 0.0 : x > 1.0 ? 1.0 : x);
            return true;
        case Unit::pan:
            if (!readPan(s, x)) return false;
            value = solve(index, x, context);
            return true;
        default:
            if (!readQuantity(unit, s, x)) return false;
            if (std::isinf(x)) {
                // No gain; for Sensitivity, a gate that never closes.
                value = info.scale == S::sensitivity ? 1.0f : 0.0f;
                return true;
            }
            if (info.scale == S::pitchBend) {
                // Below the turning point a deeper setting bends back up: the branch from the
                // lowest pitch on, which holds every text.
                const int band = info.band - 1;
                const double turn =
                    (curves::bendOffset[band] - 1.0 / curves::semitoneExponent) / curves::bendScale[band];
                value = solve(index, x, context, turn, 1.0);
                return true;
            }
            value = solve(index, x, context);
            return true;
        }
    } catch (...) {
        return false;
    }
}

} // namespace zk
