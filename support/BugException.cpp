#include "support/BugException.h"

BugException::BugException(const CString& message) : Exception(message) {}

BugException::BugException(const BugException& other) = default;

BugException& BugException::operator=(const BugException& other) = default;

BugException::~BugException() = default;
