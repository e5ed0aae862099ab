// The instruction sets the engine may choose at run time, beyond x86-64's SSE2.
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

}  // namespace kelmar
