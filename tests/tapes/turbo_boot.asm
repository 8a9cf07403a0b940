; The code block of the turbo test game: started by its BASIC loader, it turbo-loads LEN
; bytes of the game to 32768 with the turbo loader of the tape tests (assembled to its own
; 0C000h and included here) and runs them; a failed load returns to BASIC.
        org 0BF00h
boot:   ld ix,32768
        ld de,LEN
        call turbo
        ei
        jp c,32768
        ret
        ds 0C000h - $
turbo:  incbin "turbo_loader.bin"
