#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "bundle/BundledData.h"
#include "session/CriteriaProfile.h"
#include "session/LineEncoding.h"
#include "tools/CommandRegistry.h"
#include "tools/InputFile.h"
#include "translator/KTF_COMMAND.h"
#include "translator/VERGER_CONFIG.h"
#include "translator/VERGER_MODE.h"

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kCriteriaFileName = "criteria.ini";

// Names of the command kinds, by VERGER_COMMAND_TYPE.
const char* const kCommandNames[] = {
    "NONE",  "STOP", "INDEX",       "SAVE", "UPDATE", "HISTORY", "ERASE",  "LIST", "BROWSE",
    "PRINT", "SORT", "INFORMATION", "HELP", "SEARCH", "EXECUTE", "FIELDS", "FILE", "KEEP",
};

Json numbers(const int32_t* list, int32_t count) {
  return Json(std::vector<int32_t>(list, list + count));
}

Json optionalText(const char* text) { return text == nullptr ? Json(nullptr) : Json(text); }

// The fields that a successful command of this kind has set, in record order.
Json commandFields(const KTF_COMMAND& cmd) {
  Json fields = Json::object();
  switch (cmd.type) {
    case CMD_STOP:
      fields["stop_save"] = cmd.stop_save;
      break;
    case CMD_INDEX:
      fields["index_field"] = optionalText(cmd.index_field);
      fields["index_term"] = optionalText(cmd.index_term);
      break;
    case CMD_SAVE:
      fields["save_se"] = cmd.save_se;
      fields["save_name"] = cmd.save_name;
      break;
    case CMD_ERASE:
      fields["erase_mode"] = cmd.erase_mode;
      fields["erase_count"] = cmd.erase_count;
      if (cmd.erase_mode == 2) fields["erase_list"] = numbers(cmd.erase_list, cmd.erase_count);
      break;
    case CMD_BROWSE:
      fields["browse_number"] = cmd.browse_number;
      break;
    case CMD_PRINT:
      fields["print_count"] = cmd.print_count;
      fields["print_list"] = numbers(cmd.print_list, cmd.print_count);
      break;
    case CMD_HELP:
      fields["help_topic"] = optionalText(cmd.help_topic);
      break;
    case CMD_SEARCH:
      fields["expression"] = optionalText(cmd.expression);
      break;
    case CMD_EXECUTE:
      fields["exec_from"] = cmd.exec_from;
      fields["exec_name"] = cmd.exec_name;
      break;
    case CMD_FILE:
      fields["file_name"] = cmd.file_name;
      fields["file_mode"] = cmd.file_mode;
      break;
    case CMD_KEEP:
      fields["keep_count"] = cmd.keep_count;
      fields["keep_list"] = numbers(cmd.keep_list, cmd.keep_count);
      break;
    case CMD_NONE:
    case CMD_UPDATE:
    case CMD_HISTORY:
    case CMD_LIST:
    case CMD_SORT:
    case CMD_INFORMATION:
    case CMD_FIELDS:
      break;
  }
  return fields;
}

// The texts are UTF-8 (under the C locale the bytes read, which may not be:
// those come out as U+FFFD rather than failing the output).
std::string dump(const Json& value) {
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// One line of text output: "  PRINT print_count=5 print_list=1,3,4" or "  error 5: ...".
std::string textResult(const Json& result) {
  if (result.contains("refused")) return "  refused: " + result["refused"].get<std::string>();
  if (result["code"] != 0) {
    return "  error " + dump(result["code"]) + ": " + result["message"].get<std::string>();
  }
  std::string text = "  " + result["command"].get<std::string>();
  for (const auto& [key, value] : result.items()) {
    if (key == "line" || key == "code" || key == "command") continue;
    text += " " + key + "=";
    if (value.is_array()) {
      for (std::size_t i = 0; i < value.size(); ++i) text += (i ? "," : "") + dump(value[i]);
    } else {
      text += dump(value);
    }
  }
  return text;
}

class Session {
 public:
  Session(bool json, bool echo) : json_(json), echo_(echo) {}
  VERGER_CONFIG& config() { return config_; }

  // Prints the result of one line; true when the line was accepted. The line
  // is in the locale's encoding; the translator gets it in code page 850,
  // and its texts are shown in the locale's encoding again (JSON: UTF-8).
  bool translate(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const LineEncoding::Line ready = encoding_.ForTranslator(line);
    Json result;
    result["line"] = ready.utf8;
    if (ready.refusal) {
      result["refused"] = *ready.refusal;
      show(line, result);
      return false;
    }
    std::vector<char> buffer(ready.translator.begin(), ready.translator.end());
    buffer.push_back('\0');
    const VERGER_ERROR code = mode_.command(buffer.data(), &config_, cmd_);
    result["code"] = static_cast<int>(code);
    if (!ready.folded.empty()) result["folded"] = ready.folded;
    if (code != SYNTAX_OK) {
      result["message"] = mode_.geterrormsg(code);
    } else {
      result["command"] = kCommandNames[cmd_.type];
      const Json fields = commandFields(cmd_);
      for (const auto& [key, value] : fields.items()) {
        result[key] = value.is_string() && !ready.passed
                          ? Json(encoding_.FromTranslator(value.get<std::string>()))
                          : value;
      }
    }
    show(line, result);
    return code == SYNTAX_OK;
  }

 private:
  void show(const std::string& line, const Json& result) const {
    if (json_) {
      std::cout << dump(result) << '\n';
    } else {
      if (echo_) std::cout << line << '\n';
      std::cout << encoding_.ForUser(textResult(result)) << '\n';
    }
  }

  LineEncoding encoding_;
  bool json_;
  bool echo_;
  VERGER_CONFIG config_;
  VERGER_MODE mode_;
  KTF_COMMAND cmd_;
};

int runTranslate(const std::string& criteria, bool json, const std::vector<std::string>& lines) {
  const bool interactive = lines.empty() && isatty(STDIN_FILENO) != 0;
  Session session(json, !interactive);
  std::string error = InputFile::Problem(criteria);
  if (!error.empty() || !LoadCriteriaProfile(criteria, session.config(), error)) {
    std::cerr << "sorrel translate: " << error << '\n';
    return 1;
  }
  // Lines given as arguments are a one-shot job: a refused line fails it. A
  // session on standard input is a dialogue in which a refused line is an
  // answer like any other, so it ends well whatever the lines were.
  if (!lines.empty()) {
    bool allAccepted = true;
    for (const std::string& line : lines) allAccepted = session.translate(line) && allAccepted;
    return allAccepted ? 0 : 2;
  }
  std::string line;
  while (true) {
    if (interactive) std::cout << "verger> " << std::flush;
    if (!std::getline(std::cin, line)) break;
    session.translate(line);
    std::cout << std::flush;
  }
  if (interactive) std::cout << '\n';
  return 0;
}

const bool registered = RegisterCommand([](CLI::App& app, int& exitCode) {
  CLI::App* command = app.add_subcommand(
      "translate",
      "Translate VERGER lines (arguments, or standard input one line at a time) into KTF "
      "commands.\nExit status: 0; 1 when the criteria file cannot be read; 2 when a line given "
      "as an argument is refused.");
  auto criteria = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  auto lines = std::make_shared<std::vector<std::string>>();
  command->add_option("--criteria", *criteria,
                      "Criteria profile ([CRITERIA] Known=..., Default=...); "
                      "default: the bundled examples/criteria.ini");
  command->add_flag("--json", *json, "Print one JSON object a line");
  command->add_option("lines", *lines, "Lines to translate; without them, standard input is read");
  command->callback([&exitCode, criteria, json, lines] {
    std::string file = *criteria, error;
    if (file.empty() && !BundledData::Find(kCriteriaFileName, file, error)) {
      std::fprintf(stderr, "sorrel translate: %s\n", error.c_str());
      exitCode = 1;
      return;
    }
    exitCode = runTranslate(file, *json, *lines);
  });
});

}  // namespace
