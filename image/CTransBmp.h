#pragma once

#include "platform/CBitmap.h"
#include "platform/CDC.h"
#include "platform/Export.h"
#include "platform/Gdi.h"

// A bitmap that draws itself opaque, or with the colour of its top-left
// pixel transparent. It owns its bitmap (as a CBitmap) and the monochrome
// mask it builds on the first transparent draw and keeps from then on.
// Drawing onto a dead or null context draws nothing.
class SORREL_EXPORT CTransBmp : public CBitmap {
 public:
  CTransBmp() = default;
  ~CTransBmp() override;

  // The bitmap's size in pixels, measured the first time (and again while
  // either is still 0); 0 when no bitmap is held.
  int GetWidth();
  int GetHeight();

  // Copies the whole bitmap to (x, y) of `hDC` unchanged. The CDC form uses
  // the object's handle; a null object counts as a null handle.
  void Draw(HDC hDC, int x, int y);
  void Draw(CDC* pDC, int x, int y);

  // Draws the bitmap at (x, y) with the colour of its top-left pixel (as it
  // was when the mask was built) left transparent. Same two forms.
  void DrawTrans(HDC hDC, int x, int y);
  void DrawTrans(CDC* pDC, int x, int y);

 private:
  // Builds the mask: white where the bitmap has its top-left colour, black
  // elsewhere. Leaves m_hbmMask null when GDI refuses.
  void CreateMask(HDC hDC);
  void GetMetrics();

  int m_iWidth = 0;             // pixels per row, 0 until measured
  int m_iHeight = 0;            // rows, 0 until measured
  HBITMAP m_hbmMask = nullptr;  // owned monochrome mask, null until first needed
};
