#ifndef FUZZ_FUZZ_CHECK_H_
#define FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>

namespace quintarel {

// Fuzz targets build with NDEBUG too, so they cannot rely on assert.
inline void FuzzCheck(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

}  // namespace quintarel

#endif  // FUZZ_FUZZ_CHECK_H_
