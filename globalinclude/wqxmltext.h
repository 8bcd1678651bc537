// What the module's SAX readers are given for a reply held as UTF-16 text: its bytes
// behind a byte-order mark, with the XML declaration naming the encoding those bytes have.
// A reply's declaration may name the encoding its sender wrote it in ("UTF-8",
// "windows-1252"); the module holds it as UTF-16 text, and a parser that believes the
// declaration over the bytes would refuse a reply that reads as a string.
#pragma once

#include <windows.h>
#include <objidl.h>

// `text` past one leading byte-order mark (U+FEFF); null stays null.
const wchar_t* WQSkipByteOrderMark(const wchar_t* text) noexcept;

// Where the value of the encoding in the XML declaration that opens `text` lies
// ([*begin, *end) in characters); false when the text opens with no declaration that is
// well formed up to its "?>", or one without an encoding or with a name XML does not
// allow there.
bool WQFindDeclaredEncoding(const wchar_t* text, size_t length, size_t* begin,
                            size_t* end) noexcept;

// The first `length` characters of `text` (which holds no byte-order mark) as a stream of
// UTF-16LE bytes behind a byte-order mark, the declared encoding given as "UTF-16". The
// stream reads the text in place: the text must outlive it.
HRESULT WQCreateXMLTextStream(const wchar_t* text, size_t length,
                              ISequentialStream** stream) noexcept;
