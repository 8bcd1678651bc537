// What the claim, unclaim and associate-hold objects share: the workspace check, the
// optional arguments that fall back on the object's own state, and the client's window.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <wqcomexception.h>

namespace wqc {

// Raises E_INVALIDARG "The workspace object is not valid" when the workspace does not
// answer IWQWorkspace.
void RequireWorkspace(WQComException& error, IDispatch* workspace);

// The value of an optional argument, converted leniently; a value that does not convert
// raises the conversion's failure with `unconvertible`. Without a value the answer is the
// fallback, which exists only once the object is initialized (else E_FAIL with
// `notInitialized`).
template <class T>
T ArgumentOrFallback(WQComException& error, const VARIANT& argument,
                     HRESULT (*convert)(const VARIANT&, T*, bool), const wchar_t* unconvertible,
                     const T* fallback, const wchar_t* notInitialized);

// The object id of an optional argument, read as every id is read (ReadObjectId): a value
// that is no id is refused with the refusal's text. Without a value, the fallback as above.
long ObjectIdOrFallback(WQComException& error, const VARIANT& argument, const long* fallback,
                        const wchar_t* notInitialized);

// The window handle a client passes as a 64-bit number.
inline HWND ParentWindow(LONGLONG handle) {
  return reinterpret_cast<HWND>(static_cast<INT_PTR>(handle));
}

}  // namespace wqc
