#include "image/CBmpButton.h"

CBmpButton::~CBmpButton() { SetBitmap(nullptr); }

BOOL CBmpButton::LoadButtonBitmaps(int normalId, int hoverId, int pressedId) {
  // The control must not go on showing a bitmap that is about to be freed.
  SetBitmap(nullptr);
  m_bmpNormal.DeleteObject();
  m_bmpHover.DeleteObject();
  m_bmpPressed.DeleteObject();

  const bool normal = normalId >= 0 && m_bmpNormal.LoadBitmap(static_cast<UINT>(normalId));
  const bool hover =
      m_bmpHover.LoadBitmap(static_cast<UINT>(hoverId >= 0 ? hoverId : normalId)) || hoverId < 0;
  const bool pressed =
      m_bmpPressed.LoadBitmap(static_cast<UINT>(pressedId >= 0 ? pressedId : normalId)) ||
      pressedId < 0;
  return normal && hover && pressed ? 1 : 0;
}

void CBmpButton::ResetButton() { ShowImage(m_bmpNormal); }

void CBmpButton::Disable() { EnableWindow(0); }

void CBmpButton::Enable() { EnableWindow(1); }

void CBmpButton::ShowImage(const CBitmap& image) { SetBitmap(image.GetSafeHandle()); }

void CBmpButton::OnLButtonDown(UINT, POINT) { ShowImage(m_bmpPressed); }

void CBmpButton::OnLButtonUp(UINT, POINT) { ShowImage(m_bmpHover); }

void CBmpButton::OnMouseMove(UINT, POINT) { ShowImage(m_bmpHover); }

LRESULT CBmpButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // The pointer position comes as two signed 16-bit words: x low, y high.
  const POINT point{static_cast<int16_t>(lParam & 0xFFFF),
                    static_cast<int16_t>((lParam >> 16) & 0xFFFF)};
  const auto flags = static_cast<UINT>(wParam);
  switch (message) {
    case WM_LBUTTONDOWN:
      OnLButtonDown(flags, point);
      break;
    case WM_LBUTTONUP:
      OnLButtonUp(flags, point);
      break;
    case WM_MOUSEMOVE:
      OnMouseMove(flags, point);
      break;
    default:
      break;
  }
  return CStatic::WindowProc(message, wParam, lParam);
}
