#include "platform/CDC.h"

CDC::~CDC() { DeleteDC(); }

BOOL CDC::Attach(HDC dc) {
  if (dc_ != nullptr || dc == nullptr) return 0;
  dc_ = dc;
  return 1;
}

HDC CDC::Detach() {
  HDC dc = dc_;
  dc_ = nullptr;
  return dc;
}

BOOL CDC::CreateCompatibleDC(CDC* dc) {
  if (dc_ != nullptr) return 0;
  dc_ = ::CreateCompatibleDC(dc ? dc->dc_ : nullptr);
  return dc_ != nullptr ? 1 : 0;
}

BOOL CDC::DeleteDC() {
  if (dc_ == nullptr) return 0;
  const BOOL deleted = ::DeleteDC(dc_);
  dc_ = nullptr;
  return deleted;
}
