#include "tools/CriteriaProfile.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

namespace {

std::string trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

bool sameNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

// The value of `key` in `section`, or nothing when either is missing.
std::optional<std::string> readValue(std::istream& in, const std::string& section,
                                     const std::string& key) {
  in.clear();
  in.seekg(0);
  bool inSection = false;
  bool sectionSeen = false;
  std::string line;
  while (std::getline(in, line)) {
    line = trim(line);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const auto close = line.find(']');
      std::string name = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
      name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
      // The first copy of a section wins; later copies are not read.
      inSection = !sectionSeen && sameNoCase(name, section);
      sectionSeen = sectionSeen || inSection;
      continue;
    }
    const auto equals = line.find('=');
    if (!inSection || equals == std::string::npos) continue;
    if (!sameNoCase(trim(line.substr(0, equals)), key)) continue;
    std::string value = trim(line.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return value;
  }
  return std::nullopt;
}

std::vector<std::string> codes(const std::string& list) {
  std::string spaced = list;
  std::replace(spaced.begin(), spaced.end(), ',', ' ');
  std::istringstream words(spaced);
  std::vector<std::string> result;
  for (std::string code; words >> code;) {
    for (char& c : code) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    result.push_back(code);
  }
  return result;
}

}  // namespace

bool LoadCriteriaProfile(const std::string& path, VERGER_CONFIG& config, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open criteria file '" + path + "'";
    return false;
  }
  std::vector<std::string> known = codes(readValue(in, "CRITERIA", "Known").value_or(""));
  const std::vector<std::string> defaults =
      codes(readValue(in, "CRITERIA", "Default").value_or(""));
  if (known.empty()) {
    error = "criteria file '" + path + "' has no [CRITERIA] Known= list";
    return false;
  }
  for (const std::string& code : defaults) {
    if (std::find(known.begin(), known.end(), code) == known.end()) known.push_back(code);
  }
  for (std::string code : known) {
    if (config.add_criter(code.data(), CRIT_KNOWN) != 1) {
      error = "cannot register criterion '" + code + "'";
      return false;
    }
  }
  for (std::string code : defaults) {
    if (config.add_criter(code.data(), CRIT_DEFAULT) != 1) {
      error = "default criteria of '" + path + "' exceed 127 characters";
      return false;
    }
  }
  return true;
}
