#include "imaging/TiffMessages.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>

namespace {

std::vector<std::string> warningList;
std::vector<std::string> errorList;
TIFFErrorHandler previousWarning = nullptr;
TIFFErrorHandler previousError = nullptr;

std::string Describe(const char* module, const char* format, va_list args) {
  char text[1024];
  std::vsnprintf(text, sizeof text, format, args);
  return std::string(module ? module : "") + ": " + text;
}

void CollectWarning(const char* module, const char* format, va_list args) {
  warningList.push_back(Describe(module, format, args));
}

void CollectError(const char* module, const char* format, va_list args) {
  errorList.push_back(Describe(module, format, args));
}

}  // namespace

TiffMessages::TiffMessages() {
  warningList.clear();
  errorList.clear();
  previousWarning = TIFFSetWarningHandler(CollectWarning);
  previousError = TIFFSetErrorHandler(CollectError);
}

TiffMessages::~TiffMessages() {
  TIFFSetWarningHandler(previousWarning);
  TIFFSetErrorHandler(previousError);
}

const std::vector<std::string>& TiffMessages::warnings() const { return warningList; }

const std::vector<std::string>& TiffMessages::errors() const { return errorList; }
