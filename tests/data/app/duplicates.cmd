|GRT_SYMBOL_TABLE "design.sym"
|GRT_TRACE_BEGIN
trace top\b
trace top\b
|GRT_TRACE_END
clock top\a0 0 1
clock top\a0 1 0
bogus line
