// STUB: replaced by the command's own implementation.
#pragma once

#include "app/app_context.h"

class QWidget;

namespace kelmar {

class PatternPage;
class SongPage;

class WavExport {
 public:
  WavExport(AppContext& ctx, QWidget* window);
  void ExportWAV1Click();

 private:
  AppContext& ctx_;
};

}  // namespace kelmar
