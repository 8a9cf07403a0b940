; A ROM with keyword entry, as small as can be: it keeps the system variables through which
; a typist sees that the editor waits and that a key was taken (E_LINE, K_CUR, KSTATE,
; LAST_K, FLAGS, FRAMES at their usual addresses), scans the keys in its interrupt with the
; usual debounce (a key set is freed five scans after its key is let go, and a key still
; held is no new key), decodes a letter in K mode into its keyword token, and writes each
; key its editor takes at the start of the edit line, one byte after the other.

KSTATE  equ 5C00h
LAST_K  equ 5C08h
FLAGS   equ 5C3Bh
E_LINE  equ 5C59h
K_CUR   equ 5C5Bh
FRAMES  equ 5C78h
LINE    equ 5CCCh
TAKEN   equ 5CCBh           ; keys written into the line so far

        org 0
        di
        ld sp,0FF00h
        jp start

        org 38h
        push af
        push bc
        push de
        push hl
        ld hl,(FRAMES)
        inc hl
        ld (FRAMES),hl
        call scan
        pop hl
        pop de
        pop bc
        pop af
        ei
        ret

start:  ld a,0FFh
        ld (KSTATE),a
        ld (KSTATE+4),a
        xor a
        ld (FLAGS),a
        ld (TAKEN),a
        ld hl,LINE
        ld (E_LINE),hl
        ld (K_CUR),hl
        ld (hl),0Dh         ; the empty edit line: ENTER, then the end marker
        inc hl
        ld (hl),80h
        im 1
        ei
editor: ld hl,FLAGS
        bit 5,(hl)
        jr z,editor
        res 5,(hl)
        ld a,(TAKEN)
        ld e,a
        inc a
        ld (TAKEN),a
        ld d,0
        ld hl,LINE
        add hl,de
        ld a,(LAST_K)
        ld (hl),a
        jr editor

; E = index 5 * half-row + bit of the key held (FFh: none), D = 1 with SYMBOL SHIFT.
scan:   ld e,0FFh
        ld d,0
        ld bc,0FEFEh        ; half-row 0 first; B rotates FE, FD, ... 7F
        ld l,0
sc_row: in a,(c)
        cpl
        and 1Fh
        ld h,a
        ld a,b
        cp 0FEh
        jr nz,sc_sym
        res 0,h             ; CAPS SHIFT alone is no key here
sc_sym: cp 7Fh
        jr nz,sc_key
        bit 1,h
        jr z,sc_key
        res 1,h
        inc d
sc_key: ld a,h
        or a
        jr z,sc_next
        ld a,l
sc_bit: srl h
        jr c,sc_got
        inc a
        jr sc_bit
sc_got: ld e,a
sc_next:
        ld a,l
        add a,5
        ld l,a
        rlc b
        jr c,sc_row
        ld hl,KSTATE
        ld a,e
        cp 0FFh
        jr nz,sc_held
        bit 7,(hl)          ; no key: a busy set is freed after five scans
        ret nz
        inc hl
        dec (hl)
        ret nz
        dec hl
        ld (hl),0FFh
        ret
sc_held:
        ld a,d
        or a
        ld a,e
        jr z,sc_code
        or 40h              ; the key's code: its index, bit 6 for SYMBOL SHIFT
sc_code:
        cp (hl)
        jr z,sc_again       ; still the key of the set: no new key
        bit 7,(hl)
        ret z
        ld (hl),a
        inc hl
        ld (hl),5
        call decode
        ld (LAST_K),a
        ld hl,FLAGS
        set 5,(hl)
        ret
sc_again:
        inc hl
        ld (hl),5
        ret

; A = key code -> character, or keyword token for a letter (always K mode here).
decode: bit 6,a
        jr z,dc_key
        cp 40h+25           ; SYMBOL SHIFT + P, the only symbol this ROM knows
        ld a,22h
        ret z
        xor a
        ret
dc_key: ld hl,keys
        ld d,0
        ld e,a
        add hl,de
        ld a,(hl)
        cp 'A'
        ret c
        cp 'Z'+1
        ret nc
        add a,0A5h          ; the keyword token: 'J' + 0A5h = 0EFh, LOAD
        ret

keys:   db 0, "ZXCV", "ASDFG", "QWERT", "12345", "09876", "POIUY", 0Dh, "LKJH", " ", 0, "MNB"
