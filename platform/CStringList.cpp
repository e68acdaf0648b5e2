#include "platform/CStringList.h"

// Defined here so that the class and its base's code live in the library.
CStringList::CStringList() = default;

CStringList::~CStringList() = default;

CStringList::CStringList(const CStringList& other) = default;

CStringList& CStringList::operator=(const CStringList& other) = default;
