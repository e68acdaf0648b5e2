#pragma once

#include <cstdint>

#include "platform/CString.h"
#include "platform/Export.h"

// A COM status code: negative values are failures.
using HRESULT = int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);      // invalid pointer
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);         // unspecified failure
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);  // out of memory
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);   // a bad argument

constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }

// The exception of the compiler's COM support: a failed HRESULT, thrown and
// caught by value. The XML reader raises it for every failure of its parser.
class SORREL_EXPORT _com_error {
 public:
  // `description` is the failing component's own explanation, empty if none.
  explicit _com_error(HRESULT hr, const CString& description = CString());

  // The HRESULT carried.
  HRESULT Error() const { return hr_; }
  // The system's text for the HRESULT: its message when it has one, else
  // "IDispatch error #N" for 0x80040201 to 0x8004FFFF, else "Unknown error 0xX".
  CString ErrorMessage() const;
  // The failing component's explanation (empty when it gave none).
  CString Description() const { return description_; }

 private:
  HRESULT hr_;           // the failure code
  CString description_;  // what the component said about it
};
