#pragma once
// Move-only owners for every kind of Windows handle the product opens.
// Each owner names its empty value in its type, so "closed on every path"
// holds by construction. Closing keeps GetLastError() intact, so a caller
// can still read the error of the call that made it give up.

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <utility>

namespace fw {

template <typename Traits>
class unique_any {
 public:
  using pointer = typename Traits::pointer;

  unique_any() noexcept = default;
  explicit unique_any(pointer value) noexcept : value_(value) {}
  unique_any(const unique_any&) = delete;
  unique_any& operator=(const unique_any&) = delete;
  unique_any(unique_any&& other) noexcept : value_(other.release()) {}
  unique_any& operator=(unique_any&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~unique_any() { reset(); }

  pointer get() const noexcept { return value_; }
  bool is_valid() const noexcept { return value_ != Traits::invalid(); }
  explicit operator bool() const noexcept { return is_valid(); }

  // Gives up ownership without closing.
  pointer release() noexcept { return std::exchange(value_, Traits::invalid()); }

  void reset(pointer value = Traits::invalid()) noexcept {
    pointer old = std::exchange(value_, value);
    if (old != Traits::invalid()) {
      const DWORD lastError = ::GetLastError();
      Traits::close(old);
      ::SetLastError(lastError);
    }
  }

  // For out-parameters: closes what is held and hands out the slot.
  pointer* put() noexcept {
    reset();
    return &value_;
  }

 private:
  pointer value_ = Traits::invalid();
};

namespace detail {

struct handle_traits {  // kernel objects whose empty value is null
  using pointer = HANDLE;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { ::CloseHandle(h); }
};
struct hfile_traits {  // files, pipes, snapshots: empty is INVALID_HANDLE_VALUE
  using pointer = HANDLE;
  static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(pointer h) noexcept { ::CloseHandle(h); }
};
struct hkey_traits {
  using pointer = HKEY;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { ::RegCloseKey(h); }
};
struct schandle_traits {
  using pointer = SC_HANDLE;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { ::CloseServiceHandle(h); }
};
struct findhandle_traits {
  using pointer = HANDLE;
  static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(pointer h) noexcept { ::FindClose(h); }
};
struct cotaskmem_traits {  // PIDLs and other shell allocations
  using pointer = void*;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer p) noexcept { ::CoTaskMemFree(p); }
};
struct hlocal_traits {
  using pointer = HLOCAL;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer p) noexcept { ::LocalFree(p); }
};
struct hmodule_traits {
  using pointer = HMODULE;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { ::FreeLibrary(h); }
};

struct bstr_traits {  // texts handed across COM calls
  using pointer = BSTR;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer p) noexcept { ::SysFreeString(p); }
};

}  // namespace detail

using unique_handle = unique_any<detail::handle_traits>;
using unique_hfile = unique_any<detail::hfile_traits>;
using unique_hkey = unique_any<detail::hkey_traits>;
using unique_schandle = unique_any<detail::schandle_traits>;
using unique_findhandle = unique_any<detail::findhandle_traits>;
using unique_cotaskmem = unique_any<detail::cotaskmem_traits>;
using unique_hlocal = unique_any<detail::hlocal_traits>;
using unique_hmodule = unique_any<detail::hmodule_traits>;
using unique_bstr = unique_any<detail::bstr_traits>;

// Owner of one COM interface pointer.
template <typename T>
class com_ptr {
 public:
  com_ptr() noexcept = default;
  com_ptr(const com_ptr&) = delete;
  com_ptr& operator=(const com_ptr&) = delete;
  com_ptr(com_ptr&& other) noexcept : p_(other.detach()) {}
  com_ptr& operator=(com_ptr&& other) noexcept {
    if (this != &other) attach(other.detach());
    return *this;
  }
  ~com_ptr() { reset(); }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  // Takes over a reference the caller already owns.
  void attach(T* p) noexcept {
    T* old = std::exchange(p_, p);
    if (old) old->Release();
  }
  T* detach() noexcept { return std::exchange(p_, nullptr); }
  void reset() noexcept { attach(nullptr); }
  T** put() noexcept {
    reset();
    return &p_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

  template <typename U>
  HRESULT query_to(com_ptr<U>& out) const noexcept {
    if (!p_) return E_POINTER;
    return p_->QueryInterface(__uuidof(U), out.put_void());
  }

 private:
  T* p_ = nullptr;
};

// Balances one successful CoInitializeEx on this thread.
class com_init {
 public:
  explicit com_init(DWORD model = COINIT_APARTMENTTHREADED) noexcept
      : hr_(::CoInitializeEx(nullptr, model)) {}
  com_init(const com_init&) = delete;
  com_init& operator=(const com_init&) = delete;
  ~com_init() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  HRESULT result() const noexcept { return hr_; }

 private:
  HRESULT hr_;
};

}  // namespace fw
