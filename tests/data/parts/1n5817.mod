* 1N5817 1 A Schottky rectifier, ON Semiconductor
* Published: ON Semiconductor model, as collected in https://github.com/madmpro/spice-workspace/blob/329f38d73deb0c862e22e71b2ade3b08b2c1680e/models/diode/schottky/1n5817.mod
.model 1N5817 D(Is=31.7u Rs=.051 N=1.373 Cjo=190p M=.3 Eg=.69 Xti=2)
