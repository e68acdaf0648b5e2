#include "server/RequestParams.h"

#include <algorithm>
#include <iterator>

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string FormDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
               HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

bool RequestParams::AddForm(std::string_view body) {
  // Counted before anything is decoded, so a body of many tiny pairs costs
  // no memory.
  size_t pairs = params_.size();
  for (size_t start = 0; start <= body.size();) {
    size_t end = std::min(body.find('&', start), body.size());
    if (end > start && ++pairs > kMaxParams) return false;
    start = end + 1;
  }
  size_t start = 0;
  while (start <= body.size()) {
    size_t end = body.find('&', start);
    if (end == std::string_view::npos) end = body.size();
    std::string_view pair = body.substr(start, end - start);
    if (!pair.empty()) {
      size_t equals = pair.find('=');
      std::string name = FormDecode(pair.substr(0, equals));
      std::string value =
          equals == std::string_view::npos ? "" : FormDecode(pair.substr(equals + 1));
      params_.emplace(std::move(name), std::move(value));
    }
    start = end + 1;
  }
  return true;
}

std::string RequestParams::Get(const std::string& name, const std::string& fallback) const {
  auto range = params_.equal_range(name);
  if (range.first == range.second) return fallback;
  return std::prev(range.second)->second;
}

bool RequestParams::ReadCount(const std::string& name, size_t& value) const {
  if (!Has(name)) return true;
  std::string text = Get(name);
  if (text.empty() || text.size() > 9) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  value = std::stoul(text);
  return true;
}
