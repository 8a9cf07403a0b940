; A 16 KB ROM for the end-to-end tests. It fills the screen with a pattern that every
; attribute value (FLASH and BRIGHT included) colours, then, once per frame interrupt,
; toggles the speaker 32 times 2097 T-states apart: 32 edges per 441-sample sound frame.
; Assembled with --equ BLANK=1 it leaves the screen black and only plays the tone.
;
; Display byte at offset o (0-0x17FF):  (o & 0xFF) XOR (0x40 + (o >> 8))
; Attribute at offset j (0-0x2FF):      j & 0xFF

        org 0
        di
        jp start

        ds 0x38 - $
        ; IM 1 frame interrupt: just ends the HALT of the main loop.
        ei
        ret

start:
        ld sp, 0
        im 1
        if BLANK = 0
        ld hl, 0x4000
pixels:
        ld a, l
        xor h
        ld (hl), a
        inc hl
        ld a, h
        cp 0x58
        jr nz, pixels
attrs:
        ld (hl), l
        inc hl
        ld a, h
        cp 0x5B
        jr nz, attrs
        endif
        ei
        xor a
frame:
        halt
        ld b, 32
toggle:                 ; 16 * 129 + 33 = 2097 T-states a pass
        xor 0x10        ; 7
        out (0xFE), a   ; 11
        ld c, 129       ; 7
delay:
        dec c           ; 4
        jr nz, delay    ; 12, 7 when done
        djnz toggle     ; 13, 8 when done
        jr frame

        ds 0x4000 - $
