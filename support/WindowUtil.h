#pragma once

#include "platform/Export.h"
#include "platform/CWnd.h"

// Window stacking.
class SORREL_EXPORT WindowUtil {
 public:
  WindowUtil();
  virtual ~WindowUtil();

  // Moves the window to the bottom of the Z order, keeping its position and
  // size; the caller keeps the window. A null window is ignored.
  static void SetZBottom(CWnd* window);
};
