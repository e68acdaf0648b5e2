#pragma once

#include <string>

// The path of a file bundled with the programs (`relative` is its path under
// share/sorrel, such as "templates/patent.tpl"), found by BundledData from
// the program's own location or SORREL_DATA_DIR. When no folder holds it,
// the reason (the file and every folder looked in) goes to the diagnostic
// sink as a warning and the path in the first folder comes back, for the
// caller's own failure message.
std::string BundledFile(const std::string& relative);
