// Linked into every test folder's program. Test programs live in
// build/tests/NAME, away from the build folder's share/sorrel, so they read
// the bundled files from the sources' examples/; an environment that names
// another folder keeps it.
#include <stdlib.h>

namespace {
[[maybe_unused]] const int kDataFolderSet =
    ::setenv("SORREL_DATA_DIR", SORREL_SOURCE_DIR "/examples", 0);
}  // namespace
