; A 16 KB ROM for the end-to-end tests of the panel buttons. At each start from address 0
; it counts the boot in RAM (power-on RAM is zero, RESET keeps RAM) and zeroes a frame
; counter; then, once per frame interrupt, it counts the frame, shows the counter and the
; boot count bit by bit on the screen and plays a short tone.
;
; Pixel line 0 of character row 0, cells 0-15: frame counter, bit 15 first; a cell's byte
; is 0xFF for a 1 and 0x00 for a 0. Pixel line 0 of character row 2: the boot count, alike.
; Character rows 0-3 are white ink on black paper, everything else black on black.

BOOTS   equ 0x5B00      ; 16-bit boot count
FRAMES  equ 0x5B02      ; 16-bit frame counter

        org 0
        di
        jp start

        ds 0x38 - $
        ; IM 1 frame interrupt: just ends the HALT of the main loop.
        ei
        ret

start:
        ld sp, 0
        ld hl, (BOOTS)
        inc hl
        ld (BOOTS), hl
        ld hl, 0
        ld (FRAMES), hl
        ld hl, 0x5800
        ld b, 4 * 32
attrs:
        ld (hl), 0x07
        inc hl
        djnz attrs
        im 1
        ei
        xor a
frame:
        halt
        ld hl, (FRAMES)
        inc hl
        ld (FRAMES), hl
        ld de, 0x4000
        call bits
        ld hl, (BOOTS)
        ld de, 0x4040
        call bits
        ; 8 speaker edges 1633 T-states apart: the frame ends with the speaker low.
        ld b, 8
        xor a
toggle:
        xor 0x10        ; 7
        out (0xFE), a   ; 11
        ld c, 100       ; 7
delay:
        dec c           ; 4
        jr nz, delay    ; 12, 7 when done
        djnz toggle     ; 13, 8 when done
        jr frame

; HL's 16 bits, top bit first, as 16 bytes from DE.
bits:
        ld b, 16
nextbit:
        add hl, hl
        sbc a, a
        ld (de), a
        inc e
        djnz nextbit
        ret

        ds 0x4000 - $
