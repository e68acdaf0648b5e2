#include "iac/IacAuthenticationResponse.h"

IacAuthenticationResponse::IacAuthenticationResponse() = default;

IacAuthenticationResponse::IacAuthenticationResponse(const IacAuthenticationResponse& other) =
    default;

IacAuthenticationResponse& IacAuthenticationResponse::operator=(
    const IacAuthenticationResponse& other) = default;

IacAuthenticationResponse::~IacAuthenticationResponse() = default;
