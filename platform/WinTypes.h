#pragma once

#include <cstdint>

// The Windows integer and handle types that the compatibility layer's
// signatures keep, with their Windows widths.
using BOOL = int;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = unsigned int;
using LONG = int32_t;
using LONGLONG = int64_t;
using ULONGLONG = uint64_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

// A window handle is the window object itself.
class CWnd;
using HWND = CWnd*;

// A rectangle in screen coordinates; right and bottom lie just outside it.
struct RECT {
  LONG left;    // first column
  LONG top;     // first row
  LONG right;   // column after the last
  LONG bottom;  // row after the last
};

// A point in client or screen coordinates.
struct POINT {
  LONG x;  // column
  LONG y;  // row
};
