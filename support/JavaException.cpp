#include "support/JavaException.h"

JavaException::JavaException(const CString& message) : Exception(message) {}

JavaException::JavaException(const JavaException& other) = default;

JavaException& JavaException::operator=(const JavaException& other) = default;

JavaException::~JavaException() = default;
