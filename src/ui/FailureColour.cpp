#include "ui/FailureColour.h"

#include <QGuiApplication>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kWanted = 4.5;

double Channel(double value) {
  return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor &colour) {
  return 0.2126 * Channel(colour.redF()) + 0.7152 * Channel(colour.greenF()) + 0.0722 * Channel(colour.blueF());
}

QColor Mix(const QColor &from, const QColor &to, double share) {
  const auto mix = [share](double a, double b) { return a + (b - a) * share; };
  return QColor::fromRgbF(static_cast<float>(mix(from.redF(), to.redF())),
                          static_cast<float>(mix(from.greenF(), to.greenF())),
                          static_cast<float>(mix(from.blueF(), to.blueF())));
}

}  // namespace

double ContrastRatio(const QColor &a, const QColor &b) {
  const double x = Luminance(a), y = Luminance(b);
  return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

QColor FailureColour(const QColor &base) {
  const QColor red(0xC0, 0, 0);
  if (ContrastRatio(red, base) >= kWanted) return red;
  // Towards a pale red on a dark base, towards black on a mid one: the
  // first step of twenty that reads is the one taken, so the colour stays
  // as red as it can.
  const bool dark = Luminance(base) < 0.18;
  const QColor goal = dark ? QColor(0xFF, 0xE0, 0xE0) : QColor(0x20, 0, 0);
  const QColor start = dark ? QColor(0xFF, 0x40, 0x40) : red;
  for (int step = 0; step <= 20; ++step) {
    const QColor colour = Mix(start, goal, step / 20.0);
    if (ContrastRatio(colour, base) >= kWanted) return colour;
  }
  return dark ? QColor(Qt::white) : QColor(Qt::black);
}

QColor FailureColour() { return FailureColour(QGuiApplication::palette().color(QPalette::Base)); }
