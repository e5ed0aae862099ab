// STUB: replaced by the command's own implementation.
#pragma once

#include "app/app_context.h"

class QWidget;

namespace kelmar {

class PatternPage;
class SongPage;

class FileCommands {
 public:
  FileCommands(AppContext& ctx, QWidget* window);
  void Song2Click();
  void Song3Click();
  void LoadPattern1Click();
  void SavePattern1Click();
  void NewPattern1Click();
  void Instrument1Click();
  void Instrument2Click();
  void Instrument3Click();
  void OSC1Wave1Click(int pair);
  void OSC1Wave2Click(int pair);

 private:
  AppContext& ctx_;
};

}  // namespace kelmar
