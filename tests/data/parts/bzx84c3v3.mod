* BZX84-C3V3 3.3 V zener, Philips Semiconductors
* Published: Philips model, as collected in https://github.com/madmpro/spice-workspace/blob/329f38d73deb0c862e22e71b2ade3b08b2c1680e/models/diode/zener/bzx84c3v3.mod
.MODEL BZX84C3V3 D(IS=1.636E-15 N=1.028 RS=.13 IKF=1 XTI=3 EG=1.11 CJO=283.5E-12 M=.2019 VJ=.3905 FC=.5 BV=3.366 IBV=64.77E-3 TBV1=-.46E-3 TT=57.71E-9)
