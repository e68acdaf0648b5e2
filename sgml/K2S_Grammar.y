/* Grammar of the template language: a TEMPLATE section of blocks and fields,
 * then an optional REPLACE section of rules. Each completed construct goes to
 * the K2S_TemplateBuilder; the first error ends the parse (no recovery). The
 * parser stack holds at most 150 states. */
%code requires {
#include <cstdint>
typedef void* yyscan_t;
class K2S_TemplateBuilder;
}

%code top {
#include <cstdio>
#include <string>
}

%code {
#include "sgml/K2S_TemplateBuilder.h"
#include "sgml/K2S_TemplateParser.h"
#include "sgml/yy_K2S_scan.h"

#define YYSTYPE K2S_STYPE
#include "K2S_Lexer.hpp"

#define YYINITDEPTH 150
#define YYMAXDEPTH 150

namespace {

yy_K2S_scan& Scan(yyscan_t scanner) { return *k2s_get_extra(scanner); }

void k2s_error(yyscan_t scanner, K2S_TemplateBuilder&, const char* message) {
  std::string text = message;
  if (text == "memory exhausted") {
    text = "Parser stack overflow";
  } else {
    // Name the token where the parse stopped, with control bytes spelt out.
    const char* token = k2s_get_text(scanner);
    if (token == nullptr || *token == '\0') {
      text = "Syntax error at the end of the template";
    } else {
      text = "Syntax error at \"";
      for (const char* p = token; *p != '\0' && p - token < 40; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c >= 0x7F) {
          char code[8];
          std::snprintf(code, sizeof code, "\\%03u", c);
          text += code;
        } else {
          text += static_cast<char>(c);
        }
      }
      text += "\"";
    }
  }
  Scan(scanner).error(text.c_str(), k2s_get_lineno(scanner));
}

}  // namespace

// A builder operation that refuses its construct ends the parse.
#define K2S_CHECK(call)                                          \
  do {                                                           \
    if (const char* refusal = (call)) {                          \
      Scan(scanner).error(refusal, k2s_get_lineno(scanner));     \
      YYABORT;                                                   \
    }                                                            \
  } while (0)
}

%define api.pure full
%define api.prefix {k2s_}
%lex-param { yyscan_t scanner }
%parse-param { yyscan_t scanner } { K2S_TemplateBuilder& builder }

%union {
  char* text;      /* NAME or STRING value, new[] */
  int32_t number;  /* NUMBER value */
}

%token TEMPLATE REPLACE LEADER FIELD_EXIST FIELD_NOT_EXIST NOT_EMPTY OFFSET LENGTH
%token NEW_FIELD CUT END_CUT LEX_ERROR ONE_CHAR
%token <text> NAME STRING
%token <number> NUMBER
%type <text> name_opt
%type <number> not_empty_opt offset_opt length_opt
%destructor { delete[] $$; } <text>

%%

template
  : TEMPLATE items rule_section_opt   { builder.Finish(); }
  ;

items
  : item
  | items item
  ;

item
  : block
  | field
  ;

block
  : block_open leader_opt exist_opt not_exist_opt begin_opt items end_opt '}'
                                      { builder.CloseBlock(); }
  ;

block_open
  : '{'                               { K2S_CHECK(builder.OpenBlock()); }
  ;

leader_opt
  : %empty
  | LEADER '=' NAME                   { builder.SetLeader($3); }
  ;

exist_opt
  : %empty
  | FIELD_EXIST '=' NAME              { builder.SetExist($3); }
  ;

not_exist_opt
  : %empty
  | FIELD_NOT_EXIST '=' NAME          { builder.SetNotExist($3); }
  ;

begin_opt
  : %empty
  | STRING                            { builder.SetBeginText($1); }
  ;

end_opt
  : %empty
  | STRING                            { builder.SetEndText($1); }
  ;

field
  : '[' NAME not_empty_opt offset_opt length_opt STRING ']'
                                      { K2S_CHECK(builder.AddField($2, $3, $4, $5, $6)); }
  ;

not_empty_opt
  : %empty                            { $$ = 1; }
  | NOT_EMPTY                         { $$ = 0; }
  ;

offset_opt
  : %empty                            { $$ = 0; }
  | OFFSET '=' NUMBER                 { $$ = $3; }
  ;

length_opt
  : %empty                            { $$ = -1; }
  | LENGTH '=' NUMBER                 { $$ = $3; }
  ;

rule_section_opt
  : %empty
  | REPLACE rules
  ;

rules
  : rule
  | rules rule
  ;

rule
  : name_opt STRING STRING            { K2S_CHECK(builder.AddReplacement($1, $2, $3)); }
  | name_opt STRING NEW_FIELD         { K2S_CHECK(builder.AddRepeat($1, $2)); }
  | name_opt CUT STRING NAME NAME name_opt END_CUT
                                      { K2S_CHECK(builder.AddSplit($1, $3, $4, $5, $6)); }
  ;

name_opt
  : %empty                            { $$ = nullptr; }
  | NAME                              { $$ = $1; }
  ;

%%

bool K2S_ParseTemplate(yy_K2S_scan& scan, K2S_TemplateBuilder& builder) {
  yyscan_t scanner = nullptr;
  if (k2s_lex_init_extra(&scan, &scanner) != 0) {
    scan.error("No space for scanner!", 0);
    return false;
  }
  int result;
  try {
    result = k2s_parse(scanner, builder);
  } catch (const K2S_ScannerFatal&) {
    result = 2;
  }
  k2s_lex_destroy(scanner);
  return result == 0 && !scan.failed();
}
