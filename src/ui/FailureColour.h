#pragma once
// The colour failures are written in: the classic dark red where the base
// colour is light, brightened as far as needed on a dark base, so the text
// keeps a contrast of at least 4.5:1 (the usual threshold for body text)
// with either.

#include <QColor>

// The contrast ratio of two colours, 1 to 21.
double ContrastRatio(const QColor &a, const QColor &b);

// The failure colour on `base`.
QColor FailureColour(const QColor &base);

// The failure colour on the application's base colour now.
QColor FailureColour();
