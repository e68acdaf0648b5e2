#include "platform/Gdi.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <unordered_set>
#include <utility>
#include <vector>

struct HBITMAP__ {
  int width;                     // pixels per row
  int height;                    // rows
  WORD bitsPixel;                // 1 or 32
  std::vector<COLORREF> pixels;  // row by row; black or white when monochrome
  HDC selectedInto = nullptr;    // the context holding it, if any
};

struct HDC__ {
  HBITMAP selected;  // always a bitmap: the stock one at first
  COLORREF background = RGB(255, 255, 255);
  COLORREF text = RGB(0, 0, 0);
};

namespace {

constexpr COLORREF kWhite = 0x00FFFFFF;
constexpr COLORREF kBlack = 0x00000000;

// The live objects, so that every call can tell a live handle from a dead one.
struct Objects {
  std::mutex mutex;
  std::unordered_set<HBITMAP> bitmaps;
  std::unordered_set<HDC> contexts;
  std::map<UINT, HBITMAP> resources;   // copies owned by the registry
  HBITMAP__ stock{1, 1, 1, {kBlack}};  // the 1x1 monochrome bitmap of a new context
};

Objects& Live() {
  static Objects objects;
  return objects;
}

HBITMAP FindBitmap(Objects& objects, HGDIOBJ object) {
  auto* bitmap = static_cast<HBITMAP>(object);
  if (bitmap == &objects.stock) return bitmap;
  return objects.bitmaps.count(bitmap) ? bitmap : nullptr;
}

HDC FindContext(Objects& objects, HDC dc) { return objects.contexts.count(dc) ? dc : nullptr; }

COLORREF ToMonochrome(COLORREF color) {
  const unsigned grey =
      (GetRValue(color) * 299u + GetGValue(color) * 587u + GetBValue(color) * 114u) / 1000u;
  return grey >= 128 ? kWhite : kBlack;
}

HBITMAP NewBitmap(Objects& objects, int width, int height, WORD bitsPixel) {
  auto* bitmap = new HBITMAP__{width, height, bitsPixel,
                               std::vector<COLORREF>(static_cast<size_t>(width) * height, kBlack)};
  objects.bitmaps.insert(bitmap);
  return bitmap;
}

HBITMAP CopyBitmap(Objects& objects, const HBITMAP__& source) {
  HBITMAP copy = NewBitmap(objects, source.width, source.height, source.bitsPixel);
  copy->pixels = source.pixels;
  return copy;
}

// Bytes per row of a Windows bitmap: rows are padded to 16 bits.
LONG WidthBytes(int width, WORD bitsPixel) {
  return static_cast<LONG>((static_cast<long>(width) * bitsPixel + 15) / 16 * 2);
}

}  // namespace

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (width < 1 || height < 1 || planes != 1 || (bitsPerPixel != 1 && bitsPerPixel != 32)) {
    return nullptr;
  }
  Objects& objects = Live();
  std::lock_guard lock(objects.mutex);
  HBITMAP bitmap = NewBitmap(objects, width, height, static_cast<WORD>(bitsPerPixel));
  if (bits == nullptr) return bitmap;
  const auto* bytes = static_cast<const BYTE*>(bits);
  const LONG rowBytes = WidthBytes(width, static_cast<WORD>(bitsPerPixel));
  for (int y = 0; y < height; ++y) {
    const BYTE* row = bytes + static_cast<size_t>(y) * rowBytes;
    for (int x = 0; x < width; ++x) {
      COLORREF& pixel = bitmap->pixels[static_cast<size_t>(y) * width + x];
      if (bitsPerPixel == 1) {
        pixel = (row[x / 8] >> (7 - x % 8)) & 1 ? kWhite : kBlack;
      } else {
        const BYTE* word = row + x * 4;  // blue, green, red, unused
        pixel = RGB(word[2], word[1], word[0]);
      }
    }
  }
  return bitmap;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  if (width < 1 || height < 1) return nullptr;
  Objects& objects = Live();
  std::lock_guard lock(objects.mutex);
  WORD bitsPixel = 32;
  if (dc != nullptr) {
    if (!FindContext(objects, dc)) return nullptr;
    bitsPixel = dc->selected->bitsPixel;
  }
  return NewBitmap(objects, width, height, bitsPixel);
}

HDC CreateCompatibleDC(HDC dc) {
  Objects& objects = Live();
  std::lock_guard lock(objects.mutex);
  if (dc != nullptr && !FindContext(objects, dc)) return nullptr;
  auto* context = new HDC__{&objects.stock};
  objects.contexts.insert(context);
  return context;
}

BOOL DeleteDC(HDC dc) {
  Objects& objects = Live();
  std::lock_guard lock(objects.mutex);
  if (!FindContext(objects, dc)) return 0;
  if (dc->selected != &objects.stock) dc->selected->selectedInto = nullptr;
  objects.contexts.erase(dc);
  delete dc;
  return 1;
}

BOOL DeleteObject(HGDIOBJ object) {
  Objects& objects = Live();
  std::lock_guard lock(objects.mutex);
  HBITMAP bitmap = FindBitmap(objects, object);
  if (bitmap == nullptr) return 0;
  if (bitmap == &objects.stock) return 1;
  if (bitmap->selectedInto != nullptr) return 0;
  objects.bitmaps.erase(bitmap);
  delete bitmap;
  return 1;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  Objects& objects = Live();
  std::lock_guard lock(objects.mutex);
  HBITMAP bitmap = FindBitmap(objects, object);
  if (!FindContext(objects, dc) || bitmap == nullptr) return nullptr;
  HBITMAP previous = dc->selected;
  if (bitmap == previous) return previous;
  if (bitmap != &objects.stock) {
    if (bitmap->selectedInto != nullptr) return nullptr;
    bitmap->selectedInto = dc;
  }
  if (previous != &objects.stock) previous->selectedInto = nullptr;
  dc->selected = bitmap;
  return previous;
}

int GetObject(HGDIOBJ object, int size, void* buffer) {
  Objects& objects = Live();
  std::lock_guard lock(objects.mutex);
  HBITMAP bitmap = FindBitmap(objects, object);
  if (bitmap == nullptr || buffer == nullptr || size < static_cast<int>(sizeof(BITMAP))) return 0;
  *static_cast<BITMAP*>(buffer) =
      BITMAP{0, bitmap->width,     bitmap->height, WidthBytes(bitmap->width, bitmap->bitsPixel),
             1, bitmap->bitsPixel, nullptr};
  return static_cast<int>(sizeof(BITMAP));
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
  Objects& objects = Live();
  std::lock_guard lock(objects.mutex);
  if (!FindContext(objects, dc)) return CLR_INVALID;
  return std::exchange(dc->background, color & 0x00FFFFFF);
}

COLORREF GetBkColor(HDC dc) {
  Objects& objects = Live();
  std::lock_guard lock(objects.mutex);
  return FindContext(objects, dc) ? dc->background : CLR_INVALID;
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
  Objects& objects = Live();
  std::lock_guard lock(objects.mutex);
  if (!FindContext(objects, dc)) return CLR_INVALID;
  return std::exchange(dc->text, color & 0x00FFFFFF);
}

COLORREF GetTextColor(HDC dc) {
  Objects& objects = Live();
  std::lock_guard lock(objects.mutex);
  return FindContext(objects, dc) ? dc->text : CLR_INVALID;
}

COLORREF GetPixel(HDC dc, int x, int y) {
  Objects& objects = Live();
  std::lock_guard lock(objects.mutex);
  if (!FindContext(objects, dc)) return CLR_INVALID;
  const HBITMAP__& bitmap = *dc->selected;
  if (x < 0 || y < 0 || x >= bitmap.width || y >= bitmap.height) return CLR_INVALID;
  return bitmap.pixels[static_cast<size_t>(y) * bitmap.width + x];
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
  Objects& objects = Live();
  std::lock_guard lock(objects.mutex);
  if (!FindContext(objects, dc) || dc->selected == &objects.stock) return CLR_INVALID;
  HBITMAP__& bitmap = *dc->selected;
  if (x < 0 || y < 0 || x >= bitmap.width || y >= bitmap.height) return CLR_INVALID;
  color &= 0x00FFFFFF;
  if (bitmap.bitsPixel == 1) color = ToMonochrome(color);
  bitmap.pixels[static_cast<size_t>(y) * bitmap.width + x] = color;
  return color;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, DWORD rop) {
  if (rop != SRCCOPY && rop != SRCAND && rop != SRCINVERT) return 0;
  if (width < 0 || height < 0) return 0;
  Objects& objects = Live();
  std::lock_guard lock(objects.mutex);
  if (!FindContext(objects, dest) || !FindContext(objects, src)) return 0;
  if (dest->selected == &objects.stock) return 1;  // nothing to draw on
  HBITMAP__& target = *dest->selected;
  const HBITMAP__& source = *src->selected;
  // Clip the rectangle to both bitmaps, in 64-bit arithmetic so that no
  // coordinate overflows.
  const long long left = std::max({0LL, -static_cast<long long>(x), -static_cast<long long>(xSrc)});
  const long long top = std::max({0LL, -static_cast<long long>(y), -static_cast<long long>(ySrc)});
  const long long right =
      std::min({static_cast<long long>(width), static_cast<long long>(target.width) - x,
                static_cast<long long>(source.width) - xSrc});
  const long long bottom =
      std::min({static_cast<long long>(height), static_cast<long long>(target.height) - y,
                static_cast<long long>(source.height) - ySrc});
  if (right <= left || bottom <= top) return 1;
  // A blit of a bitmap onto itself reads from a copy taken first.
  std::vector<COLORREF> copy;
  if (&source == &target) copy = source.pixels;
  const COLORREF* sourcePixels = copy.empty() ? source.pixels.data() : copy.data();
  for (long long j = top; j < bottom; ++j) {
    const COLORREF* from = sourcePixels + static_cast<size_t>(ySrc + j) * source.width + xSrc;
    COLORREF* to = &target.pixels[static_cast<size_t>(y + j) * target.width] + x;
    for (long long i = left; i < right; ++i) {
      COLORREF pixel = from[i];
      if (source.bitsPixel != 1 && target.bitsPixel == 1) {
        pixel = pixel == src->background ? kWhite : kBlack;
      } else if (source.bitsPixel == 1 && target.bitsPixel != 1) {
        pixel = pixel == kWhite ? dest->background : dest->text;
      }
      COLORREF& out = to[i];
      if (rop == SRCCOPY) {
        out = pixel;
      } else if (rop == SRCAND) {
        out &= pixel;
      } else {
        out ^= pixel;
      }
    }
  }
  return 1;
}

int GetDeviceCaps(HDC dc, int index) {
  Objects& objects = Live();
  std::lock_guard lock(objects.mutex);
  if (!FindContext(objects, dc)) return 0;
  if (index == BITSPIXEL) return 32;
  if (index == PLANES) return 1;
  return 0;
}

BOOL GetBitmapPixels(HBITMAP bitmap, COLORREF* pixels) {
  Objects& objects = Live();
  std::lock_guard lock(objects.mutex);
  if (FindBitmap(objects, bitmap) == nullptr || pixels == nullptr) return 0;
  std::copy(bitmap->pixels.begin(), bitmap->pixels.end(), pixels);
  return 1;
}

BOOL SetBitmapPixels(HBITMAP bitmap, const COLORREF* pixels) {
  Objects& objects = Live();
  std::lock_guard lock(objects.mutex);
  if (FindBitmap(objects, bitmap) == nullptr || bitmap == &objects.stock || pixels == nullptr) {
    return 0;
  }
  for (size_t i = 0; i < bitmap->pixels.size(); ++i) {
    const COLORREF color = pixels[i] & 0x00FFFFFF;
    bitmap->pixels[i] = bitmap->bitsPixel == 1 ? ToMonochrome(color) : color;
  }
  return 1;
}

BOOL RegisterBitmapResource(UINT id, HBITMAP bitmap) {
  Objects& objects = Live();
  std::lock_guard lock(objects.mutex);
  if (FindBitmap(objects, bitmap) == nullptr) return 0;
  HBITMAP copy = CopyBitmap(objects, *bitmap);
  objects.bitmaps.erase(copy);  // the registry's own, out of reach of DeleteObject
  HBITMAP& slot = objects.resources[id];
  delete slot;
  slot = copy;
  return 1;
}

void UnregisterBitmapResource(UINT id) {
  Objects& objects = Live();
  std::lock_guard lock(objects.mutex);
  auto found = objects.resources.find(id);
  if (found == objects.resources.end()) return;
  delete found->second;
  objects.resources.erase(found);
}

HBITMAP LoadBitmapResource(UINT id) {
  Objects& objects = Live();
  std::lock_guard lock(objects.mutex);
  auto found = objects.resources.find(id);
  return found == objects.resources.end() ? nullptr : CopyBitmap(objects, *found->second);
}
