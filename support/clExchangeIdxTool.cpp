#include "support/clExchangeIdxTool.h"

#include <filesystem>
#include <system_error>

#include "platform/CWaitCursor.h"
#include "platform/DiagnosticSink.h"
#include "platform/FileApi.h"
#include "support/clAccessFile.h"

namespace {
constexpr int kPathColumn = 47;  // where the relative path starts in an index line
constexpr int kNumberDigits = 8;
}  // namespace

CString clExchangeIdxTool::mFormatString(CString identifier) {
  const int firstBlank = identifier.Find(' ');
  if (firstBlank < 0) return "";
  const int secondBlank = identifier.Find(' ', firstBlank + 1);
  if (secondBlank < 0) return "";
  const int thirdBlank = identifier.Find(' ', secondBlank + 1);
  if (thirdBlank < 0) return "";
  const CString country = identifier.Left(firstBlank);
  CString number = identifier.Mid(firstBlank + 1, secondBlank - firstBlank - 1);
  const CString kind = identifier.Mid(secondBlank + 1, thirdBlank - secondBlank - 1);
  while (number.GetLength() < kNumberDigits) number = "0" + number;
  return country + kind + " " + number;
}

CString clExchangeIdxTool::mSearchInExchangeIdxFile(CString directory, CString identifier) {
  CWaitCursor waitCursor;
  const CString indexPath = directory + "EXCHANGE.IDX";
  clAccessFile index;
  if (!index.mOpenFileForReading(indexPath)) {
    ReportDiagnostic(DiagnosticLevel::kDebug,
                     ("clExchangeIdxTool: cannot open " + indexPath).c_str());
    return "";
  }
  CString key = mFormatString(identifier);
  if (key.IsEmpty()) {
    ReportDiagnostic(DiagnosticLevel::kDebug,
                     ("clExchangeIdxTool: malformed identifier '" + identifier + "'").c_str());
    return "";
  }
  char* found = nullptr;
  const long offset = index.mFind(key.GetBuffer(), key.GetLength(), -1, ' ', &found, 1, 0, 1, 0);
  key.ReleaseBuffer();
  if (offset < 0) {
    ReportDiagnostic(DiagnosticLevel::kDebug,
                     ("clExchangeIdxTool: " + key + " is not in " + indexPath).c_str());
    return "";
  }
  CString path = CString(found).Mid(kPathColumn);
  delete[] found;
  // A match from the search's final window keeps the CR of a CR LF line end.
  path.TrimRight("\r\n");
  if (path.Find("PDF") < 0) path = path.Left(path.ReverseFind('\\') + 1) + "DOCUMENT.PDF";
  if (path.IsEmpty() || path[0] != '\\') path = "\\" + path;
  CString folder = directory;
  if (!folder.IsEmpty() &&
      (folder[folder.GetLength() - 1] == '\\' || folder[folder.GetLength() - 1] == '/')) {
    folder = folder.Left(folder.GetLength() - 1);
  }
  const CString result = folder + path;
  std::error_code error;
  if (!std::filesystem::is_regular_file(NativePath(result), error)) {
    ReportDiagnostic(DiagnosticLevel::kDebug, ("clExchangeIdxTool: no file " + result).c_str());
    return "";
  }
  return result;
}
