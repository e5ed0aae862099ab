// STUB: replaced by the page's own implementation.
#pragma once

#include <QWidget>

#include "app/app_context.h"

class QKeyEvent;

namespace kelmar {

class SongPage : public QWidget {
  Q_OBJECT
 public:
  SongPage(AppContext& ctx, QWidget* parent);
  void RefreshOrderList();
  void TOrderShow();
  QList<QWidget*> TextBoxes();
  void ApplyColors();

 private:
  AppContext& ctx_;
};

}  // namespace kelmar
