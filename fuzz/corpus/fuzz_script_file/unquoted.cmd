| hand written
|GRT_SYMBOL_TABLE c:\designs\top.sym
reset
