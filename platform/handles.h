// Owning wrappers for Win32 and COM resources, and the early-return error macros.
//
// unique_any<Traits> owns one handle-like value and closes it with Traits::close;
// every resource type is a one-line alias. put() frees the old value before handing
// out its address, so an out-parameter call never leaks what was held.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

#include <new>
#include <type_traits>
#include <utility>

namespace plat {

template <class Traits>
class unique_any {
 public:
  using pointer = typename Traits::type;

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
  explicit operator bool() const noexcept { return Traits::is_valid(value_); }

  void reset(pointer value = Traits::invalid()) noexcept {
    if (Traits::is_valid(value_)) Traits::close(value_);
    value_ = value;
  }
  pointer release() noexcept { return std::exchange(value_, Traits::invalid()); }
  pointer* put() noexcept {
    reset();
    return &value_;
  }

 private:
  pointer value_ = Traits::invalid();
};

template <class T, auto Close, auto Invalid = T{}>
struct handle_traits {
  using type = T;
  static constexpr T invalid() noexcept { return Invalid; }
  static bool is_valid(T value) noexcept { return value != Invalid; }
  static void close(T value) noexcept { Close(value); }
};

// A kernel HANDLE has two invalid values depending on the API that made it.
struct kernel_handle_traits {
  using type = HANDLE;
  static HANDLE invalid() noexcept { return nullptr; }
  static bool is_valid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) noexcept { ::CloseHandle(h); }
};

inline void close_hkey(HKEY key) noexcept { ::RegCloseKey(key); }
inline void destroy_window(HWND wnd) noexcept { ::DestroyWindow(wnd); }
inline void delete_gdi(HGDIOBJ obj) noexcept { ::DeleteObject(obj); }
inline void free_global(HGLOBAL mem) noexcept { ::GlobalFree(mem); }
inline void free_library(HMODULE module) noexcept { ::FreeLibrary(module); }
inline void destroy_safearray(SAFEARRAY* sa) noexcept { ::SafeArrayDestroy(sa); }
inline void unaccess_safearray_data(SAFEARRAY* sa) noexcept { ::SafeArrayUnaccessData(sa); }
inline void free_bstr(BSTR s) noexcept { ::SysFreeString(s); }
inline void free_cotask(void* p) noexcept { ::CoTaskMemFree(p); }

using unique_handle = unique_any<kernel_handle_traits>;
using unique_hkey = unique_any<handle_traits<HKEY, close_hkey>>;
using unique_hwnd = unique_any<handle_traits<HWND, destroy_window>>;
using unique_hgdiobj = unique_any<handle_traits<HGDIOBJ, delete_gdi>>;
using unique_hfont = unique_any<handle_traits<HFONT, delete_gdi>>;
using unique_hglobal = unique_any<handle_traits<HGLOBAL, free_global>>;
using unique_hmodule = unique_any<handle_traits<HMODULE, free_library>>;
using unique_safearray = unique_any<handle_traits<SAFEARRAY*, destroy_safearray>>;
using unique_cotaskmem_string = unique_any<handle_traits<wchar_t*, free_cotask>>;

// A BSTR owner that also builds one from text and hands itself out.
class unique_bstr : public unique_any<handle_traits<BSTR, free_bstr>> {
 public:
  using unique_any::unique_any;
  unique_bstr() noexcept = default;
  // Throws std::bad_alloc when the system has no memory for the copy.
  static unique_bstr copy(const wchar_t* text) {
    if (!text) return unique_bstr();
    BSTR s = ::SysAllocString(text);
    if (!s) throw std::bad_alloc();
    return unique_bstr(s);
  }
  static unique_bstr copy(const wchar_t* text, UINT length) {
    BSTR s = ::SysAllocStringLen(text, length);
    if (!s) throw std::bad_alloc();
    return unique_bstr(s);
  }
  UINT length() const noexcept { return ::SysStringLen(get()); }
  // Never null: an empty text for a null BSTR, as COM treats them alike.
  const wchar_t* c_str() const noexcept { return get() ? get() : L""; }
};

// A SAFEARRAY's elements as T for the life of a scope: SafeArrayAccessData on the way in,
// SafeArrayUnaccessData on the way out. The array stays locked meanwhile, so nobody can
// destroy or resize it under the pointer. Borrows the array; its owner must outlive this.
template <class T>
class safearray_data {
 public:
  safearray_data() noexcept = default;
  safearray_data(const safearray_data&) = delete;
  safearray_data& operator=(const safearray_data&) = delete;
  safearray_data(safearray_data&& other) noexcept
      : lock_(std::move(other.lock_)), data_(std::exchange(other.data_, nullptr)) {}
  safearray_data& operator=(safearray_data&& other) noexcept {
    if (this != &other) {
      lock_ = std::move(other.lock_);
      data_ = std::exchange(other.data_, nullptr);
    }
    return *this;
  }

  // Ends the access held so far, then locks `array`; on failure holds nothing.
  HRESULT access(SAFEARRAY* array) noexcept {
    reset();
    void* data = nullptr;
    const HRESULT hr = ::SafeArrayAccessData(array, &data);
    if (FAILED(hr)) return hr;
    lock_.reset(array);
    data_ = static_cast<T*>(data);
    return S_OK;
  }
  void reset() noexcept {
    lock_.reset();
    data_ = nullptr;
  }

  T* get() const noexcept { return data_; }
  SAFEARRAY* array() const noexcept { return lock_.get(); }
  explicit operator bool() const noexcept { return static_cast<bool>(lock_); }

 private:
  unique_any<handle_traits<SAFEARRAY*, unaccess_safearray_data>> lock_;
  T* data_ = nullptr;
};

// VARIANT owner; VariantClear on destruction and before reuse.
class unique_variant : public VARIANT {
 public:
  unique_variant() noexcept { ::VariantInit(this); }
  unique_variant(const unique_variant&) = delete;
  unique_variant& operator=(const unique_variant&) = delete;
  unique_variant(unique_variant&& other) noexcept : VARIANT(other) { ::VariantInit(&other); }
  unique_variant& operator=(unique_variant&& other) noexcept {
    if (this != &other) {
      reset();
      static_cast<VARIANT&>(*this) = other;
      ::VariantInit(&other);
    }
    return *this;
  }
  ~unique_variant() { ::VariantClear(this); }

  void reset() noexcept { ::VariantClear(this); }
  VARIANT* put() noexcept {
    reset();
    return this;
  }
  VARIANT release() noexcept {
    VARIANT v = *this;
    ::VariantInit(this);
    return v;
  }
};

// Reference-counted interface pointer.
template <class T>
class com_ptr {
 public:
  com_ptr() noexcept = default;
  com_ptr(std::nullptr_t) noexcept {}
  explicit com_ptr(T* p) noexcept : p_(p) {
    if (p_) p_->AddRef();
  }
  com_ptr(const com_ptr& other) noexcept : com_ptr(other.p_) {}
  com_ptr(com_ptr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  com_ptr& operator=(const com_ptr& other) noexcept {
    com_ptr(other).swap(*this);
    return *this;
  }
  com_ptr& operator=(com_ptr&& other) noexcept {
    com_ptr(std::move(other)).swap(*this);
    return *this;
  }
  ~com_ptr() { reset(); }

  // Takes over a reference the caller already owns.
  static com_ptr attach(T* p) noexcept {
    com_ptr result;
    result.p_ = p;
    return result;
  }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  void reset() noexcept {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  T* detach() noexcept { return std::exchange(p_, nullptr); }
  T** put() noexcept {
    reset();
    return &p_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
  void swap(com_ptr& other) noexcept { std::swap(p_, other.p_); }

  template <class U>
  HRESULT query_to(com_ptr<U>& out) const noexcept {
    if (!p_) {
      out.reset();
      return E_POINTER;
    }
    return p_->QueryInterface(__uuidof(U), out.put_void());
  }
  template <class U>
  com_ptr<U> try_query() const noexcept {
    com_ptr<U> out;
    query_to(out);
    return out;
  }
  // Hands a new reference to an out-parameter.
  HRESULT copy_to(T** out) const noexcept {
    if (!out) return E_POINTER;
    *out = p_;
    if (p_) p_->AddRef();
    return S_OK;
  }

 private:
  T* p_ = nullptr;
};

template <class T, class U>
bool operator==(const com_ptr<T>& a, const com_ptr<U>& b) noexcept {
  return a.get() == b.get();
}

// CoInitializeEx for the lifetime of a scope.
class unique_couninitialize {
 public:
  explicit unique_couninitialize(DWORD model = COINIT_APARTMENTTHREADED) noexcept
      : hr_(::CoInitializeEx(nullptr, model)) {}
  unique_couninitialize(const unique_couninitialize&) = delete;
  unique_couninitialize& operator=(const unique_couninitialize&) = delete;
  ~unique_couninitialize() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  HRESULT hr() const noexcept { return hr_; }

 private:
  HRESULT hr_;
};

// Critical section and its scoped lock.
class critical_section {
 public:
  critical_section() noexcept { ::InitializeCriticalSection(&cs_); }
  critical_section(const critical_section&) = delete;
  critical_section& operator=(const critical_section&) = delete;
  ~critical_section() { ::DeleteCriticalSection(&cs_); }
  void lock() noexcept { ::EnterCriticalSection(&cs_); }
  void unlock() noexcept { ::LeaveCriticalSection(&cs_); }

 private:
  CRITICAL_SECTION cs_;
};

// HRESULT-only helpers: refuse a BOOL where an HRESULT belongs.
namespace details {
template <class T>
constexpr HRESULT verify_hresult(T hr) noexcept {
  static_assert(std::is_same_v<T, HRESULT>, "expected an HRESULT");
  return hr;
}
}  // namespace details

HRESULT hresult_from_last_error() noexcept;

// Maps the exception in flight to an HRESULT; call only inside a catch block.
HRESULT to_hresult() noexcept;

// Thrown by the throwing helpers; carries only the code.
struct hresult_error {
  HRESULT code;
};

[[noreturn]] void throw_hresult(HRESULT hr);

inline void throw_if_failed(HRESULT hr) {
  if (FAILED(hr)) throw_hresult(hr);
}

}  // namespace plat

#define PLAT_RETURN_IF_FAILED(expr)                                 \
  do {                                                              \
    const HRESULT plat_hr_ = ::plat::details::verify_hresult(expr); \
    if (FAILED(plat_hr_)) return plat_hr_;                          \
  } while (0)

#define PLAT_RETURN_HR_IF_NULL(hr, ptr) \
  do {                                  \
    if (!(ptr)) return (hr);            \
  } while (0)

// Closes a COM boundary: whatever was thrown leaves it as an HRESULT. Code with its own
// exception type closes its boundaries with its own handler instead.
#define PLAT_CATCH_RETURN()      \
  catch (...) {                  \
    return ::plat::to_hresult(); \
  }
