#include "image/CTransBmp.h"

namespace {

// A memory context with one bitmap selected, released (selection restored,
// context deleted) when it goes away.
class SelectedBitmap {
 public:
  SelectedBitmap(HDC compatibleWith, HBITMAP bitmap)
      : dc_(CreateCompatibleDC(compatibleWith)),
        previous_(dc_ != nullptr ? SelectObject(dc_, bitmap) : nullptr) {}
  ~SelectedBitmap() {
    if (previous_ != nullptr) SelectObject(dc_, previous_);
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  SelectedBitmap(const SelectedBitmap&) = delete;
  SelectedBitmap& operator=(const SelectedBitmap&) = delete;

  // The context, or null when it could not be made or the bitmap not selected.
  HDC dc() const { return previous_ != nullptr ? dc_ : nullptr; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace

CTransBmp::~CTransBmp() {
  if (m_hbmMask != nullptr) ::DeleteObject(m_hbmMask);
}

int CTransBmp::GetWidth() {
  if (m_iWidth == 0 || m_iHeight == 0) GetMetrics();
  return m_iWidth;
}

int CTransBmp::GetHeight() {
  if (m_iWidth == 0 || m_iHeight == 0) GetMetrics();
  return m_iHeight;
}

void CTransBmp::GetMetrics() {
  BITMAP bitmap;
  if (GetBitmap(&bitmap) == 0) return;
  m_iWidth = bitmap.bmWidth;
  m_iHeight = bitmap.bmHeight;
}

void CTransBmp::Draw(HDC hDC, int x, int y) {
  const int width = GetWidth();
  const int height = GetHeight();
  SelectedBitmap image(hDC, GetSafeHandle());
  if (image.dc() == nullptr) return;
  BitBlt(hDC, x, y, width, height, image.dc(), 0, 0, SRCCOPY);
}

void CTransBmp::Draw(CDC* pDC, int x, int y) { Draw(pDC ? pDC->GetSafeHdc() : nullptr, x, y); }

void CTransBmp::CreateMask(HDC hDC) {
  if (m_hbmMask != nullptr) {
    ::DeleteObject(m_hbmMask);
    m_hbmMask = nullptr;
  }
  const int width = GetWidth();
  const int height = GetHeight();
  HBITMAP mask = ::CreateBitmap(width, height, 1, 1, nullptr);
  if (mask == nullptr) return;
  {
    SelectedBitmap image(hDC, GetSafeHandle());
    SelectedBitmap monochrome(hDC, mask);
    if (image.dc() != nullptr && monochrome.dc() != nullptr) {
      // Copying colour to monochrome turns the background colour white and
      // every other colour black.
      SetBkColor(image.dc(), GetPixel(image.dc(), 0, 0));
      if (BitBlt(monochrome.dc(), 0, 0, width, height, image.dc(), 0, 0, SRCCOPY)) {
        m_hbmMask = mask;
        return;
      }
    }
  }
  ::DeleteObject(mask);
}

void CTransBmp::DrawTrans(HDC hDC, int x, int y) {
  if (m_hbmMask == nullptr) CreateMask(hDC);
  if (m_hbmMask == nullptr) return;
  const int width = GetWidth();
  const int height = GetHeight();
  HBITMAP offScreen = ::CreateBitmap(width, height, static_cast<UINT>(GetDeviceCaps(hDC, PLANES)),
                                     static_cast<UINT>(GetDeviceCaps(hDC, BITSPIXEL)), nullptr);
  if (offScreen == nullptr) return;
  {
    SelectedBitmap work(hDC, offScreen);
    SelectedBitmap image(hDC, GetSafeHandle());
    SelectedBitmap mask(hDC, m_hbmMask);
    if (work.dc() != nullptr && image.dc() != nullptr && mask.dc() != nullptr) {
      BitBlt(work.dc(), 0, 0, width, height, hDC, x, y, SRCCOPY);
      // background ^ image, kept only where the mask is white (transparent),
      // then ^ image again: the background where transparent, the image
      // elsewhere. White mask bits become white on the colour work bitmap.
      SetBkColor(work.dc(), RGB(255, 255, 255));
      BitBlt(work.dc(), 0, 0, width, height, image.dc(), 0, 0, SRCINVERT);
      BitBlt(work.dc(), 0, 0, width, height, mask.dc(), 0, 0, SRCAND);
      BitBlt(work.dc(), 0, 0, width, height, image.dc(), 0, 0, SRCINVERT);
      BitBlt(hDC, x, y, width, height, work.dc(), 0, 0, SRCCOPY);
    }
  }
  ::DeleteObject(offScreen);
}

void CTransBmp::DrawTrans(CDC* pDC, int x, int y) {
  DrawTrans(pDC ? pDC->GetSafeHdc() : nullptr, x, y);
}
