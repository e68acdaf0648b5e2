& A LEADER block over three occurrences of PA, followed by a block so
& that each closing of the applicant block repeats it.
TEMPLATE
{ "<DOC>\n"
  [(TI) "<TI>%s</TI>\n"]
  { LEADER=(PA) "<PA>"
    [(PA) "<NAME>%s</NAME>"]
  "</PA>\n" }
  { [(PD) "<PD>%s</PD>\n"] }
"</DOC>\n" }
