#pragma once

#include "platform/CBitmap.h"
#include "platform/CStatic.h"
#include "platform/Export.h"

// A static control that acts as a button: it shows its normal, hover or
// pressed bitmap as the mouse moves over it and presses it. It owns the
// three bitmaps. Mouse messages reach it through the message queue.
class SORREL_EXPORT CBmpButton : public CStatic {
 public:
  CBmpButton() = default;
  ~CBmpButton() override;

  // Loads the three bitmaps from the registered bitmap resources, replacing
  // any loaded before. A negative hover or pressed id loads the normal
  // bitmap into that image. Nonzero only if every bitmap asked for by a
  // non-negative id (the normal one always) was loaded. Shows nothing by
  // itself: call ResetButton.
  BOOL LoadButtonBitmaps(int normalId, int hoverId, int pressedId);
  // Shows the normal image.
  void ResetButton();

  // Disable and enable the control's window.
  virtual void Disable();
  virtual void Enable();

  // Left button down shows the pressed image, left button up and mouse
  // moves the hover image; each then goes on to the default processing.
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  void OnLButtonDown(UINT nFlags, POINT point);
  void OnLButtonUp(UINT nFlags, POINT point);
  void OnMouseMove(UINT nFlags, POINT point);

 private:
  // Sends the set-image message for the image's bitmap.
  void ShowImage(const CBitmap& image);

  CBitmap m_bmpNormal;   // shown at rest
  CBitmap m_bmpHover;    // shown under the mouse
  CBitmap m_bmpPressed;  // shown while the left button is down
};
