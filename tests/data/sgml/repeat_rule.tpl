& A repeat rule whose value ends with the separator: the last occurrence is empty.
TEMPLATE
{ "<AUTHORS>\n"
  { LEADER=(AU) "<AU>" [(AU) "%s"] "</AU>\n" }
  { [(TI) "<TI>%s</TI>\n"] }
"</AUTHORS>\n" }
REPLACE (AU) ";" NEW_FIELD
