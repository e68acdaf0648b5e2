#include "support/JavaControllerException.h"

JavaControllerException::JavaControllerException(const CString& message) : Exception(message) {}

JavaControllerException::JavaControllerException(const JavaControllerException& other) = default;

JavaControllerException& JavaControllerException::operator=(const JavaControllerException& other) =
    default;

JavaControllerException::~JavaControllerException() = default;
