* 1N748 3.9 V zener, Motorola
* Published: Motorola model, as collected in https://github.com/madmpro/spice-workspace/blob/329f38d73deb0c862e22e71b2ade3b08b2c1680e/models/diode/zener/1n748.mod
.model 1N748 D(Is=1.252f Rs=1.156 Ikf=0 N=1 Xti=3 Eg=1.11 Cjo=205p M=.6004 Vj=.75 Fc=.5 Isr=1.867n Nr=2 Bv=3.9 Ibv=17.244m Nbv=2.4016 Ibvl=8.619m Nbvl=13.283 Tbv1=-384.62u)
