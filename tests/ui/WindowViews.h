#pragma once
// What the main window shows at once: one file page, the band of dates and
// attributes, and one run page; on the rename page also one of its step
// pages.  Tests of the whole window go through every such view.

#include <QApplication>
#include <QString>
#include <QTabWidget>

#include <vector>

#include "ui/TMainControls.h"

// The current file page, run page and, on the rename page, the current step
// page (-1 elsewhere).
struct TView {
  int File;
  int Exec;
  int Step;
};

inline std::vector<TView> Views(const TMainControls &c) {
  std::vector<TView> views;
  for (int file = 0; file < c.PageControlFile->count(); ++file) {
    for (int exec = 0; exec < c.PageControlExec->count(); ++exec) {
      if (c.PageControlExec->widget(exec) != c.TabSheetRename) {
        views.push_back({file, exec, -1});
        continue;
      }
      for (int step = 0; step < c.PageControlRename->count(); ++step) views.push_back({file, exec, step});
    }
  }
  return views;
}

inline void Show(const TMainControls &c, const TView &view) {
  c.PageControlFile->setCurrentIndex(view.File);
  c.PageControlExec->setCurrentIndex(view.Exec);
  if (view.Step >= 0) c.PageControlRename->setCurrentIndex(view.Step);
  QApplication::processEvents();
}

inline QString Name(const TMainControls &c, const TView &view) {
  QString name = c.PageControlFile->tabText(view.File) + QStringLiteral(" + ") + c.PageControlExec->tabText(view.Exec);
  if (view.Step >= 0) name += QStringLiteral(" / ") + c.PageControlRename->tabText(view.Step);
  return name;
}
