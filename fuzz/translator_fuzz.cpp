// Feeds arbitrary text to the VERGER translator, one line at a time, through
// one session, so state carried between lines (default criteria, leading
// operator) is exercised too. Each input starts a fresh session.
#include <cstddef>
#include <cstdint>
#include <string>

#include "translator/KTF_COMMAND.h"
#include "translator/VERGER_CONFIG.h"
#include "translator/VERGER_MODE.h"

namespace {

void registerCriteria(VERGER_CONFIG& config) {
  for (const char* name : {"TI", "AB", "CL", "PA", "PD", "IC", "", "X"}) {
    std::string known = name;
    (void)config.add_criter(known.data(), CRIT_KNOWN);
  }
  for (const char* name : {"TI", "AB"}) {
    std::string fallback = name;
    (void)config.add_criter(fallback.data(), CRIT_DEFAULT);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  VERGER_CONFIG config;
  registerCriteria(config);
  VERGER_MODE mode;
  KTF_COMMAND cmd;
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::size_t start = 0;
  while (start <= input.size()) {
    std::size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    std::string line = input.substr(start, end - start);
    const VERGER_ERROR code = mode.command(line.data(), &config, cmd);
    (void)mode.geterrormsg(code);
    start = end + 1;
  }
  return 0;
}
