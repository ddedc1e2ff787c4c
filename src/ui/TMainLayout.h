#pragma once
// Creates the controls of the main window with their captions, hints, item
// texts, ranges and initial contents, and places them in the four fixed
// bands.  The window is not resizable, so every control inside a band has a
// fixed place.

#include "ui/TMainControls.h"

class QMainWindow;
class QValidator;

class TMainLayout {
public:
  // Client area and band heights.
  static constexpr int kClientWidth = 530;
  static constexpr int kClientHeight = 438;
  static constexpr int kFileBandHeight = 121;
  static constexpr int kMiscBandHeight = 92;
  static constexpr int kExecBandHeight = 206;
  static constexpr int kStatusBandHeight = 19;

  // `textValidator` guards every free-text control (may be null).
  static TMainControls Build(QMainWindow *window, QValidator *textValidator);
};
