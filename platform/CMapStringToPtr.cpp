#include "platform/CMapStringToPtr.h"

// Defined here so that the class and its base's code live in the library.
CMapStringToPtr::CMapStringToPtr() = default;

CMapStringToPtr::~CMapStringToPtr() = default;
