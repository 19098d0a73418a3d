* LUW-W5AP white power LED, OSRAM Opto Semiconductors
* Published: OSRAM model, as collected in https://github.com/madmpro/spice-workspace/blob/329f38d73deb0c862e22e71b2ade3b08b2c1680e/models/diode/led/luw-w5ap.mod
.model LUW-W5AP D(Is=6.572e-8 Rs=.147 N=7.267 Cjo=5n Xti=150)
