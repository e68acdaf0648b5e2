#pragma once

#include <string>

// The path of a file bundled with the tool under examples/ (`relative` is
// the path inside it, such as "templates/patent.tpl"): in the source tree
// the tool was built from, else beside the executable or one folder up.
// When none exists, the source tree's path, for the caller's message.
std::string BundledFile(const std::string& relative);
