& The listener sees the field name and the cut text; its result is formatted.
TEMPLATE { "<DOC>" [(TI) "<TI>%s</TI>"] [(AB) OFFSET=2 LENGTH=3 "<AB>%s</AB>"] "</DOC>" }
