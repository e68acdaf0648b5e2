#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>

// Slows down and then locks out password guessing, per user name and per
// client address. The first kFreeFailures failures in a row cost nothing
// (a typo, a client that retries once); after each further one the same
// user, and the same address, may not try again for a delay that starts at
// `firstDelay` and doubles; after `lockoutFailures` failures in a row the
// user (or address) is locked for `lockoutTime`. A success clears the user's count; an address's
// count is forgotten once it has made no failure for `lockoutTime`. Thread-safe.
class LoginThrottle {
 public:
  using Clock = std::chrono::steady_clock;
  struct Limits {
    std::chrono::milliseconds firstDelay{1000};  // wait after the first failure not free
    size_t lockoutFailures = 10;                 // failures in a row that lock
    std::chrono::seconds lockoutTime{900};       // how long a lock lasts
  };

  static constexpr size_t kFreeFailures = 3;

  explicit LoginThrottle(Limits limits) : limits_(limits) {}

  // True when `user` from `address` may try a password now; false while
  // either is locked or still within its delay. Not counted as a failure.
  bool MayTry(const std::string& user, const std::string& address);
  // Records the outcome of a login that MayTry let through.
  void Record(const std::string& user, const std::string& address, bool succeeded);

 private:
  struct Entry {
    size_t failures = 0;
    Clock::time_point lastFailure{};
    Clock::time_point retryAt{};  // no try before this (the delay or the lock)
  };

  bool Blocked(const std::string& key, Clock::time_point now);
  void Fail(const std::string& key, Clock::time_point now);
  void Trim(Clock::time_point now);

  // Records kept at most; past it, the stale ones and then the oldest go.
  static constexpr size_t kMaxRecords = 10000;

  Limits limits_;
  std::mutex mutex_;
  std::map<std::string, Entry> records_;  // "u:NAME" and "a:ADDRESS"
};
