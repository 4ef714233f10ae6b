; A busy machine for speed measurements: never idles.
;
; The frame interrupt arrives through counter/timer channel 3 in interrupt
; mode 2; its handler reads the video status, counts frames in FRAMES, sets
; the backdrop colour to the low 4 bits of that count and sweeps a tone. The
; main loop copies RAM with LDIR, does 16-bit arithmetic and rotates, and
; writes the name table through the video ports.

FRAMES          equ 7000h
WORK            equ 7100h       ; counter of main loop passes
BUFFER_A        equ 8000h
BUFFER_B        equ 8400h
VECTORS         equ 0100h

CTC0            equ 00h
CTC3            equ 03h
VDP_DATA        equ 10h
VDP_CTRL        equ 11h
PSG             equ 20h

                org 0000h
start:          di
                ld sp, 0000h
                ld a, VECTORS / 256
                ld i, a
                im 2
                xor a
                out (CTC0), a           ; vector base 00h
                ld a, 0D7h              ; interrupt, counter, rising edge,
                out (CTC3), a           ; constant follows, reset
                ld a, 1
                out (CTC3), a
                ld a, 0E0h              ; R1: 16K, display on, interrupt on
                out (VDP_CTRL), a
                ld a, 81h
                out (VDP_CTRL), a
                ld a, 06h               ; R2: name table 1800h
                out (VDP_CTRL), a
                ld a, 82h
                out (VDP_CTRL), a
                ld a, 90h               ; tone 0 at full volume
                out (PSG), a
                in a, (VDP_CTRL)
                ei

main:           ld hl, BUFFER_A         ; copy 1 KiB
                ld de, BUFFER_B
                ld bc, 0400h
                ldir
                ld hl, (WORK)           ; arithmetic
                ld de, 1234h
                ld b, 64
arith:          add hl, de
                rl e
                rr d
                ld a, h
                xor l
                ld (BUFFER_A), a
                djnz arith
                ld (WORK), hl
                di                      ; the address pair is not split
                ld a, 00h               ; 64 bytes to the name table
                out (VDP_CTRL), a
                ld a, 58h
                out (VDP_CTRL), a
                ei
after_ei:       ld b, 64
                ld a, l
names:          out (VDP_DATA), a
                inc a
                djnz names
                jr main

frame_handler:  push af
                push hl
                in a, (VDP_CTRL)        ; drops the interrupt line
                ld hl, (FRAMES)
                inc hl
                ld (FRAMES), hl
                ld a, l                 ; backdrop colour
                and 0Fh
                out (VDP_CTRL), a
                ld a, 87h
                out (VDP_CTRL), a
                ld a, l                 ; sweep tone 0
                and 0Fh
                or 80h
                out (PSG), a
                ld a, l
                rrca
                rrca
                rrca
                rrca
                and 0Fh
                or 10h
                out (PSG), a
                pop hl
                pop af
                ei
                reti

                org VECTORS
                dw 0, 0, 0
                dw frame_handler
