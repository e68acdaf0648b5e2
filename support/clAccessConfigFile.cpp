#include "support/clAccessConfigFile.h"

#include <cstdlib>
#include <utility>

#include "platform/DiagnosticSink.h"
#include "platform/ProfileApi.h"
#include "support/StringUtil.h"

namespace {
constexpr DWORD kReadBufferSize = 2048;  // values come back cut to 2046 bytes
}

clAccessConfigFile::clAccessConfigFile(CString fileName) : fileName_(std::move(fileName)) {}

clAccessConfigFile::~clAccessConfigFile() = default;

void clAccessConfigFile::mSetFileName(CString fileName) { fileName_ = std::move(fileName); }

int clAccessConfigFile::mWrite(const CString& section, const CString& key, const CString& value) {
  if (WritePrivateProfileStringA(section, key, value, fileName_)) return 1;
  CString message;
  message.Format("clAccessConfigFile: cannot write [%s] %s to %s", section.c_str(), key.c_str(),
                 fileName_.c_str());
  ReportDiagnostic(DiagnosticLevel::kDebug, message.c_str());
  return 0;
}

int clAccessConfigFile::mWrite(const CString& section, const CString& key, int value) {
  return mWrite(section, key, StringUtil::IntToString(value));
}

int clAccessConfigFile::mWrite(const CString& section, const CString& key, long value) {
  CString text;
  text.Format("%ld", value);
  return mWrite(section, key, text);
}

int clAccessConfigFile::mRead(const CString& section, const CString& key, CString& value) {
  char buffer[kReadBufferSize];
  const DWORD length =
      GetPrivateProfileStringA(section, key, "", buffer, kReadBufferSize - 1, fileName_);
  value = CString(buffer, static_cast<int>(length));
  return length > 0 ? 1 : 0;
}

int clAccessConfigFile::mRead(const CString& section, const CString& key, int& value) {
  CString text;
  if (!mRead(section, key, text)) return 0;
  value = std::atoi(text);
  return 1;
}

int clAccessConfigFile::mRead(const CString& section, const CString& key, long& value) {
  CString text;
  if (!mRead(section, key, text)) return 0;
  value = std::atol(text);
  return 1;
}

void clAccessConfigFile::Read(const CString& section, const CString& key, bool& value,
                              bool defaultValue) {
  value = defaultValue;
  CString text;
  if (!mRead(section, key, text) || text.IsEmpty()) return;
  const CString first = text.Left(1);
  value = first.CompareNoCase("t") == 0 || first.CompareNoCase("y") == 0 || first == "1";
}

void clAccessConfigFile::ReadList(const CString& section, const CString& keyPrefix,
                                  CStringArray& list) {
  for (int n = 0;; ++n) {
    CString value;
    if (!mRead(section, keyPrefix + StringUtil::IntToString(n), value)) return;
    list.SetAtGrow(list.GetSize(), value);
  }
}

void clAccessConfigFile::mReadSectionNames(CStringArray& names) { ReadNames(nullptr, names); }

void clAccessConfigFile::mReadKeyNames(const CString& section, CStringArray& names) {
  ReadNames(section, names);
}

void clAccessConfigFile::ReadNames(const char* section, CStringArray& names) {
  ReadPrivateProfileNames(section, fileName_, names);
}
