#include "support/Exception.h"

Exception::Exception() = default;

Exception::Exception(const CString& message) : message_(message) {}

Exception::Exception(const Exception& other) = default;

Exception& Exception::operator=(const Exception& other) = default;

Exception::~Exception() = default;

CString& Exception::GetMessageA() { return message_; }
