; The code block of a test game, loaded at BASE by its BASIC loader and started there, PAD
; bytes of padding after it (a full-size game's length).
; It copies its marker to MARK to show that it ran, draws vertical stripes (4 pixels ink, 4
; paper, black on bright white) over the whole screen, and then forever counts its loops at
; COUNT and shows the keys P and L (the left and right keys of a game's usual layout) as the
; bright paper of the top character row: red while P is held, green while L is, else white;
; a press of each is remembered at SEEN (bit 0 P, bit 1 L).

MARK    equ 0C000h
COUNT   equ 0C010h
SEEN    equ 0C012h

        org BASE
start:  ld hl,marker
        ld de,MARK
        ld bc,16
        ldir
        ld hl,0
        ld (COUNT),hl
        xor a
        ld (SEEN),a
        ld hl,4000h         ; the stripes
        ld de,4001h
        ld bc,17FFh
        ld (hl),0F0h
        ldir
        ld hl,5800h         ; black ink on bright white paper everywhere, last: once it
        ld de,5801h         ; shows, the marker is in place
        ld bc,2FFh
        ld (hl),78h
        ldir
loop:   ld hl,(COUNT)
        inc hl
        ld (COUNT),hl
        ld e,78h            ; bright white paper
        ld a,0DFh           ; half-row P O I U Y
        in a,(0FEh)
        bit 0,a
        jr nz,no_p
        ld e,50h            ; bright red paper
        ld hl,SEEN
        set 0,(hl)
no_p:   ld a,0BFh           ; half-row ENTER L K J H
        in a,(0FEh)
        bit 1,a
        jr nz,no_l
        ld e,60h            ; bright green paper
        ld hl,SEEN
        set 1,(hl)
no_l:   ld hl,5800h
        ld b,32
row:    ld (hl),e
        inc hl
        djnz row
        jr loop

marker: db "TAVISK TAPE GAME"
        if PAD
        ds PAD, 0E5h
        endif
