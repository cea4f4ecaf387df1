#include "ui/controls/contrast.h"

#include <algorithm>
#include <cmath>

namespace qd::ui {

namespace {

double luminance(const QColor& colour) {
    auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

}  // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableBehind(const QColor& back, const QColor& text, double ratio) {
    if (contrastRatio(back, text) >= ratio) return back;
    const bool darken = luminance(text) > luminance(back);
    const QColor hsl = back.toHsl();
    const float hue = hsl.hslHueF(), saturation = hsl.hslSaturationF();
    // Lightness moves in small steps so the colour stays as close to the palette's as it can.
    for (float lightness = hsl.lightnessF(); lightness >= 0.0f && lightness <= 1.0f;
         lightness += darken ? -0.01f : 0.01f) {
        const QColor candidate = QColor::fromHslF(hue, saturation, lightness).toRgb();
        if (contrastRatio(candidate, text) >= ratio) return candidate;
    }
    return darken ? QColor(Qt::black) : QColor(Qt::white);
}

}  // namespace qd::ui
