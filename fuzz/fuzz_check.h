// The fuzz targets' check: a failed condition is reported and traps, which
// libFuzzer records as a crash with the input that caused it.
#ifndef TH10FEM_FUZZ_FUZZ_CHECK_H
#define TH10FEM_FUZZ_FUZZ_CHECK_H

#include <cstdio>

#define FUZZ_CHECK(condition)                                      \
  do {                                                             \
    if (!(condition)) {                                            \
      std::fprintf(stderr, "fuzz check failed: %s\n", #condition); \
      __builtin_trap();                                            \
    }                                                              \
  } while (0)

#endif
