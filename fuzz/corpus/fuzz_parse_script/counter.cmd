|GRT_VECTOR_BEGIN
vector count counter8\q[7:0]
|GRT_VECTOR_END
|GRT_TRACE_BEGIN
trace count counter8\clk
|GRT_TRACE_END
setclockreg counter8\clk
setclockmode reg_out
clock counter8\q0 0 1
break count 11
cycle 3
check count 11
