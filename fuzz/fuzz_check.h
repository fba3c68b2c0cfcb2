// What the fuzz targets share: a check that stops the run with a message when an invariant
// breaks (libFuzzer then saves the input as a crash), and the input split into pieces.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#define FUZZ_CHECK(condition)                                                                \
  do {                                                                                       \
    if (!(condition)) {                                                                      \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                          \
    }                                                                                        \
  } while (0)

namespace vkfuzz {

// A NUL-free piece of text: the C-string entry points stop at the first NUL anyway, and a
// piece without one lets a target compare lengths exactly.
inline std::string textPiece(FuzzedDataProvider& input, std::size_t maxLength) {
  std::string text = input.ConsumeRandomLengthString(maxLength);
  for (char& c : text) {
    if (c == '\0') c = ' ';
  }
  return text;
}

}  // namespace vkfuzz
