#pragma once

#include "sgml/K2S_TemplateBuilder.h"
#include "sgml/yy_K2S_scan.h"

// Parses the template that `scan` reads into `builder` with the generated
// scanner (token at most 100 characters) and LALR parser (stack of 150
// states). True on success; on failure `scan` holds the first error and its
// line, and `builder` holds what was built before it. Never throws for bad
// input; std::bad_alloc passes through.
bool K2S_ParseTemplate(yy_K2S_scan& scan, K2S_TemplateBuilder& builder);
