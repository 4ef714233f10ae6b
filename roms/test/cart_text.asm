; The console in text mode (40 x 24): colours, printing with and without
; control codes, the cursor, wrapping and scrolling, multiplication.
; RAM from RESULTS: +0 the byte at HL after DSPLTA and +1 HL's place in the
; text (HL stays on the 13 that ended it), +2 13 x 17, +4 200 x 200, +6 BC,
; DE, HL, A after a DSPCHA (kept).
        INCLUDE "ipl_entries.inc"
        CART_HEADER 0x02, start, IPL_RET

RESULTS         EQU 0x7800

start:
        call TMODE
        ld b,11                     ; light yellow text
        call STFCOL
        ld b,4                      ; on dark blue
        call STBCOL
        ld hl,hello
        call DSPLTA                 ; row 0: "HELLO, M5!"
        ld a,(hl)
        ld (RESULTS + 0),a
        ld de,hello
        or a
        sbc hl,de
        ld a,l
        ld (RESULTS + 1),a
        call CRETL
        ld a,'A'
        call DSPCHA
        ld a,'B'
        call DSPCHA
        ld a,8                      ; back space erases the B
        call DSPCHA
        ld a,'C'
        call DSPCHA                 ; row 1: "AC"
        ld a,13
        call DSPCHA
        ld a,1
        call DSPCHB                 ; row 2: code 1 shown
        ld hl,shown
        call DSPLTB                 ; then 'Y', code 10, 'Z'
        ld a,9
        call DSPCHA                 ; tab to column 8
        ld a,'T'
        call DSPCHA
        ld d,5
        ld e,10
        call MVACS
        ld a,'Q'
        call DSPCH                  ; row 10, column 5
        ld d,38
        ld e,23
        call MVACS
        ld hl,wrap
        call DSPLTA                 ; "12" ends row 23, "3" scrolls the screen up

        ld l,13
        ld a,17
        call MLTAL
        ld (RESULTS + 2),hl
        ld l,200
        ld a,200
        call MLTAL
        ld (RESULTS + 4),hl

        ld bc,0x1234
        ld de,0x5678
        ld hl,0x9ABC
        ld a,'K'
        call DSPCHA
        ld (RESULTS + 6),bc
        ld (RESULTS + 8),de
        ld (RESULTS + 10),hl
        ld (RESULTS + 12),a
stay:
        jr stay

hello:
        db "HELLO, M5!", 13
shown:
        db "Y", 10, "Z", 0
wrap:
        db "123", 0
