#pragma once

// Marks a class or function as part of the library's public interface. The
// library is built with hidden visibility, so anything not marked stays
// internal to libSORRELKernel.so.
#define SORREL_EXPORT __attribute__((visibility("default")))
