* BZX384-B4V7 4.7 V zener, NXP Semiconductors
* Published: NXP model, as collected in https://github.com/madmpro/spice-workspace/blob/329f38d73deb0c862e22e71b2ade3b08b2c1680e/models/diode/zener/bzx384b4v7.mod
.model BZX384B4V7 D(Is=1.033E-15 N=1.001 BV=4.7 IBV=0.005 Rs=0.387 Cjo=2.589E-10 Vj=0.8029 M=0.3636 Fc=0.5)
