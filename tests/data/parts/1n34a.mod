* 1N34A germanium point-contact diode
* Published: https://github.com/madmpro/spice-workspace/blob/329f38d73deb0c862e22e71b2ade3b08b2c1680e/models/diode/gepunctualcontact/1n34a.mod
.MODEL 1N34A D(IS=2.6u RS=6.5 N=1.6 CJO=0.8p EG=0.67 BV=25 IBV=0.003)
