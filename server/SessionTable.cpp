#include "server/SessionTable.h"

#include <cstdio>
#include <random>

namespace {

std::string NewId() {
  static std::mutex mutex;
  static std::random_device device;
  std::lock_guard<std::mutex> lock(mutex);
  std::string id;
  for (int i = 0; i < 4; ++i) {
    char part[9];
    std::snprintf(part, sizeof part, "%08X", static_cast<unsigned>(device()));
    id += part;
  }
  return id;
}

}  // namespace

std::string SessionTable::Open(const std::string& user, bool& previousClosed) {
  std::string id = NewId();
  std::lock_guard<std::mutex> lock(mutex_);
  Clock::time_point now = Clock::now();
  SweepLocked(now);
  previousClosed = false;
  auto previous = byUser_.find(user);
  if (previous != byUser_.end()) {
    open_.erase(previous->second);
    Remember(previous->second, Status::kShared);
    previousClosed = true;
  }
  open_[id] = Session{user, now, now, {}};
  byUser_[user] = id;
  return id;
}

SessionTable::Status SessionTable::Touch(const std::string& id) {
  std::lock_guard<std::mutex> lock(mutex_);
  Clock::time_point now = Clock::now();
  SweepLocked(now);
  auto found = open_.find(id);
  if (found != open_.end()) {
    if (Ended(found->second, now)) {
      byUser_.erase(found->second.user);
      open_.erase(found);
      Remember(id, Status::kExpired);
      return Status::kExpired;
    }
    found->second.lastUse = now;
    return Status::kOpen;
  }
  auto closed = closed_.find(id);
  return closed == closed_.end() ? Status::kUnknown : closed->second;
}

void SessionTable::Close(const std::string& id) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = open_.find(id);
  if (found == open_.end()) return;
  byUser_.erase(found->second.user);
  open_.erase(found);
}

int SessionTable::AddSet(const std::string& id, std::shared_ptr<const SearchEngine::HitList> hits) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = open_.find(id);
  if (found == open_.end()) return 0;
  auto& sets = found->second.sets;
  sets.push_back(std::move(hits));
  if (sets.size() > kKeptSets) sets[sets.size() - kKeptSets - 1].reset();
  return static_cast<int>(sets.size());
}

SearchEngine::Sets SessionTable::SetsOf(const std::string& id) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = open_.find(id);
  return found == open_.end() ? SearchEngine::Sets{} : found->second.sets;
}

size_t SessionTable::OpenCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_.size();
}

void SessionTable::Remember(const std::string& id, Status why) {
  if (closed_.emplace(id, why).second) closedOrder_.push_back(id);
  while (closedOrder_.size() > kRememberedClosed) {
    closed_.erase(closedOrder_.front());
    closedOrder_.pop_front();
  }
}

// Closes, once a second at most, every session that has ended, so
// abandoned sessions do not pile up.
void SessionTable::SweepLocked(Clock::time_point now) {
  if (now - lastSweep_ < std::chrono::seconds(1)) return;
  lastSweep_ = now;
  for (auto it = open_.begin(); it != open_.end();) {
    if (Ended(it->second, now)) {
      byUser_.erase(it->second.user);
      Remember(it->first, Status::kExpired);
      it = open_.erase(it);
    } else {
      ++it;
    }
  }
}
