#include "net/ParsedUrl.h"

ParsedUrl::ParsedUrl() : port(0), serviceType(0) {}

ParsedUrl::~ParsedUrl() = default;
