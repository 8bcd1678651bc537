// Object ids and lists of them as scripts pass them. The usual conversions read some values
// as another id than the caller meant: a JScript array through its text ("1,2" read as 12),
// any object through its default value, a fraction rounded. Such values are refused.
#pragma once

#include <oaidl.h>

class WQComException;

// The text of the refusal.
extern const wchar_t kObjectIdMessage[];

// False for a value that must not be read as an id: an object (a null object is no value,
// not a wrong one), a text that is not a whole number, a number with a fraction. Arrays are
// judged element by element by the caller; everything else is left to the conversions.
bool IsReadableObjectId(const VARIANT& value);

// Every id of `ids`, the single value or each element of a one-dimensional array,
// is readable; else E_INVALIDARG.
HRESULT CheckObjectIds(const VARIANT& ids);

// The same, raised through `error` with kObjectIdMessage.
void RequireObjectIds(WQComException& error, const VARIANT& ids);

// The refusal of a method that keeps no error object: E_INVALIDARG with kObjectIdMessage
// installed as the thread's error info, recorded for `method`.
HRESULT RefuseObjectIds(const wchar_t* method);
