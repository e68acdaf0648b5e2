#pragma once

#include <string>
#include <vector>

#include "session/Strategy.h"

// The saved strategies of a user: one readable text file NAME.strategy per
// name in one folder (by default $XDG_DATA_HOME/sorrel/strategies, else
// ~/.local/share/sorrel/strategies). A strategy is written to a temporary
// file beside its target, flushed to the disk and renamed over it, so a
// session killed on the way leaves the old file or the new one, never half
// of one. Names are plain: letters, digits, '-', '_' and '.', not starting
// with '.', so no name leaves the folder.
class StrategyStore {
 public:
  static constexpr size_t kLongestName = 127;  // as the translator's name fields hold

  // The store in `folder` (made on the first Save); nothing is read yet.
  explicit StrategyStore(std::string folder);
  // The default folder from the environment; "" when neither
  // XDG_DATA_HOME nor HOME is set.
  static std::string DefaultFolder();

  const std::string& folder() const { return folder_; }
  // Why `name` cannot name a strategy ("" when it can).
  static std::string NameProblem(const std::string& name);
  // The file of strategy `name` (a valid name).
  std::string PathOf(const std::string& name) const;

  // Writes `strategy` under `name`, replacing an earlier one whole. False
  // with `error` set when the name is refused or the file cannot be written
  // (the earlier file then stays as it was).
  bool Save(const std::string& name, const Strategy& strategy, std::string& error) const;
  // Reads strategy `name`; false with `error` set when it is refused,
  // missing or not a strategy.
  bool Load(const std::string& name, Strategy& strategy, std::string& error) const;
  // Removes strategy `name`; false with `error` set when it is refused or
  // there is no such strategy.
  bool Erase(const std::string& name, std::string& error) const;

 private:
  std::string folder_;
};
