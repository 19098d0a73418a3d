* LXK2-PW14 white power LED, Lumileds
* Published: Lumileds model, as collected in https://github.com/madmpro/spice-workspace/blob/329f38d73deb0c862e22e71b2ade3b08b2c1680e/models/diode/led/lxk2-pw14.mod
.model LXK2-PW14 D(Is=3.5e-17 Rs=.725 N=3.12 Cjo=1.2n Xti=200)
