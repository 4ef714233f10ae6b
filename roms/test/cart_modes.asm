; Screen modes and video memory services. On the screen at start (Graphics
; I): CVTIR, VCTIR, PADVRM, STVWAD, STVRAD on video memory that no mode
; uses (from 0x3C00), then coloured text. Then, WAIT frames each: Graphics
; II with a line of text, multicolour with two blocks, and Graphics I
; again, cleared by CLRSC and printed on. RAM: COPY (8 bytes read back by
; VCTIR), READ_BACK (by STVRAD).
        INCLUDE "ipl_entries.inc"
        CART_HEADER 0x02, start, IPL_RET

COPY            EQU 0x7800
READ_BACK       EQU 0x7808
WAIT            EQU 50

start:
        ld hl,pattern
        ld de,0x3C00
        ld bc,8
        call CVTIR
        ld hl,0x3C00
        ld de,COPY
        ld bc,8
        call VCTIR
        ld hl,0x3C10
        ld bc,300
        ld a,0x77
        call PADVRM
        ld hl,0x3E00
        call STVWAD
        ld a,0x99
        out (0x10),a
        ld a,0x98
        out (0x10),a
        ld hl,0x3E01
        call STVRAD
        in a,(0x10)
        ld (READ_BACK),a

        ld b,6                      ; dark red text
        call STFCOL
        ld b,15                     ; on white
        call STBCOL
        ld hl,text_g1
        call DSPLTA
        call wait

        ld b,15                     ; white on dark red
        call STFCOL
        ld b,6
        call STBCOL
        call GMODE
        ld hl,text_g2
        call DSPLTA
        call wait

        call MMODE
        ld hl,0x0000
        ld a,0x9A                   ; the first two blocks: colours 9 and 10
        rst 0x10
        call wait

        ld b,1                      ; black on light green
        call STFCOL
        ld b,3
        call STBCOL
        call CMODE
        ld hl,text_g1
        call DSPLTA
        call CLRSC
        ld a,'Y'
        call DSPCHA
stay:
        jr stay

wait:
        ld b,WAIT
w_frame:
        halt
        djnz w_frame
        ret

pattern:
        db 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF
text_g1:
        db "GRAPHICS I", 0
text_g2:
        db "BITMAP", 0
