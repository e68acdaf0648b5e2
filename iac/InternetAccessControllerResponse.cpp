#include "iac/InternetAccessControllerResponse.h"

InternetAccessControllerResponse::InternetAccessControllerResponse() = default;

InternetAccessControllerResponse::~InternetAccessControllerResponse() { delete httpResponse_; }

bool InternetAccessControllerResponse::IsConnectionSuccessful() { return connectionSuccessful_; }

void InternetAccessControllerResponse::SetConnectionSuccessful(bool connectionSuccessful) {
  connectionSuccessful_ = connectionSuccessful;
}

bool InternetAccessControllerResponse::IsAccessAuthorized() { return accessAuthorized_; }

void InternetAccessControllerResponse::SetAccessAuthorized(bool accessAuthorized) {
  accessAuthorized_ = accessAuthorized;
}

HttpResponse* InternetAccessControllerResponse::GetHttpResponse() { return httpResponse_; }

void InternetAccessControllerResponse::SetHttpResponse(HttpResponse* response) {
  if (response == httpResponse_) return;
  delete httpResponse_;
  httpResponse_ = response;
}
