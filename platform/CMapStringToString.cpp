#include "platform/CMapStringToString.h"

// Defined here so that the class and its base's code live in the library.
CMapStringToString::CMapStringToString() = default;

CMapStringToString::~CMapStringToString() = default;
