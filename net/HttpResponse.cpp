#include "net/HttpResponse.h"

#include "net/Bytes.h"

HttpResponse::HttpResponse() : connectionSuccessful(false), bytes(nullptr), statusCode(0) {}

HttpResponse::~HttpResponse() { delete bytes; }

bool HttpResponse::IsConnectionSuccessful() { return connectionSuccessful; }
void HttpResponse::SetConnectionSuccessful(bool successful) { connectionSuccessful = successful; }
unsigned long HttpResponse::GetStatusCode() { return statusCode; }
void HttpResponse::SetStatusCode(unsigned long value) { statusCode = static_cast<DWORD>(value); }
Bytes* HttpResponse::GetBytes() { return bytes; }

void HttpResponse::SetBytes(Bytes* newBytes) {
  if (newBytes != bytes) delete bytes;
  bytes = newBytes;
}

void HttpResponse::GetString(CString& text) {
  if (bytes) bytes->ToString(text);
}
