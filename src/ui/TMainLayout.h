#pragma once
// Creates the controls of the main window with their captions, hints, item
// texts, ranges and initial contents, and places them in the four bands.
// Every control has a fixed place for a 12-pixel font; a larger desktop
// font (or a higher font resolution) makes every place and size, and so the
// window's least size, larger by the same factor.

#include "ui/TMainControls.h"

class QMainWindow;
class QValidator;
class QWidget;

class TMainLayout {
public:
  // Client area and band heights.
  static constexpr int kClientWidth = 530;
  static constexpr int kClientHeight = 438;
  static constexpr int kFileBandHeight = 121;
  static constexpr int kMiscBandHeight = 92;
  static constexpr int kExecBandHeight = 206;
  static constexpr int kStatusBandHeight = 19;

  // The font size the places are made for.
  static constexpr int kDesignPixels = 12;

  // How much larger than its design the layout of `window` is: never less
  // than 1.
  static double Scale(const QWidget &window);

  // `textValidator` guards every free-text control (may be null).
  static TMainControls Build(QMainWindow *window, QValidator *textValidator);
};
