; A tape program that fills the RAM from 0x7300 to its last byte, 0xFFFF
; (36,096 bytes, 141 blocks): the tests write it into a SORDM5 tape file
; and play that, and its WAV recording, to the machine from power-on with
; no cartridge.
;
; Before it touches its stack, with interrupts off (an interrupt would push
; onto 0xFFFE), it adds up all of itself as 16-bit words: the sum is zero
; when every byte arrived as on the tape, the tests having written into FIX
; the word that makes it so. Then it goes to its last bytes, whose final
; jump (its displacement is the byte at 0xFFFF) leads to the code that
; notes the result, shows it as the backdrop colour and halts. Between its
; two ends are bytes that no block repeats.
;
; RAM from RESULTS (below the program, cleared by the IPL before it starts):
; +0 "OK" when the sum was zero, else "NO"; +2 the stack pointer it was
; started with; +4 the sum.

RESULTS         EQU 0x7100
VDP_CTRL        EQU 0x11
GREEN           EQU 2
RED             EQU 6
WORDS           EQU (0x10000 - 0x7300) / 2
FINISH          EQU 0x10000 - 32    ; where the last bytes begin
FIX             EQU FINISH - 2

        org 0x7300
start:
        di
        ld (RESULTS + 2),sp
        ld hl,start
        ld bc,WORDS
        ld ix,0
sum:
        ld e,(hl)
        inc hl
        ld d,(hl)
        inc hl
        add ix,de
        dec bc
        ld a,b
        or c
        jr nz,sum
        ld (RESULTS + 4),ix
        jp finish

; The high bytes of a 16-bit sequence that repeats only after 65,536 steps:
; no block is like another.
value   defl 1
        rept FIX - $
        db value >> 8
value   defl (value * 25173 + 13849) & 0xFFFF
        endm

        dw 0                        ; FIX, one of the words summed: the tests write it
finish:
        ld hl,(RESULTS + 4)
        ld a,h
        or l
        ld hl,'O' + 'K' * 256
        ld b,GREEN
        jr z,last
        ld hl,'N' + 'O' * 256
        ld b,RED
        jr last
mark:
        ld (RESULTS),hl
        ld a,b
        out (VDP_CTRL),a
        ld a,0x87                   ; video register 7: the backdrop
        out (VDP_CTRL),a
        halt
last:
        jr mark                     ; the program's last two bytes
program_end:

        if program_end != 0x10000
        .error The program must end at the top of RAM
        endif
        if finish != FINISH
        .error FINISH must be where the last bytes begin
        endif
