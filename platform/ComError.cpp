#include "platform/ComError.h"

namespace {

// The system's messages for the HRESULTs that the library raises.
struct KnownMessage {
  HRESULT hr;
  const char* text;
};
constexpr KnownMessage kKnownMessages[] = {
    {E_POINTER, "Invalid pointer"},
    {E_FAIL, "Unspecified error"},
    {E_OUTOFMEMORY, "Not enough memory resources are available to complete this operation."},
    {E_INVALIDARG, "The parameter is incorrect."},
};

}  // namespace

_com_error::_com_error(HRESULT hr, const CString& description)
    : hr_(hr), description_(description) {}

CString _com_error::ErrorMessage() const {
  for (const KnownMessage& known : kKnownMessages) {
    if (known.hr == hr_) return known.text;
  }
  const auto code = static_cast<uint32_t>(hr_);
  CString text;
  if (code >= 0x80040201u && code <= 0x8004FFFFu) {
    text.Format("IDispatch error #%u", static_cast<unsigned>(code - 0x80040200u));
  } else {
    text.Format("Unknown error 0x%0X", static_cast<unsigned>(code));
  }
  return text;
}
