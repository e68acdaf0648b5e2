#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "server/SearchEngine.h"

// The open sessions of a server, keyed by the "JSESSIONID" cookie value, and
// a bounded memory of the sessions it closed, so a request that comes with a
// closed session's cookie learns why. One user has at most one open session:
// a new login closes the previous one ("shared" away). Thread-safe.
class SessionTable {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Status { kOpen, kUnknown, kExpired, kShared };

  // A session ends when idle for `timeout`, and at the latest `lifetime`
  // after its login however busy it is.
  SessionTable(std::chrono::seconds timeout, std::chrono::seconds lifetime)
      : timeout_(timeout), lifetime_(lifetime) {}

  // Opens a session for `user` and returns its id; `previousClosed` tells
  // whether the user's earlier open session was closed by it.
  std::string Open(const std::string& user, bool& previousClosed);
  // The state of session `id`; an open session's idle clock restarts, one
  // idle past the timeout or older than the lifetime is closed and reported
  // expired.
  Status Touch(const std::string& id);
  // Closes session `id` when open; unknown ids are ignored.
  void Close(const std::string& id);
  // Records `hits` as the session's next result set and returns its number
  // ($1 first); 0 when the session is not open. Only the latest kKeptSets
  // sets are kept.
  int AddSet(const std::string& id, std::shared_ptr<const SearchEngine::HitList> hits);
  // The session's result sets, dropped ones as null; empty when not open.
  SearchEngine::Sets SetsOf(const std::string& id);
  size_t OpenCount();

  static constexpr size_t kKeptSets = 20;
  static constexpr size_t kRememberedClosed = 10000;

 private:
  struct Session {
    std::string user;
    Clock::time_point opened;
    Clock::time_point lastUse;
    SearchEngine::Sets sets;
  };
  void Remember(const std::string& id, Status why);
  void SweepLocked(Clock::time_point now);
  bool Ended(const Session& session, Clock::time_point now) const {
    return now - session.lastUse > timeout_ || now - session.opened > lifetime_;
  }

  std::chrono::seconds timeout_;
  std::chrono::seconds lifetime_;
  std::mutex mutex_;
  std::map<std::string, Session> open_;
  std::map<std::string, std::string> byUser_;  // user -> open session id
  std::map<std::string, Status> closed_;       // id -> why it closed
  std::deque<std::string> closedOrder_;        // oldest first, to bound closed_
  Clock::time_point lastSweep_{};
};
