#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

// The parameters of one request: those of its query string and, for a
// form-encoded body, those of the body. A form may repeat a name; the value
// sent last wins.
class RequestParams {
 public:
  using Map = std::multimap<std::string, std::string>;

  RequestParams() = default;
  explicit RequestParams(Map params) : params_(std::move(params)) {}

  // Adds the pairs of the form-encoded `body` ("a=1&b=x+y", also a query
  // string): "+" reads as a space, "%XX" as its byte; a "%" without two hex
  // digits stays as it is; a pair splits at its first "=" only, and a pair
  // without one has an empty value. False, with nothing added, when the
  // request would then hold more than kMaxParams parameters.
  bool AddForm(std::string_view body);
  // The last value sent for `name`, or `fallback` when there is none.
  std::string Get(const std::string& name, const std::string& fallback = "") const;
  bool Has(const std::string& name) const { return params_.count(name) > 0; }
  // Reads `name` as a decimal count of at most nine digits into `value`.
  // True when `name` is absent (`value` untouched) or such a count; false
  // for anything else, `value` then untouched.
  bool ReadCount(const std::string& name, size_t& value) const;

  // The most parameters one request may carry; every operation needs a handful.
  static constexpr size_t kMaxParams = 256;

 private:
  Map params_;
};
