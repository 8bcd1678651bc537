// Object ids and lists of them as scripts pass them. The usual conversions read some values
// as another id than the caller meant: a JScript array through its text ("1,2" read as 12),
// any object through its default value, a fraction rounded. Such values are refused.
#pragma once

#include <oaidl.h>
#include <winerror.h>

#include <vector>

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

// What ReadObjectIds answers for an array of more than one dimension; the client is given
// E_INVALIDARG.
constexpr HRESULT kIdListNotAVector = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0201);

// The one reader of lists of ids: the single value or each element of a one-dimensional array
// (of VARIANTs or of any type an id comes in), in order, read by ReadObjectId. `read` gets
// every id; values that hold none are left out, as an empty id is none. S_OK; else `read` is
// empty and the answer is E_INVALIDARG or DISP_E_OVERFLOW for the first value that is no id,
// E_POINTER for a null array, kIdListNotAVector for an array of more dimensions.
HRESULT ReadObjectIds(const VARIANT& ids, std::vector<long>& read);

// The refusal's text for what ReadObjectId or ReadObjectIds answered.
const wchar_t* ObjectIdMessage(HRESULT hr);

// The ids ReadObjectIds reads; any failure raised through `error` with the refusal's text.
std::vector<long> ReadListedIds(WQComException& error, const VARIANT& ids);

// The refusal of a method that keeps no error object: `hr` (as ReadObjectIds answers it) with
// the refusal's text installed as the thread's error info, recorded for `method`.
HRESULT RefuseObjectIds(const wchar_t* method, HRESULT hr = E_INVALIDARG);
