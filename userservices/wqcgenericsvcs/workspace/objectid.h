// Object ids and lists of them as scripts pass them. The usual conversions read some values
// as another id than the caller meant: a JScript array through its text ("1,2" read as 12),
// any object through its default value, a fraction rounded. Such values are refused.
#pragma once

#include <oaidl.h>

class WQComException;

// The texts of the refusals: a value that is no id (E_INVALIDARG), a whole number outside a
// long's range (DISP_E_OVERFLOW).
extern const wchar_t kObjectIdMessage[];
extern const wchar_t kObjectIdRangeMessage[];

// Reads one id as the client meant it, following references. S_OK: `id` is the value. S_FALSE:
// the value holds none (empty, null, omitted, a null object); `id` is left alone.
// E_INVALIDARG: no whole number (a text that is not one, a fraction, a date, a flag, an object,
// an array, a reference that cannot be followed). DISP_E_OVERFLOW: a whole number that is no
// long.
HRESULT ReadObjectId(const VARIANT& value, long* id);

// False for a value that must not be read as an id (ReadObjectId's E_INVALIDARG). Arrays are
// judged element by element by the caller; a number out of range is left to the conversions,
// which refuse it with DISP_E_OVERFLOW.
bool IsReadableObjectId(const VARIANT& value);

// Every id of `ids`, the single value or each element of a one-dimensional array, can be read:
// S_OK, else E_INVALIDARG or DISP_E_OVERFLOW as ReadObjectId answers. An array that cannot be
// read at all (null, of more dimensions) is left to the reader, which says why.
HRESULT CheckObjectIds(const VARIANT& ids);

// The refusal's text for what CheckObjectIds answered.
const wchar_t* ObjectIdMessage(HRESULT hr);

// The same check, raised through `error` with the refusal's text.
void RequireObjectIds(WQComException& error, const VARIANT& ids);

// The refusal of a method that keeps no error object: `hr` with the refusal's text installed
// as the thread's error info, recorded for `method`.
HRESULT RefuseObjectIds(const wchar_t* method, HRESULT hr = E_INVALIDARG);
