|GRT_SYMBOL_TABLE "design.sym"
setclockreg top\clk
