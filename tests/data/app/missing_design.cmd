|GRT_SYMBOL_TABLE "not_there.sym"
