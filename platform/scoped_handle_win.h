#ifndef PLATFORM_SCOPED_HANDLE_WIN_H_
#define PLATFORM_SCOPED_HANDLE_WIN_H_

#include <windows.h>

#include <utility>

namespace quintarel {

// A move-only owner of one handle. Traits name the handle type, the value
// that means "none", and the function that releases it.
template <typename Traits>
class ScopedHandle {
 public:
  using Handle = typename Traits::Handle;

  ScopedHandle() = default;
  explicit ScopedHandle(Handle handle) : handle_(handle) {}
  ~ScopedHandle() { reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }

  Handle get() const { return handle_; }
  bool is_valid() const { return handle_ != Traits::Invalid(); }
  explicit operator bool() const { return is_valid(); }

  Handle release() { return std::exchange(handle_, Traits::Invalid()); }
  void reset(Handle handle = Traits::Invalid()) {
    if (is_valid()) Traits::Close(handle_);
    handle_ = handle;
  }
  // Releases what is held and hands out the slot for an out-parameter.
  Handle* put() {
    reset();
    return &handle_;
  }

 private:
  Handle handle_ = Traits::Invalid();
};

// File and find handles use INVALID_HANDLE_VALUE for "none".
struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { ::CloseHandle(handle); }
};
using ScopedFileHandle = ScopedHandle<FileHandleTraits>;

// Kernel objects such as mutexes use null for "none".
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { ::CloseHandle(handle); }
};
using ScopedKernelHandle = ScopedHandle<KernelHandleTraits>;

}  // namespace quintarel

#endif  // PLATFORM_SCOPED_HANDLE_WIN_H_
