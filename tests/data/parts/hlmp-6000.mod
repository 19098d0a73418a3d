* HLMP-6000 red LED, Avago Technologies
* Published: Avago model, as collected in https://github.com/madmpro/spice-workspace/blob/329f38d73deb0c862e22e71b2ade3b08b2c1680e/models/diode/led/hlmp-6000.mod
.model HLMP-6000 d (IS=93.2P RS=42M N=3.73 BV=4 IBV=10U CJO=2.97P VJ=.75 M=.333)
