// Late-bound calls on an IDispatch by member name, for a component whose interface is too
// large to declare for the few members a caller uses. Names are looked up once per object
// and kept; index arguments come in the order the member declares them.
//
//   plat::LateBound grid(dispatch);
//   grid.Put(L"Rows", 5);
//   grid.PutIndexed(L"ColWidth", {0}, 1440);
//   plat::unique_variant text;
//   grid.Get(L"TextMatrix", text.put(), 1, 0);
//   grid.Call(L"AddItem", nullptr, L"Data");
#pragma once

#include "handles.h"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace plat {

// One argument of a late-bound call, owned for the call's duration.
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
  HRESULT Invoke(const wchar_t* name, WORD flags, std::initializer_list<Arg> args,
                 const Arg* value, VARIANT* result);

  com_ptr<IDispatch> object_;
  std::vector<std::pair<std::wstring, DISPID>> ids_;
};

// The argument at `position` (counted from 0 in declaration order) of an event or call,
// whose arguments DISPPARAMS holds in reverse.
const VARIANT* ArgAt(const DISPPARAMS& params, UINT position) noexcept;
// An argument converted to a long; `fallback` when missing or not convertible.
long LongArgAt(const DISPPARAMS& params, UINT position, long fallback = 0) noexcept;

}  // namespace plat
