* FDLL914B small-signal diode (1N914 family), Fairchild Semiconductor, May 2007 rev 1.0
* Published: Fairchild discrete diode model, as kept in https://github.com/TESScience/FPE/blob/master/FPE/Simulation/1N914B.mod
.MODEL FDLL914B D
+ IS=5.0e-09
+ RS=0.8622
+ N=2.0
+ ISR=9.808e-14
+ NR=2.0
+ CJO=8.68e-13
+ M=0.02504
+ VJ=0.90906
+ FC=0.5
+ TT=6.012e-9
+ BV=100
+ IBV=1e-07
+ EG=0.92
