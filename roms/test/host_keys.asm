; Scans the keyboard rows and the joystick port without pause and logs every
; key press.
;
; Each time a bit of ports 30h to 37h goes from 0 to 1, the code
; row * 8 + bit is appended to LOG (row 7 is the joystick port), with 80h
; added when a shift key (row 0, bits 2 and 3) is down at that moment. The
; shift bits themselves are not logged. COUNT holds the number of codes
; logged (8 bits; the log is a 256-byte ring).

COUNT           equ 7000h
PREVIOUS        equ 7008h       ; last state of rows 0 to 7
LOG             equ 7100h

                org 0000h
start:          di
                ld sp, 0000h
                ld hl, PREVIOUS
                ld b, 8
clear:          ld (hl), 0
                inc hl
                djnz clear
                xor a
                ld (COUNT), a

scan:           ld c, 30h
                ld hl, PREVIOUS
scan_row:       in b, (c)
                ld a, c
                cp 30h
                ld a, b
                jr nz, compare
                and 0F3h                ; shift is read, not logged
compare:        ld b, a
                ld a, (hl)
                cpl
                and b                   ; bits newly pressed
                ld (hl), b
                call log_bits
                inc hl
                inc c
                ld a, c
                cp 38h
                jr nz, scan_row
                jr scan

; Logs each set bit of A, lowest first, for the row of port C.
log_bits:       or a
                ret z
                push hl
                push bc
                ld e, a
                ld a, c
                sub 30h
                add a, a
                add a, a
                add a, a
                ld d, a                 ; code of bit 0
                in a, (30h)
                and 0Ch
                jr z, next_bit
                set 7, d
next_bit:       srl e
                jr nc, skip_bit
                ld a, (COUNT)
                ld l, a
                ld h, LOG / 256
                ld (hl), d
                inc a
                ld (COUNT), a
skip_bit:       inc d
                ld a, e
                or a
                jr nz, next_bit
                pop bc
                pop hl
                ret
