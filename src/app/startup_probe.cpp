#include "app/startup_probe.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

namespace kelmar {

StartupProbe::StartupProbe() {
  const char* launched = std::getenv("KELMAR_LAUNCHED_NS");
  if (!launched || !*launched) return;
  launched_ = std::chrono::system_clock::time_point(
      std::chrono::duration_cast<std::chrono::system_clock::duration>(std::chrono::nanoseconds(std::atoll(launched))));
  Mark("main");
}

void StartupProbe::Mark(const char* stage) {
  if (Active()) stages_.push_back({stage, std::chrono::system_clock::now()});
}

void StartupProbe::Finish() {
  if (!Active()) return;
  Mark("shown");
  const auto ms = [](auto duration) { return std::chrono::duration<double, std::milli>(duration).count(); };
  auto last = *launched_;
  for (const Stage& stage : stages_) {
    std::fprintf(stderr, "kelmar: %-8s %7.1f ms (+%.1f)\n", stage.name, ms(stage.at - *launched_), ms(stage.at - last));
    last = stage.at;
  }
  QCoreApplication::exit(0);
}

}  // namespace kelmar
