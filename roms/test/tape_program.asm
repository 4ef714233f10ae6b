; A program loaded from tape by the free boot ROM: the tests write it into a
; SORDM5 tape file (a header block and data blocks) and play that to the
; machine from power-on. It is longer than two blocks.
;
; It notes what it was started with, sums its own bytes, waits for three
; frame interrupts (the IPL's, counted at 0x7010), then shows a line of text
; on a dark blue backdrop and marks RESULTS.
; RAM from RESULTS: +0 "OK" when done, +2 the stack pointer at the start,
; +4 the return address on it, +6 the sum of the program's bytes (16 bits).
        INCLUDE "ipl_entries.inc"

RESULTS         EQU 0x9000
IPL_FRAMES      EQU 0x7010

        org 0x7300
start:
        ld hl,0
        add hl,sp
        ld (RESULTS + 2),hl
        ld e,(hl)
        inc hl
        ld d,(hl)
        ld (RESULTS + 4),de
        ld hl,start
        ld bc,program_end - start
        ld de,0
sum:
        ld a,(hl)
        add a,e
        ld e,a
        ld a,0
        adc a,d
        ld d,a
        inc hl
        dec bc
        ld a,b
        or c
        jr nz,sum
        ld (RESULTS + 6),de

        ld hl,IPL_FRAMES
        ld a,(hl)
        add a,3
frames:
        cp (hl)
        jr nz,frames

        ld b,15                     ; white text
        call STFCOL
        ld b,4                      ; on dark blue
        call STBCOL
        call CLRSC
        ld hl,text
        call DSPLTA
        ld a,'O'
        ld (RESULTS),a
        ld a,'K'
        ld (RESULTS + 1),a
stay:
        jr stay

text:
        db "LOADED FROM TAPE", 0

; Bytes enough for a third block, each unlike its neighbours.
value   defl 1
        rept 400
        db value
value   defl (value * 5 + 3) & 0xFF
        endm
program_end:
