// The parameters of the type library that hold object ids, and the late-bound check that
// refuses an argument the type library would coerce into another id than the caller meant
// ("1,2" read as 12, 12.5 rounded) before the method sees it.
//
// The table is the one list of id parameters: a test holds it against the type library, so
// a new integer parameter is either listed here or declared no id there.
#pragma once

#include <comobject.h>
#include <oaidl.h>

#include <memory>
#include <span>

namespace wqc {

struct IdParameter {
  const IID* iid;            // the dual interface
  const wchar_t* member;     // the method or property
  const wchar_t* parameter;  // its name as the type library gives it; null: a put's value
};

// Every parameter of type long that takes an id. An array of longs needs no look: the type
// library converts no array's elements, so nothing but longs arrives there.
extern const std::span<const IdParameter> kIdParameters;

// The late-bound check of interface `iid`, for Invoke, before the type library coerces the
// arguments: every argument that reaches an id parameter of the member called, by position
// or by name (a put's value named DISPID_PROPERTYPUT), directly or by reference, must be
// readable as one id (a list is none); else the call is refused as the method refuses a wrong
// id. Null for an interface without id parameters.
std::unique_ptr<plat::Module::ArgumentCheck> MakeIdArgumentCheck(REFIID iid, ITypeInfo* info);

}  // namespace wqc
