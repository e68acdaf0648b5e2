#pragma once

#include <memory>
#include <vector>

#include "server/Answer.h"
#include "server/PatentBase.h"
#include "server/RequestParams.h"

// The patent register for the Java bridge: one patent's bibliographic data
// (from its base's documents), family members and legal events (from the
// base's register.ktf), as XML. Thread-safe as its bases are.
class PatentRegister {
 public:
  // Answers from `bases`, which the caller owns and keeps alive.
  explicit PatentRegister(std::vector<std::unique_ptr<PatentBase>>& bases) : bases_(bases) {}

  // Answers `register?country=CC&number=N&kind=K&biblio=1&family=1&legal=1`
  // with the parts asked: 400 when country, number or kind is missing, 404
  // ("patent not found") when no base holds the patent.
  void Lookup(const RequestParams& params, Answer& answer);

 private:
  std::vector<std::unique_ptr<PatentBase>>& bases_;
};
