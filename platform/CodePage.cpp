#include "platform/CodePage.h"

#include <iconv.h>

#include <array>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

// One byte code page: each byte's UTF-8 text and each character's byte.
struct CodePageTable {
  CString name;                                    // iconv name
  std::array<std::string, 256> toUtf8;             // empty for undefined bytes
  std::unordered_map<char32_t, char> fromUnicode;  // characters of bytes 0x80 to 0xFF
};

// The character of one well-formed UTF-8 sequence.
char32_t DecodeUtf8(std::string_view utf8) {
  const auto lead = static_cast<unsigned char>(utf8[0]);
  if (utf8.size() == 1) return lead;
  char32_t value = lead & (0x7F >> utf8.size());
  for (size_t i = 1; i < utf8.size(); ++i) {
    value = (value << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
  }
  return value;
}

// Builds the table by converting every byte once; null when iconv does not
// know the name.
std::shared_ptr<const CodePageTable> BuildTable(const char* name) {
  iconv_t converter = iconv_open("UTF-8", name);
  if (converter == reinterpret_cast<iconv_t>(-1)) return nullptr;
  auto table = std::make_shared<CodePageTable>();
  table->name = name;
  for (int byte = 0; byte < 256; ++byte) {
    char in = static_cast<char>(byte);
    char out[8];
    char* inPointer = &in;
    size_t inLeft = 1;
    char* outPointer = out;
    size_t outLeft = sizeof out;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    if (iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) == static_cast<size_t>(-1)) {
      continue;
    }
    table->toUtf8[byte].assign(out, outPointer);
    if (byte >= 0x80) table->fromUnicode.emplace(DecodeUtf8(table->toUtf8[byte]), in);
  }
  iconv_close(converter);
  return table;
}

std::mutex tableMutex;  // guards currentTable
std::shared_ptr<const CodePageTable> currentTable;

std::shared_ptr<const CodePageTable> CurrentTable() {
  std::lock_guard lock(tableMutex);
  if (!currentTable) currentTable = BuildTable("WINDOWS-1252");
  return currentTable;
}

// Length of the well-formed UTF-8 sequence at the start of `text`, 0 if it is
// malformed (overlong forms, surrogates and values above U+10FFFF included).
size_t SequenceLength(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (i == 1 ? (byte < low || byte > high) : (byte < 0x80 || byte > 0xBF)) return 0;
  }
  return length;
}

}  // namespace

bool SetCodePage(const char* iconvName) {
  if (iconvName == nullptr || *iconvName == '\0') return false;
  std::shared_ptr<const CodePageTable> table = BuildTable(iconvName);
  if (!table) return false;
  std::lock_guard lock(tableMutex);
  currentTable = std::move(table);
  return true;
}

CString GetCodePage() { return CurrentTable()->name; }

CString Utf8ToCodePage(std::string_view utf8) {
  const std::shared_ptr<const CodePageTable> table = CurrentTable();
  std::string result;
  result.reserve(utf8.size());
  while (!utf8.empty()) {
    const auto lead = static_cast<unsigned char>(utf8[0]);
    if (lead < 0x80) {
      result += static_cast<char>(lead);
      utf8.remove_prefix(1);
      continue;
    }
    const size_t length = SequenceLength(utf8);
    if (length == 0) {
      result += '?';
      utf8.remove_prefix(1);
      continue;
    }
    const auto found = table->fromUnicode.find(DecodeUtf8(utf8.substr(0, length)));
    result += found == table->fromUnicode.end() ? '?' : found->second;
    utf8.remove_prefix(length);
  }
  return CString(std::move(result));
}

std::string CodePageToUtf8(std::string_view text) {
  const std::shared_ptr<const CodePageTable> table = CurrentTable();
  std::string result;
  result.reserve(text.size());
  for (char ch : text) {
    const std::string& utf8 = table->toUtf8[static_cast<unsigned char>(ch)];
    if (utf8.empty()) {
      result += '?';
    } else {
      result += utf8;
    }
  }
  return result;
}
