; A loader that reads block after block with no pause between, as a stream cut into blocks:
; each block is at least one pilot pulse of 1550 T-states or more, a shorter sync pulse, one
; more sync pulse, then bytes high bit first, each bit two pulses, a pair over about 1200
; T-states a one. Like the ROM's edge routine it waits about 370 T-states after each edge
; before it looks again, then samples every 58: short pulses get three or four reads, so a
; stretch of zero bits is heard with fewer than 500 reads a frame.
; Enter with IX = destination, DE = bytes per block and H = blocks; returns with carry set
; when every block came, clear when an edge did not come in time within a block.
        org 0C400h
start:  di
        ld a,7Fh
        in a,(0FEh)
        and 40h
        ld c,a          ; the level, in bit 6, as last seen
block:  push de
pilot:  ld b,0          ; waits as long as it takes for a pilot pulse
        call edge
        jr nc,pilot
        ld a,b
        cp 20
        jr c,pilot
skip:   ld b,0          ; the pilot's other pulses, up to the first sync pulse
        call edge
        jr nc,fail
        ld a,b
        cp 20
        jr nc,skip
        ld b,0
        call edge       ; the second sync pulse
        jr nc,fail
next_byte:
        ld l,1          ; a marker bit that falls out after eight bits
next_bit:
        ld b,0
        call edge
        jr nc,fail
        call edge
        jr nc,fail
        ld a,14
        cp b            ; carry for a pair of more than 14 samples: a one
        rl l
        jr nc,next_bit
        ld (ix+0),l
        inc ix
        dec de
        ld a,d
        or e
        jr nz,next_byte
        pop de
        dec h
        jr nz,block
        scf
        ret
fail:   pop de
        and a
        ret

; Waits about 370 T-states, then for the level to change, counting samples of 58 T-states
; in B; carry clear when B wraps to 0 first.
edge:   ld a,22
delay:  dec a
        jr nz,delay
        and a
sample: inc b
        ret z
        ld a,7Fh
        in a,(0FEh)
        nop
        nop
        and 40h
        cp c
        jr z,sample
        ld c,a
        scf
        ret
        end start
