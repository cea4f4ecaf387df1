#pragma once

#include <QColor>

namespace qd::ui {

// How far apart two colours are for the eye: the ratio of their relative luminances (each plus
// 0.05), from 1 (the same) to 21 (black and white). Text needs 4.5 to read comfortably.
double contrastRatio(const QColor& a, const QColor& b);

// The background colour itself when text of the given colour reads on it, otherwise the same
// hue made darker (under light text) or lighter (under dark text) until it does.
QColor readableBehind(const QColor& back, const QColor& text, double ratio = 4.5);

}  // namespace qd::ui
