#pragma once

#include <string>

#include "imaging/PngFile.h"

// Reads a PNG picture named on the command line: the checks of InputFile,
// then its signature, then libpng. False with one line naming the path in
// *error ("X is empty", "X is not a PNG picture", "cannot decode X: ...").
bool ReadPicture(const std::string& path, RgbImage* picture, std::string* error);
