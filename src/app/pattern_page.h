// STUB: replaced by the page's own implementation.
#pragma once

#include <QWidget>

#include "app/app_context.h"

class QKeyEvent;

namespace kelmar {

class PatternPage : public QWidget {
  Q_OBJECT
 public:
  PatternPage(AppContext& ctx, QWidget* parent);
  void RefreshPatternView();
  void TPattEdShow();
  bool FormKeyDown(QKeyEvent* event);
  void CopyTrack1Click();
  void PasteTrack1Click();
  void ClonePattern1Click();
  QList<QWidget*> TextBoxes();

 private:
  AppContext& ctx_;
};

}  // namespace kelmar
