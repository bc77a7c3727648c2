// Stops a fuzz run with a reason the fuzzer keeps beside the input.
#pragma once
#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void fuzz_fail(const char* why) {
  std::fprintf(stderr, "fuzz check failed: %s\n", why);
  std::abort();
}
