; A loading screen: a chequer of bytes 55h and AAh under blue-on-yellow attributes.
        org 16384
        rept 12
        ds 256, 55h
        ds 256, 0AAh
        endm
        ds 768, 31h
