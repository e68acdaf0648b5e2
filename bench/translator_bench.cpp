// Translation throughput of the VERGER translator on a realistic mix of
// command lines and 5- to 30-token search lines, next to a reference that only
// copies each line and splits it into tokens. Both report lines per second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "translator/KTF_COMMAND.h"
#include "translator/VERGER_CONFIG.h"
#include "translator/VERGER_MODE.h"

namespace {

const std::vector<std::string>& sessionLines() {
  static const std::vector<std::string> lines = {
      "..PR 1,3-5 7",
      "solar OR photovoltaic",
      "(solar OR photovoltaic)/TI AND (cell OR module OR panel)",
      "battery AND (lithium OR sodium) W ion AND electrolyte/AB",
      "..BR 12",
      "engine 5W (turbo OR supercharger) ANDNOT diesel AND (exhaust OR emission)/CL",
      "/PD >=2000 AND compressor AND (valve OR seal OR gasket)",
      "..EX 3 FROM archive",
      "pump AND impeller AND (radial OR axial OR mixed) AND housing/TI AND COMPUT+ AND "
      "motor (3d) shaft",
      "AND brake disc caliper",
      "..ER 2,4 6-9",
      "heat exchanger OR (plate AND fin)/AB OR tube P bundle",
      "$3 AND (sensor OR detector) AND (optical OR infrared) AND signal AND processing AND "
      "filter AND (kalman OR adaptive) AND noise",
      "..SAVE SE myquery",
      "/IC A61K AND (tablet OR capsule) AND (release OR coating) W (sustained OR delayed)",
  };
  return lines;
}

void BM_Translate(benchmark::State& state) {
  VERGER_CONFIG config;
  for (const char* name : {"TI", "AB", "CL", "PA", "PD", "IC"}) {
    std::string known = name;
    (void)config.add_criter(known.data(), CRIT_KNOWN);
  }
  for (const char* name : {"TI", "AB"}) {
    std::string fallback = name;
    (void)config.add_criter(fallback.data(), CRIT_DEFAULT);
  }
  VERGER_MODE mode;
  KTF_COMMAND cmd;
  std::vector<std::string> lines = sessionLines();
  std::string restoreDefaults = "TI AB";
  for (auto _ : state) {
    for (std::string& line : lines) {
      const VERGER_ERROR code = mode.command(line.data(), &config, cmd);
      if (code != SYNTAX_OK) state.SkipWithError("a benchmark line was refused");
      benchmark::DoNotOptimize(cmd.expression);
    }
    config.change_default_criteria(restoreDefaults.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}
BENCHMARK(BM_Translate);

// What any front end does at least: copy the line and cut it into tokens.
void BM_CopyAndSplitReference(benchmark::State& state) {
  const std::vector<std::string>& lines = sessionLines();
  char copy[4096];
  for (auto _ : state) {
    for (const std::string& line : lines) {
      std::memcpy(copy, line.c_str(), line.size() + 1);
      int tokens = 0;
      char* cursor = copy;
      while (*cursor != '\0') {
        cursor += std::strspn(cursor, " ,");
        if (*cursor == '\0') break;
        cursor += std::strcspn(cursor, " ,");
        if (*cursor != '\0') *cursor++ = '\0';
        ++tokens;
      }
      benchmark::DoNotOptimize(tokens);
      benchmark::ClobberMemory();
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}
BENCHMARK(BM_CopyAndSplitReference);

}  // namespace
