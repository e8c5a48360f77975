#ifndef PLATFORM_SCOPED_HANDLE_WIN_H_
#define PLATFORM_SCOPED_HANDLE_WIN_H_

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <wincrypt.h>

#include <type_traits>
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

struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { ::FindClose(handle); }
};
using ScopedFindHandle = ScopedHandle<FindHandleTraits>;

// Kernel objects such as mutexes use null for "none".
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { ::CloseHandle(handle); }
};
using ScopedKernelHandle = ScopedHandle<KernelHandleTraits>;

struct RegistryKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { ::RegCloseKey(handle); }
};
using ScopedRegistryKey = ScopedHandle<RegistryKeyTraits>;

struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { ::FreeLibrary(handle); }
};
using ScopedModule = ScopedHandle<ModuleTraits>;

struct WindowsHookTraits {
  using Handle = HHOOK;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { ::UnhookWindowsHookEx(handle); }
};
using ScopedWindowsHook = ScopedHandle<WindowsHookTraits>;

// Security identifiers that AllocateAndInitializeSid built.
struct SidTraits {
  using Handle = PSID;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { ::FreeSid(handle); }
};
using ScopedSid = ScopedHandle<SidTraits>;

// A cryptographic provider's context and a hash it made; zero means "none".
struct CryptProviderTraits {
  using Handle = HCRYPTPROV;
  static Handle Invalid() { return 0; }
  static void Close(Handle handle) { ::CryptReleaseContext(handle, 0); }
};
using ScopedCryptProvider = ScopedHandle<CryptProviderTraits>;

struct CryptHashTraits {
  using Handle = HCRYPTHASH;
  static Handle Invalid() { return 0; }
  static void Close(Handle handle) { ::CryptDestroyHash(handle); }
};
using ScopedCryptHash = ScopedHandle<CryptHashTraits>;

// A block of the process heap, seen as Pointer (an ACL, a descriptor...).
template <typename Pointer>
struct HeapBlockTraits {
  using Handle = Pointer;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { ::HeapFree(::GetProcessHeap(), 0, handle); }
};
template <typename Pointer>
using ScopedHeapBlock = ScopedHandle<HeapBlockTraits<Pointer>>;

// A block that the system allocated for the caller and that goes back with
// LocalFree (security descriptors and lists, FormatMessageA's text).
template <typename Pointer>
struct LocalBlockTraits {
  using Handle = Pointer;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { ::LocalFree(handle); }
};
template <typename Pointer>
using ScopedLocalBlock = ScopedHandle<LocalBlockTraits<Pointer>>;

// The export name of module as the function type Function, declared once by
// the caller with its calling convention; null when the module lacks it or
// is null (which would search the program itself). Function is a pointer
// type, such as decltype(&::SHGetFolderPathA).
template <typename Function>
Function GetFunction(HMODULE module, const char* name) {
  static_assert(std::is_pointer_v<Function> &&
                std::is_function_v<std::remove_pointer_t<Function>>);
  if (module == nullptr) return nullptr;
  // Through void*: GetProcAddress's own function type says nothing of the
  // export's real signature.
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// A move-only owner of one reference to a COM interface.
template <typename Interface>
class ComPointer {
 public:
  ComPointer() = default;
  explicit ComPointer(Interface* pointer) : pointer_(pointer) {}
  ~ComPointer() { reset(); }
  ComPointer(const ComPointer&) = delete;
  ComPointer& operator=(const ComPointer&) = delete;
  ComPointer(ComPointer&& other) noexcept : pointer_(other.release()) {}
  ComPointer& operator=(ComPointer&& other) noexcept {
    reset(other.release());
    return *this;
  }

  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  Interface* release() { return std::exchange(pointer_, nullptr); }
  void reset(Interface* pointer = nullptr) {
    if (pointer_ != nullptr) pointer_->Release();
    pointer_ = pointer;
  }
  // Releases what is held and hands out the slot for an out-parameter.
  Interface** put() {
    reset();
    return &pointer_;
  }

 private:
  Interface* pointer_ = nullptr;
};

// The shell's allocator, obtained once and kept for the process's life.
// Item lists that the shell hands out go back to it: on the older consumer
// systems it is not the COM task allocator.
inline IMalloc* ShellAllocator() {
  static const ComPointer<IMalloc> allocator = [] {
    ComPointer<IMalloc> shell;
    if (FAILED(::SHGetMalloc(shell.put()))) shell.reset();
    return shell;
  }();
  return allocator.get();
}

struct ItemListTraits {
  using Handle = LPITEMIDLIST;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) {
    if (IMalloc* allocator = ShellAllocator()) {
      allocator->Free(handle);
    } else {
      ::CoTaskMemFree(handle);
    }
  }
};
using ScopedItemList = ScopedHandle<ItemListTraits>;

// COM initialised on this thread for the scope's lifetime. Only a successful
// CoInitialize (S_OK or S_FALSE) is balanced by CoUninitialize.
class ComScope {
 public:
  ComScope() : initialised_(SUCCEEDED(::CoInitialize(nullptr))) {}
  ~ComScope() {
    if (initialised_) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

  bool initialised() const { return initialised_; }

 private:
  bool initialised_;
};

}  // namespace quintarel

#endif  // PLATFORM_SCOPED_HANDLE_WIN_H_
