|GRT_SYMBOL_TABLE "design.sym"
echo "first in text" | the comment goes
trace top\b
|GRT_TRACE_BEGIN
cycle 1
|GRT_TRACE_END
|GRT_VECTOR_BEGIN
vector v top\a1 top\a0
|GRT_VECTOR_END
assign top\a0 1
setclockreg top\clk
setclockreg top\a1
setclockmode cbuf_read
