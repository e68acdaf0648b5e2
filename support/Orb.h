#pragma once

#include "platform/Export.h"

// The opener of the product's home page.
class SORREL_EXPORT Orb {
 public:
  // The product's home page.
  static constexpr const char* kHomepage = "https://www.sorrel-patents.com/";

  Orb();
  virtual ~Orb();

  // Asks the desktop to open the home page with the default browser, shown
  // normally. A failure is not reported to the caller; it goes to the
  // diagnostic sink at debug level.
  static void OpenSorrelHomepage();
};
