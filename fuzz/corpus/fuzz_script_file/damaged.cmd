|GRT_VECTOR_BEGIN
vector v a b
|GRT_TRACE_BEGIN
trace a
setclockreg c
|GRT_TRACE_END
