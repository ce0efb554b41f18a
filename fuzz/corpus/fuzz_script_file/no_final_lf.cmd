reset
|GRT_SYMBOL_TABLE "top.sym"