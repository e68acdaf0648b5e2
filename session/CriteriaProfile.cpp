#include "session/CriteriaProfile.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <vector>

#include "support/clAccessConfigFile.h"

namespace {

// The codes of a list separated by blanks or commas, in upper case.
std::vector<std::string> codes(const CString& list) {
  std::string spaced = list.str();
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
  // The profile reader answers a missing file with empty values; tell the
  // user the file itself is the problem.
  if (!std::ifstream(path, std::ios::binary)) {
    error = "cannot open criteria file '" + path + "'";
    return false;
  }
  clAccessConfigFile profile(path.c_str());
  CString knownList;
  CString defaultList;
  profile.mRead("CRITERIA", "Known", knownList);
  profile.mRead("CRITERIA", "Default", defaultList);
  std::vector<std::string> known = codes(knownList);
  const std::vector<std::string> defaults = codes(defaultList);
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
