#include "platform/CPtrList.h"

// Defined here so that the class and its base's code live in the library.
CPtrList::CPtrList() = default;

CPtrList::~CPtrList() = default;

CPtrList::CPtrList(const CPtrList& other) = default;

CPtrList& CPtrList::operator=(const CPtrList& other) = default;
