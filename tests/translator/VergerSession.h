#pragma once

#include <string>

#include "translator/KTF_COMMAND.h"
#include "translator/VERGER_CONFIG.h"
#include "translator/VERGER_MODE.h"

// One client session: TI and AB are known and the default criteria, PD and
// the other criteria are known only.
struct VergerSession {
  VergerSession() {
    for (const char* name : {"TI", "AB", "PD", "PA", "IC"}) add(name, CRIT_KNOWN);
    add("TI", CRIT_DEFAULT);
    add("AB", CRIT_DEFAULT);
  }

  void add(std::string name, TYPE_CRIT kind) {
    if (config.add_criter(name.data(), kind) != 1) throw std::runtime_error("add_criter " + name);
  }

  VERGER_ERROR run(std::string line) { return mode.command(line.data(), &config, cmd); }

  // The translation of a search line, or "error N" when it is refused.
  std::string translate(std::string line) {
    const VERGER_ERROR code = run(std::move(line));
    if (code != SYNTAX_OK) return "error " + std::to_string(code);
    return cmd.expression;
  }

  VERGER_CONFIG config;
  VERGER_MODE mode;
  KTF_COMMAND cmd;
};
