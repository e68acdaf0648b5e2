#pragma once

#include <string>
#include <vector>

// Decodes the page of a single-strip bilevel TIFF file with libtiff and
// writes it as a grey PNG to look at. False with the reason in *error. What
// libtiff said on the way goes to *notes, except its remark on the binary
// Artist entry, which holds the CROFT header by design.
bool WritePagePreview(const std::string& tiffPath, const std::string& pngPath,
                      std::vector<std::string>* notes, std::string* error);
