#pragma once

#include <string>
#include <vector>

// Collects what libtiff reports while it lives, instead of letting libtiff
// print it; the previous handlers come back at its end. libtiff's handlers
// are process-wide, so one at a time, on one thread.
class TiffMessages {
 public:
  TiffMessages();
  ~TiffMessages();
  TiffMessages(const TiffMessages&) = delete;
  TiffMessages& operator=(const TiffMessages&) = delete;

  // What libtiff said since construction, each as "MODULE: text".
  const std::vector<std::string>& warnings() const;
  const std::vector<std::string>& errors() const;
};
