& A split rule with three names (PN) and one with two (AN).
TEMPLATE
{ "<PN>" [(CC) "<CC>%s</CC>"] [(NR) "<NR>%s</NR>"] [(KD) "<KD>%s</KD>"] "</PN>" }
{ "<AN>" [(AC) "<C>%s</C>"] [(AR) "<R>%s</R>"] "</AN>" }
REPLACE
(PN) CUT " " (CC) (NR) (KD) END_CUT
(AN) CUT " " (AC) (AR) END_CUT
