// The instruction sets chosen at run time, beyond x86-64's SSE2: AVX2 for the engine's
// voices, BMI2 for the depacker's bit gathering.
#pragma once

namespace kelmar {

inline bool HasAvx2() {
#if defined(__x86_64__) && defined(__GNUC__)
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
#else
  return false;
#endif
}

inline bool HasBmi2() {
#if defined(__x86_64__) && defined(__GNUC__)
  static const bool has = __builtin_cpu_supports("bmi2");
  return has;
#else
  return false;
#endif
}

}  // namespace kelmar
