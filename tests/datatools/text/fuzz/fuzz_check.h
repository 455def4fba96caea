#pragma once

#include <cstdio>
#include <cstdlib>

// A failed property stops the fuzzer with a finding (and the input saved).
#define NUBO_FUZZ_CHECK(condition)                                               \
  do {                                                                           \
    if (!(condition)) {                                                          \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                              \
    }                                                                            \
  } while (false)
