; labels in every defining form, forward references and redefinable labels
        ORG 100H
START:  DB FWD, FWD2
FWD     EQU 12H
FWD2    EQU FWD3+1
FWD3    EQU 20H
X = 1
        DB X
X = 2
        DB X
Loop:   DB low
LOOP:   DB LOOP - Loop
low     EQU $ & 0FFH
GLOBAL::
        DW GLOBAL
        END START
