* OA91 germanium diode
* Published: https://github.com/madmpro/spice-workspace/blob/329f38d73deb0c862e22e71b2ade3b08b2c1680e/models/diode/germanium/oa91.mod
.model OA91 D(Is=19.43u N=2.986 Rs=65.98 Ikf=0 Xti=3 Eg=1.11 Cjo=1.326p M=.3333 Vj=.75 Fc=.5 Isr=2.787u Nr=1.954 Bv=100 Ibv=100u Tt=5n)
