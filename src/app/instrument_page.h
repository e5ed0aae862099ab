// STUB: replaced by the page's own implementation.
#pragma once

#include <QWidget>

#include "app/app_context.h"

class QKeyEvent;

namespace kelmar {

class InstrumentPage : public QWidget {
  Q_OBJECT
 public:
  InstrumentPage(AppContext& ctx, QWidget* parent);
  void RefreshInstrumentPanel();
  bool FormKeyDown(QKeyEvent* event);
  void CopyInstrument1Click();
  void PasteInstrument1Click();
  void CopyEnvelope1Click();
  void PasteEnvelope1Click();
  void RandomWave1Click();

 private:
  AppContext& ctx_;
};

}  // namespace kelmar
