#include "net/HttpAuthenticator.h"

void HttpAuthenticator::OnUnknownAuthorityAccepted(HttpRequest&) {}
