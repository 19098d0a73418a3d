* LXML-PM01 green power LED (average part), Lumileds
* Published: Lumileds model, as collected in https://github.com/madmpro/spice-workspace/blob/329f38d73deb0c862e22e71b2ade3b08b2c1680e/models/diode/led/lxml-pm01-average.mod
.model LXML-PM01-average D(Is=8.0330e-8 Rs=.4818 N=7.0005)
