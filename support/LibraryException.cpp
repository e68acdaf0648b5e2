#include "support/LibraryException.h"

LibraryException::LibraryException(const CString& message) : Exception(message) {}

LibraryException::LibraryException(const LibraryException& other) = default;

LibraryException& LibraryException::operator=(const LibraryException& other) = default;

LibraryException::~LibraryException() = default;
