#include "session/SessionSummary.h"

void SessionSummary::Count(const ServerEvent& event) {
  EventCount& count = events[event.Name()];
  ++count.times;
  count.latestText = event.text;
}
