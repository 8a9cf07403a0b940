; The two games that the CPU measurements and the renderer's profile run, as snapshots.
; Both paint a title picture over the whole screen: display bytes from their addresses,
; attributes of every colour pair, and a bottom character row of FLASH cells.
; MOVING=0, "still": the picture stays; a beeper tone plays with interrupts off, as a
;   beeper-music demo does.
; MOVING=1, "sprite": a 16x16 sprite moves one character column to the right every frame
;   over character rows 10 and 11, timed by the frame interrupt (mode 2, so that the ROM
;   plays no part).

        org 8000h
start:  di
        ld sp,0F000h
        ld hl,4000h         ; display bytes: low ^ high of the address
paint:  ld a,l
        xor h
        ld (hl),a
        inc hl
        ld a,h
        cp 58h
        jr nz,paint
attrs:  ld a,l              ; attributes: ink and paper from the address, no BRIGHT
        and 3Fh
        ld (hl),a
        inc hl
        ld a,h
        cp 5Ah
        jr nz,attrs
        ld a,l
        cp 0E0h
        jr nz,attrs
flash:  ld (hl),0BAh        ; the last row: FLASH, red ink on white paper
        inc hl
        ld a,h
        cp 5Bh
        jr nz,flash
if MOVING
        ld hl,0FE00h        ; the mode 2 vector table: every byte FDh, so the handler is
        ld de,0FE01h        ; at FDFDh whatever the bus holds
        ld bc,256
        ld (hl),0FDh
        ldir
        ld a,0C9h           ; FDFDh: ret (the interrupt only wakes the HALT)
        ld (0FDFDh),a
        ld a,0FEh
        ld i,a
        im 2
frame:  ei
        halt
        ld a,(column)
        call place
        ld de,blank
        call sprite
        ld a,(column)
        inc a
        cp 31
        jr c,moved
        xor a
moved:  ld (column),a
        call place
        ld de,shape
        call sprite
        jr frame

; hl = the display byte of character row 10 at column a.
place:  add a,40h
        ld l,a
        ld h,48h
        ret

; Two character rows of two bytes a line from de (32 bytes) at hl onwards.
sprite: call cell
        ld a,l
        add a,20h
        ld l,a
        ld h,48h
cell:   ld b,8
line:   ld a,(de)
        ld (hl),a
        inc de
        inc l
        ld a,(de)
        ld (hl),a
        inc de
        dec l
        inc h
        djnz line
        ret

column: db 0
shape:  db 03h,0C0h, 0Fh,0F0h, 1Fh,0F8h, 3Fh,0FCh, 7Fh,0FEh, 7Fh,0FEh, 0FFh,0FFh, 0FFh,0FFh
        db 0FFh,0FFh, 0FFh,0FFh, 7Fh,0FEh, 7Fh,0FEh, 3Fh,0FCh, 1Fh,0F8h, 0Fh,0F0h, 03h,0C0h
blank:  ds 32
else
        ld c,7              ; white border, speaker low
tone:   ld a,c
        xor 10h
        ld c,a
        out (0FEh),a
        ld b,255            ; about 3,300 T-states a half period: a tone near 520 Hz
wait:   djnz wait
        jr tone
endif
        end start
