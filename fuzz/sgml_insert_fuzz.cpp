// Template and fields both come from the input: the bytes before the first
// NUL are the template, the lines after it are fields ("NAME=VALUE"), and a
// line "!a b c d e P" inserts image parameters. A data part that starts with
// "L" sets a listener. Each accepted input is inserted and written.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sgml/clKTF2SGML.h"

namespace {

constexpr uint32_t kMaxLeaders = 3;  // nested repetition multiplies the walk
constexpr size_t kMaxFields = 24;    // fields inserted per input

class ReversingListener : public KtfToSgmlListener {
 public:
  char* TransformValue(const char* fieldName, const char* value) override {
    if (fieldName[0] == 'N') return nullptr;  // a listener may answer nothing
    const size_t length = std::strlen(value);
    char* result = new char[length + 1];
    for (size_t i = 0; i < length; ++i) result[i] = value[length - 1 - i];
    result[length] = '\0';
    return result;
  }
};

std::string TempPath(const char* suffix) {
  return "/tmp/sgml_insert_fuzz." + std::to_string(::getpid()) + suffix;
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  size_t start = 0;
  while (start <= line.size()) {
    size_t end = line.find(' ', start);
    if (end == std::string::npos) end = line.size();
    words.push_back(line.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string templatePath = TempPath(".tpl");
  static const std::string sgmlPath = TempPath(".sgml");
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\0');
  const std::string templateText = input.substr(0, split);
  const std::string fields = split == std::string::npos ? "" : input.substr(split + 1);

  FILE* file = std::fopen(templatePath.c_str(), "wb");
  if (file == nullptr) return 0;
  const bool written =
      std::fwrite(templateText.data(), 1, templateText.size(), file) == templateText.size();
  if (std::fclose(file) != 0 || !written) return 0;

  clKTF2SGML converter;
  if (!fields.empty() && fields[0] == 'L') converter.SetKtfToSgmlListener(new ReversingListener());
  (void)converter.fgKTF2SGML_RecoverTemplate(templatePath.c_str(), sgmlPath.c_str());
  const cl_Table<tBlock>* blocks = converter.fgKTF2SGML_GetBlocks();
  uint32_t leaders = 0;
  for (uint32_t i = 0; blocks != nullptr && i < blocks->GetCount(); ++i) {
    if (blocks->GetAt(i)->leaderName != nullptr) ++leaders;
  }
  if (leaders > kMaxLeaders) return 0;

  size_t start = 0;
  for (size_t count = 0; start < fields.size() && count < kMaxFields; ++count) {
    size_t end = fields.find('\n', start);
    if (end == std::string::npos) end = fields.size();
    const std::string line = fields.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line[0] == '!') {
      std::vector<std::string> w = Words(line.substr(1));
      w.resize(6);
      (void)converter.fgKTF2SGML_InsertImageParam(w[0].c_str(), w[1].c_str(), w[2].c_str(),
                                                  w[3].c_str(), w[4].c_str(), w[5].c_str());
      continue;
    }
    const size_t equals = line.find('=');
    const std::string name = line.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : line.substr(equals + 1);
    (void)converter.fgKTF2SGML_InsertKTFData(name.c_str(), value.c_str());
  }
  (void)converter.fgKTF2SGML_BuildSGMLFile();
  return 0;
}
