#include "files/loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace kelmar {

struct LoudnessMeter::State {
  ebur128_state* meter;
  ~State() {
    if (meter) ebur128_destroy(&meter);
  }
};

LoudnessMeter::LoudnessMeter(uint32_t sampleRate)
    : state_(new State{ebur128_init(2, sampleRate, EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK)}) {}

LoudnessMeter::~LoudnessMeter() = default;

void LoudnessMeter::Add(const int16_t* frames, int count) {
  if (state_->meter && count > 0) ebur128_add_frames_short(state_->meter, frames, static_cast<size_t>(count));
}

Loudness LoudnessMeter::Result() const {
  Loudness result;
  ebur128_state* meter = state_->meter;
  if (!meter) return result;
  double lufs = 0;
  double left = 0;
  double right = 0;
  if (ebur128_loudness_global(meter, &lufs) != EBUR128_SUCCESS ||
      ebur128_sample_peak(meter, 0, &left) != EBUR128_SUCCESS ||
      ebur128_sample_peak(meter, 1, &right) != EBUR128_SUCCESS)
    return result;
  const double peak = std::max(left, right);
  result.measured = true;
  result.lufs = lufs;
  result.peakDbfs = peak > 0 ? 20.0 * std::log10(peak) : -std::numeric_limits<double>::infinity();
  return result;
}

std::string LoudnessText(const Loudness& loudness) {
  if (!loudness.measured) return "not measured";
  auto figure = [](double value, const char* unit) {
    char text[32];
    if (std::isfinite(value))
      std::snprintf(text, sizeof text, "%.1f %s", value, unit);
    else
      std::snprintf(text, sizeof text, "-inf %s", unit);
    return std::string(text);
  };
  return figure(loudness.lufs, "LUFS") + ", peak " + figure(loudness.peakDbfs, "dBFS");
}

}  // namespace kelmar
