#include "session/SessionText.h"

#include <algorithm>
#include <ctime>
#include <nlohmann/json.hpp>

namespace {

constexpr size_t kShownLine = 100;  // bytes of a line shown

}  // namespace

std::string Printable(const std::string& line) {
  std::string shown;
  // A long line is cut between characters, not inside a UTF-8 sequence.
  size_t end = std::min(line.size(), kShownLine);
  while (end < line.size() && end > 0 && (line[end] & 0xC0) == 0x80) --end;
  for (size_t i = 0; i < end; ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    shown += (c < 0x20 || c == 0x7f) ? '?' : static_cast<char>(c);
  }
  if (line.size() > kShownLine) shown += "... (" + std::to_string(line.size()) + " characters)";
  return shown;
}

std::string ListText(const std::vector<int>& numbers) {
  std::string text = "[";
  for (size_t i = 0; i < numbers.size(); ++i) {
    text += (i == 0 ? "" : ",") + std::to_string(numbers[i]);
  }
  return text + "]";
}

std::string ListText(const std::vector<std::string>& texts) {
  // nlohmann_json quotes as the JSON lines do, and turns each byte sequence
  // that is not UTF-8 into U+FFFD.
  return nlohmann::json(texts).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string UtcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  ::gmtime_r(&now, &utc);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return stamp;
}
