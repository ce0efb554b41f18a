|GRT_SYMBOL_TABLE "design.sym"
|GRT_TRACE_BEGIN
trace top\b
| a comment inside the section
echo "inside the unterminated section"
