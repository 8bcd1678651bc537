// Late-bound calls through IDispatch by member name, as a scripting client makes them.
// Used where a large platform interface is reached only for a few members, so that the
// code works alike with the real component and a small stand-in. A member's exception
// comes back as its own HRESULT with its text installed as the thread's error info.
//
//   plat::LateBound table(dispatch);         // keeps the names it looked up
//   table.PutIndexed(L"ColumnWidth", {0}, 1440);
//   plat::unique_variant text;
//   table.Get(L"Cell", text.put(), {1, 0});
#pragma once

#include "handles.h"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace plat {

HRESULT GetDispId(IDispatch* object, const wchar_t* name, DISPID* id) noexcept;

// Invokes member `id` with `flags` and `count` arguments in their natural order (a put's
// value last); `result` may be null.
HRESULT InvokeById(IDispatch* object, DISPID id, WORD flags, const VARIANT* args, size_t count,
                   VARIANT* result) noexcept;
// Invokes `name` with `flags` and the arguments in their natural order; `result` may be
// null. Fails with E_POINTER for a null object.
HRESULT InvokeByName(IDispatch* object, const wchar_t* name, WORD flags,
                     std::initializer_list<VARIANT> args, VARIANT* result) noexcept;

inline HRESULT GetProperty(IDispatch* object, const wchar_t* name, VARIANT* result) noexcept {
  return InvokeByName(object, name, DISPATCH_PROPERTYGET, {}, result);
}
HRESULT PutProperty(IDispatch* object, const wchar_t* name, const VARIANT& value) noexcept;
inline HRESULT CallMethod(IDispatch* object, const wchar_t* name,
                          std::initializer_list<VARIANT> args, VARIANT* result = nullptr) noexcept {
  return InvokeByName(object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, result);
}

// A property that holds an object; E_NOINTERFACE when it holds none.
HRESULT GetObjectProperty(IDispatch* object, const wchar_t* name,
                          com_ptr<IDispatch>& value) noexcept;
// A property converted to a type with VariantChangeType.
HRESULT GetPropertyAs(IDispatch* object, const wchar_t* name, VARTYPE type,
                      VARIANT* value) noexcept;

// Argument values that borrow their data for one call.
inline VARIANT ArgLong(long value) noexcept {
  VARIANT v;
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}
// The text must outlive the call; BSTR callers may rely on its length prefix only when it
// is a real BSTR, so pass one (unique_bstr::get()).
inline VARIANT ArgText(BSTR text) noexcept {
  VARIANT v;
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = text;
  return v;
}

// One argument of a LateBound call, owned for the call's duration.
class Arg {
 public:
  Arg(long value) noexcept;
  Arg(int value) noexcept : Arg(static_cast<long>(value)) {}
  Arg(bool value) noexcept;
  // A copy of the text as a BSTR (null stays an empty string).
  Arg(const wchar_t* text);
  Arg(const VARIANT& value);
  Arg(const Arg&) = delete;
  Arg& operator=(const Arg&) = delete;

  const VARIANT& get() const noexcept { return value_; }

 private:
  unique_variant value_;
};

// An object called by member names, each looked up once.
class LateBound {
 public:
  LateBound() = default;
  explicit LateBound(com_ptr<IDispatch> object) : object_(std::move(object)) {}

  explicit operator bool() const noexcept { return static_cast<bool>(object_); }
  IDispatch* get() const noexcept { return object_.get(); }
  void reset() noexcept {
    object_.reset();
    ids_.clear();
  }

  // Reads property `name`, indexed by `indices`; `result` is cleared first.
  HRESULT Get(const wchar_t* name, VARIANT* result, std::initializer_list<Arg> indices = {});
  HRESULT Put(const wchar_t* name, const Arg& value) { return PutIndexed(name, {}, value); }
  HRESULT PutIndexed(const wchar_t* name, std::initializer_list<Arg> indices, const Arg& value);
  // Calls method `name`; `result` may be null.
  HRESULT Call(const wchar_t* name, VARIANT* result, std::initializer_list<Arg> args = {});

 private:
  HRESULT IdOf(const wchar_t* name, DISPID* id);
  HRESULT Invoke(const wchar_t* name, WORD flags, std::initializer_list<Arg> args, const Arg* value,
                 VARIANT* result);

  com_ptr<IDispatch> object_;
  std::vector<std::pair<std::wstring, DISPID>> ids_;
};

// The argument at `position` (counted from 0 in declaration order) of an event or call,
// whose arguments DISPPARAMS holds in reverse.
const VARIANT* ArgAt(const DISPPARAMS& params, UINT position) noexcept;
// An argument converted to a long; `fallback` when missing or not convertible.
long LongArgAt(const DISPPARAMS& params, UINT position, long fallback = 0) noexcept;

}  // namespace plat
