#include "server/LoginThrottle.h"

#include <algorithm>

bool LoginThrottle::MayTry(const std::string& user, const std::string& address) {
  std::lock_guard<std::mutex> lock(mutex_);
  Clock::time_point now = Clock::now();
  bool userBlocked = Blocked("u:" + user, now);
  bool addressBlocked = Blocked("a:" + address, now);
  return !userBlocked && !addressBlocked;
}

void LoginThrottle::Record(const std::string& user, const std::string& address, bool succeeded) {
  std::lock_guard<std::mutex> lock(mutex_);
  Clock::time_point now = Clock::now();
  if (succeeded) {
    records_.erase("u:" + user);
    return;
  }
  Fail("u:" + user, now);
  Fail("a:" + address, now);
  if (records_.size() > kMaxRecords) Trim(now);
}

bool LoginThrottle::Blocked(const std::string& key, Clock::time_point now) {
  auto found = records_.find(key);
  return found != records_.end() && now < found->second.retryAt;
}

void LoginThrottle::Fail(const std::string& key, Clock::time_point now) {
  Entry& record = records_[key];
  // A run of failures ends when none came for a lock's length.
  if (now - record.lastFailure >= limits_.lockoutTime) record.failures = 0;
  ++record.failures;
  record.lastFailure = now;
  if (record.failures >= limits_.lockoutFailures) {
    record.retryAt = now + limits_.lockoutTime;
    return;
  }
  if (record.failures <= kFreeFailures) {
    record.retryAt = now;
    return;
  }
  auto delay =
      limits_.firstDelay * (1LL << std::min<size_t>(record.failures - kFreeFailures - 1, 20));
  record.retryAt = now + std::min<Clock::duration>(delay, limits_.lockoutTime);
}

void LoginThrottle::Trim(Clock::time_point now) {
  std::erase_if(records_, [&](const auto& entry) {
    return now >= entry.second.retryAt && now - entry.second.lastFailure >= limits_.lockoutTime;
  });
  while (records_.size() > kMaxRecords) {
    auto oldest = std::min_element(
        records_.begin(), records_.end(),
        [](const auto& a, const auto& b) { return a.second.lastFailure < b.second.lastFailure; });
    records_.erase(oldest);
  }
}
