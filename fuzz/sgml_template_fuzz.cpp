// Reads arbitrary bytes as a template; an accepted template is then filled
// with a small fixed document and written, so that whatever the parser
// accepts is also walked.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "sgml/clKTF2SGML.h"

namespace {

// Nested LEADER blocks walk the product of their occurrence counts; beyond
// a few of them a run measures patience, not correctness.
constexpr uint32_t kMaxLeaders = 3;

std::string TempPath(const char* suffix) {
  return "/tmp/sgml_template_fuzz." + std::to_string(::getpid()) + suffix;
}

bool WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool ok = std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string templatePath = TempPath(".tpl");
  static const std::string sgmlPath = TempPath(".sgml");
  if (!WriteFile(templatePath, data, size)) return 0;
  clKTF2SGML converter;
  if (converter.fgKTF2SGML_RecoverTemplate(templatePath.c_str(), sgmlPath.c_str()) != K2S_OK) {
    return 0;
  }
  const cl_Table<tBlock>* blocks = converter.fgKTF2SGML_GetBlocks();
  uint32_t leaders = 0;
  for (uint32_t i = 0; i < blocks->GetCount(); ++i) {
    if (blocks->GetAt(i)->leaderName != nullptr) ++leaders;
  }
  if (leaders > kMaxLeaders) return 0;
  for (const char* name : {"TI", "PA", "PA", "PN", "AB", "TI", "A", "B", ""}) {
    (void)converter.fgKTF2SGML_InsertKTFData(name, "v&a;l<u e");
  }
  (void)converter.fgKTF2SGML_InsertImageParam("f", "1", "2", "3", "4", "IMG");
  (void)converter.fgKTF2SGML_BuildSGMLFile();
  return 0;
}
