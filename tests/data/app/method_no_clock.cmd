|GRT_SYMBOL_TABLE "design.sym"
setclockmode cbuf_assign
