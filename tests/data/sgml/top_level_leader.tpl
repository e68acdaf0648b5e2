& The first entry is a top-level LEADER block, followed by another block.
TEMPLATE
{ LEADER=(PA) "<PA>" [(PA) "%s"] "</PA>" }
{ "<TI>" [(TI) "%s"] "</TI>" }
