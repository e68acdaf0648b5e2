#pragma once

#include <string>

#include "translator/VERGER_CONFIG.h"

// Fills a VERGER_CONFIG from a criteria profile: section [CRITERIA], key
// Known (the field codes that may follow a slash) and key Default (the
// criteria given to a term written without one), each a list of codes
// separated by blanks or commas. Codes are registered in upper case; every
// default criterion is also registered as known.
//
// The file is read through clAccessConfigFile, so the profile rules of the
// client's own settings files apply (names match without regard to case,
// the first copy wins, ";" starts a comment).
//
// Returns false with a message in `error` when the file cannot be read, has
// no Known criteria, or a criterion cannot be registered; `config` may then be
// partly filled.
[[nodiscard]] bool LoadCriteriaProfile(const std::string& path, VERGER_CONFIG& config,
                                       std::string& error);
