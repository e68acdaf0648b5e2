#pragma once

#include "tests/servers/ScopedEnvironment.h"

// Short time limits, no proxy and no extra trusted authority, for the length
// of a test; more variables can be set on it.
class LoopbackEnvironment : public ScopedEnvironment {
 public:
  LoopbackEnvironment() {
    WithoutProxies()
        .Set("SORREL_HTTP_CONNECT_TIMEOUT", "2")
        .Set("SORREL_HTTP_IDLE_TIMEOUT", "1.5")
        .Clear("SORREL_HTTP_CA_FILE")
        .Clear("SORREL_HTTP_MAX_ANSWER_MB");
  }
};
