& The SGML form of a patent document (patent.dtd). The begin text of a block
& is written before its first printed field, so a section without data
& leaves no trace. A LEADER block is walked once per occurrence of its
& field; it repeats when the walk reaches the next block, so every section
& is an unconditional block and the document ends with one (PD).
TEMPLATE
{ "<!DOCTYPE PATDOC SYSTEM \034patent.dtd\034>\n<PATDOC>\n"
  { "<PN>"
    [(CTRY) "<CTRY>%s</CTRY>"]
    [(DNUM) "<DNUM>%s</DNUM>"]
    [(KIND) NOT_EMPTY "<KIND>%s</KIND>"]
  "</PN>\n" }
  { [(TI) "<TI>%s</TI>\n"] }
  { "<AB>\n"
    { LEADER=(AB) [(AB) "<P>%s</P>\n"] }
  "</AB>\n" }
  { "<PAS>\n"
    { LEADER=(PA) [(PA) "<PA><NAM>%s</NAM></PA>\n"] }
  "</PAS>\n" }
  { "<INS>\n"
    { LEADER=(IN) [(IN) "<IN><NAM>%s</NAM></IN>\n"] }
  "</INS>\n" }
  { "<CLS>\n"
    { LEADER=(IC) [(IC) "<IC>%s</IC>\n"] }
  "</CLS>\n" }
  { "<PAGES>\n"
    { LEADER=(IMGID) "<PAGE"
      [(IMGID) " FILE=\034%s\034"]
      [(IMGHE) " HE=\034%s\034"]
      [(IMGWI) " WI=\034%s\034"]
      [(IMGLX) " LX=\034%s\034"]
      [(IMGLY) " LY=\034%s\034"]
    ">\n" }
  "</PAGES>\n" }
  { [(PD) "<PD>%s</PD>\n"] }
"</PATDOC>\n" }

REPLACE
& Markup characters in any value become entity references; the quotation
& mark too, since page values are written inside quoted attribute values.
"&" "&amp;"
"<" "&lt;"
">" "&gt;"
"\034" "&#34;"
& The publication number: country, number and kind, one blank apart.
(PN) CUT " " (CTRY) (DNUM) (KIND) END_CUT
& Each line of the abstract is a paragraph.
(AB) "\010" NEW_FIELD
