; The code block of the deck test's tape: started by its BASIC loader, it waits for a key,
; moving the paper of the top-left character on every frame meanwhile to show that it runs,
; then clears the screen and turbo-loads LEN bytes into it with the tape tests' turbo loader
; (assembled to its own 0C000h and included here), counting each load that succeeds at
; LOADS; then it waits for the next key. Waiting, it reads the keyboard once a frame.
LOADS   equ 0BE00h

        org 0BF00h
boot:   xor a
        ld (LOADS),a
release:
        call frame
        jr nz,release   ; a key still down from before
press:  call frame
        jr z,press
        ld hl,4000h     ; the screen cleared, so that the load shows
        ld de,4001h
        ld bc,1AFFh
        ld (hl),0
        ldir
        ld ix,4000h
        ld de,LEN
        call turbo
        jr nc,release
        ld hl,LOADS
        inc (hl)
        jr release

; Waits for the next frame, moves the top-left paper on; NZ when a key is down.
frame:  ei
        halt
        ld a,(5800h)
        add a,8
        ld (5800h),a
        xor a
        in a,(0FEh)
        cpl
        and 1Fh
        ret

        ds 0C000h - $
turbo:  incbin "turbo_loader.bin"
