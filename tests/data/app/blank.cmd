|GRT_SYMBOL_TABLE "design.sym"
