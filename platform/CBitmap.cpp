#include "platform/CBitmap.h"

#include "platform/CDC.h"

CBitmap::~CBitmap() { DeleteObject(); }

BOOL CBitmap::Attach(HGDIOBJ bitmap) {
  if (bitmap_ != nullptr || bitmap == nullptr) return 0;
  bitmap_ = static_cast<HBITMAP>(bitmap);
  return 1;
}

HBITMAP CBitmap::Detach() {
  HBITMAP bitmap = bitmap_;
  bitmap_ = nullptr;
  return bitmap;
}

BOOL CBitmap::DeleteObject() {
  if (bitmap_ == nullptr || !::DeleteObject(bitmap_)) return 0;
  bitmap_ = nullptr;
  return 1;
}

BOOL CBitmap::Hold(HBITMAP bitmap) {
  if (bitmap == nullptr) return 0;
  bitmap_ = bitmap;
  return 1;
}

BOOL CBitmap::LoadBitmap(UINT resourceId) {
  if (bitmap_ != nullptr) return 0;
  return Hold(LoadBitmapResource(resourceId));
}

BOOL CBitmap::CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel,
                           const void* bits) {
  if (bitmap_ != nullptr) return 0;
  return Hold(::CreateBitmap(width, height, planes, bitsPerPixel, bits));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
  if (bitmap_ != nullptr) return 0;
  return Hold(::CreateCompatibleBitmap(dc ? dc->GetSafeHdc() : nullptr, width, height));
}

int CBitmap::GetBitmap(BITMAP* bitmap) const {
  if (bitmap_ == nullptr) return 0;
  return ::GetObject(bitmap_, sizeof(BITMAP), bitmap);
}
