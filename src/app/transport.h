// STUB: replaced by the command's own implementation.
#pragma once

#include "app/app_context.h"

class QWidget;

namespace kelmar {

class PatternPage;
class SongPage;

class Transport {
 public:
  Transport(AppContext& ctx, PatternPage& patternPage, SongPage& songPage);
  void Song4Click();
  void Pattern1Click();
  void Stop1Click();
  void Timer1Timer();

 private:
  AppContext& ctx_;
};

}  // namespace kelmar
