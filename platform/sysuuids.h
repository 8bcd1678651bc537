// Interface identities of system components whose mingw headers declare no __uuidof:
// include this instead of the system header itself.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <objidl.h>

#include <objsel.h>

__CRT_UUID_DECL(IDsObjectPicker, 0x0c87e64e, 0x3b7a, 0x11d2, 0xb9, 0xe0, 0x00, 0xc0, 0x4f, 0xd8,
                0xdb, 0xf7)
