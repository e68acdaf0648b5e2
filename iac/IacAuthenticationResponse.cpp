#include "iac/IacAuthenticationResponse.h"

#include "support/Logger.h"

IacAuthenticationResponse::IacAuthenticationResponse() : logger_(&Logger::getLogger("kernel")) {}

IacAuthenticationResponse::IacAuthenticationResponse(const IacAuthenticationResponse& other) =
    default;

IacAuthenticationResponse& IacAuthenticationResponse::operator=(
    const IacAuthenticationResponse& other) = default;

IacAuthenticationResponse::~IacAuthenticationResponse() = default;
