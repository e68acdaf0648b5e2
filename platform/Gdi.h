#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

// The in-memory GDI: bitmaps are pixel arrays, device contexts are memory
// contexts that hold one selected bitmap, and BitBlt combines them with the
// raster operations the library uses. Handles are checked: a call with a
// handle that is not a live object fails as Windows reports it (0, null or
// CLR_INVALID). Every call holds one process-wide lock, so objects may be
// used from any thread.

// A colour as Windows lays it out: 0x00BBGGRR.
using COLORREF = DWORD;
constexpr COLORREF RGB(BYTE red, BYTE green, BYTE blue) {
  return static_cast<COLORREF>(red) | static_cast<COLORREF>(green) << 8 |
         static_cast<COLORREF>(blue) << 16;
}
constexpr BYTE GetRValue(COLORREF color) { return static_cast<BYTE>(color); }
constexpr BYTE GetGValue(COLORREF color) { return static_cast<BYTE>(color >> 8); }
constexpr BYTE GetBValue(COLORREF color) { return static_cast<BYTE>(color >> 16); }
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// Opaque handles; a bitmap is the only GDI object there is.
struct HBITMAP__;
struct HDC__;
using HBITMAP = HBITMAP__*;
using HDC = HDC__*;
using HGDIOBJ = void*;

// What GetObject reports of a bitmap.
struct BITMAP {
  LONG bmType;        // always 0
  LONG bmWidth;       // pixels per row
  LONG bmHeight;      // rows
  LONG bmWidthBytes;  // bytes per row as Windows pads them (to 16 bits)
  WORD bmPlanes;      // always 1
  WORD bmBitsPixel;   // 1 (monochrome) or 32 (colour)
  void* bmBits;       // always null: the pixels are reached through the calls below
};

// Raster operations, with Windows' codes.
constexpr DWORD SRCCOPY = 0x00CC0020;    // destination = source
constexpr DWORD SRCAND = 0x008800C6;     // destination = destination AND source
constexpr DWORD SRCINVERT = 0x00660046;  // destination = destination XOR source

// GetDeviceCaps indexes.
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;

// A bitmap of width x height with 1 plane and 1 or 32 bits a pixel, other
// formats being refused (null). `bits`, when given, holds Windows' layout:
// for 1 bit, rows of bits (most significant first, 1 = white) padded to 16
// bits; for 32 bits, one 0x00RRGGBB word a pixel. Without bits the bitmap is
// black. The caller owns the bitmap and frees it with DeleteObject.
SORREL_EXPORT HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel,
                                   const void* bits);
// A black bitmap in the format of the bitmap selected into `dc` (colour for
// a null dc, the screen). Null for a dead dc or a size below 1.
SORREL_EXPORT HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// A memory context holding the 1x1 monochrome stock bitmap, with a white
// background colour and a black text colour; `dc` may be null. The caller
// frees it with DeleteDC.
SORREL_EXPORT HDC CreateCompatibleDC(HDC dc);
// Frees the context; its selected bitmap stays alive and may then be deleted.
SORREL_EXPORT BOOL DeleteDC(HDC dc);
// Frees a bitmap; FALSE when it is not a live bitmap or is selected into a
// context. The stock bitmap is never freed (TRUE).
SORREL_EXPORT BOOL DeleteObject(HGDIOBJ object);
// Selects a bitmap into a memory context and returns the one it replaces;
// null when either handle is dead or the bitmap is selected elsewhere.
SORREL_EXPORT HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// Fills a BITMAP (size at least sizeof(BITMAP)); returns the bytes written, 0 on failure.
SORREL_EXPORT int GetObject(HGDIOBJ object, int size, void* buffer);
// Context colours; each setter returns the previous colour, CLR_INVALID for a dead dc.
SORREL_EXPORT COLORREF SetBkColor(HDC dc, COLORREF color);
SORREL_EXPORT COLORREF GetBkColor(HDC dc);
SORREL_EXPORT COLORREF SetTextColor(HDC dc, COLORREF color);
SORREL_EXPORT COLORREF GetTextColor(HDC dc);
// A pixel of the selected bitmap; CLR_INVALID outside it. SetPixel returns
// the colour stored (black or white on a monochrome bitmap).
SORREL_EXPORT COLORREF GetPixel(HDC dc, int x, int y);
SORREL_EXPORT COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
// Combines the source rectangle at (xSrc, ySrc) into the destination at
// (x, y), clipped to both bitmaps. Between formats: a colour source pixel
// equal to the source's background colour becomes white in a monochrome
// destination and every other one black; a monochrome source pixel becomes
// the destination's background colour (white) or text colour (black) in a
// colour destination. FALSE for a dead handle, a negative size or another
// raster operation.
SORREL_EXPORT BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc,
                          int ySrc, DWORD rop);
// BITSPIXEL (32) and PLANES (1) of the screen that every context stands for;
// 0 for other indexes or a dead dc.
SORREL_EXPORT int GetDeviceCaps(HDC dc, int index);

// Stand-in extras for loading and inspecting pictures: the pixels of a
// bitmap row by row as COLORREF values, width x height of them. FALSE for a
// dead bitmap or a null buffer; a monochrome bitmap stores each colour as
// black or white (white from a grey level of 128).
SORREL_EXPORT BOOL GetBitmapPixels(HBITMAP bitmap, COLORREF* pixels);
SORREL_EXPORT BOOL SetBitmapPixels(HBITMAP bitmap, const COLORREF* pixels);

// Bitmap resources, registered by id by the client (for example loaded from
// picture files) and found by LoadBitmapResource, as resource lookup would.
// Registering copies the bitmap (replacing an earlier one of the id); FALSE
// for a dead bitmap.
SORREL_EXPORT BOOL RegisterBitmapResource(UINT id, HBITMAP bitmap);
SORREL_EXPORT void UnregisterBitmapResource(UINT id);
// A new copy of the resource's bitmap, owned by the caller; null when no
// resource has the id.
SORREL_EXPORT HBITMAP LoadBitmapResource(UINT id);
