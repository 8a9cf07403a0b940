; A turbo loader of our own: pilot pulses of at least 1500 T-states, two short sync pulses,
; then bytes high bit first, each bit two pulses, a pair over about 1450 T-states a one.
; Enter with IX = destination and DE = length; returns with carry set when all bytes came,
; clear when an edge did not come in time. Assembled with BACKWARDS defined, it stores from
; IX down, as loaders that fill memory from the top do.
        org 0xC000
start:  di
        ld a,0x7F
        in a,(0xFE)
        and 0x40
        ld c,a          ; the level, in bit 6, as last seen
leader: ld h,0          ; pilot pulses in a row
lead1:  ld b,0
        call edge
        jr nc,leader
        ld a,b
        cp 30           ; 30 samples of 50 T-states
        jr c,leader
        inc h
        jr nz,lead1     ; 256 pilot pulses heard
sync:   ld b,0
        call edge
        jr nc,leader
        ld a,b
        cp 15
        jr nc,sync      ; still the pilot
        ld b,0
        call edge       ; the second sync pulse
        jr nc,leader
next_byte:   ld l,1          ; a marker bit that falls out after eight bits
next_bit:    ld b,0
        call edge
        ret nc
        call edge
        ret nc
        ld a,29
        cp b            ; carry for a pair of more than 29 samples: a one
        rl l
        jr nc,next_bit
        ld (ix+0),l
        if defined BACKWARDS
        dec ix
        else
        inc ix
        endif
        dec de
        ld a,d
        or e
        jr nz,next_byte
        scf
        ret

; Waits for the level to change, counting samples of 50 T-states in B; carry clear when B
; wraps to 0 first.
edge:   and a
edge1:  inc b
        ret z
        ld a,0x7F
        in a,(0xFE)
        and 0x40
        cp c
        jr z,edge1
        ld c,a
        scf
        ret
        end start
