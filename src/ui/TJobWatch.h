#pragma once
// Counts the changes of the window's input controls: check boxes and radio
// buttons, edits (those inside spin edits and combo boxes too), spin edits,
// drop-down lists, the order list and the condition tabs.  A job read from
// the controls stays what they hold while the count stands, so a run that
// pumps events between its targets reads the controls again only after one
// of them changed.

#include <QObject>

#include <cstdint>
#include <functional>

class QWidget;

class TJobWatch : public QObject {
public:
  // Watches every such control inside `window` as it stands now.  Not owned
  // by the window: it goes with its owner.
  // `changed`, when given, is called at every change.
  explicit TJobWatch(QWidget &window, std::function<void()> changed = {});

  std::uint64_t Changes() const { return changes_; }

private:
  std::uint64_t changes_ = 0;
};
