* LXML-PB01 blue power LED (average part), Lumileds
* Published: Lumileds model, as collected in https://github.com/madmpro/spice-workspace/blob/329f38d73deb0c862e22e71b2ade3b08b2c1680e/models/diode/led/lxml-pb01-average.mod
.model LXML-PB01-average D(Is=1.3869e-6 Rs=.3958 N=11.1953)
