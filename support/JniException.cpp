#include "support/JniException.h"

JniException::JniException(const CString& message) : Exception(message) {}

JniException::JniException(const JniException& other) = default;

JniException& JniException::operator=(const JniException& other) = default;

JniException::~JniException() = default;
