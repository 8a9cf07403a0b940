; A code block for the tape tests: 300 bytes that make no two neighbours alike, so that a
; byte loaded to the wrong place or left out shows.
        org 0x8000
start:
        rept 150
        db low (($ - start) * 37 + 11), high (($ - start) * 91 + 5)
        endm
        end start
