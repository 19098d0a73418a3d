* 1N4148 small-signal diode, NXP Semiconductors (PSPICE model)
* Published: NXP SPICE model 1N4148, as collected in https://github.com/madmpro/spice-workspace/blob/bc78082f3fbe6e0521da62943839c7f8623f0f40/models/1n4148.mod
.MODEL 1N4148 D
+ IS = 4.352E-9
+ N = 1.906
+ BV = 110
+ IBV = 0.0001
+ RS = 0.6458
+ CJO = 7.048E-13
+ VJ = 0.869
+ M = 0.03
+ FC = 0.5
+ TT = 3.48E-9
