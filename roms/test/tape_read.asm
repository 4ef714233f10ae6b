; Reads the bytes that tape_write recorded, through bit 0 of port 0x50.
;
; Starts the motor, then for each bit waits for the input to go high and
; counts how long it stays high: a long pulse is a 1, a short one a 0. The
; 16 bytes are stored from 0x7100; then the motor is stopped and 0x7000
; holds 0xAA.

SYS_PORT        equ 0x50
MOTOR_ON        equ 0x03            ; motor on, output low
MOTOR_OFF       equ 0x01
DONE_FLAG       equ 0x7000
BYTES_READ      equ 0x7100
BYTE_COUNT      equ 16
THRESHOLD       equ 36              ; counts of 31 T-states: 0 is about 20, 1 about 52

        org 0x0000
        di
        ld sp, 0x0000
        ld a, MOTOR_ON
        out (SYS_PORT), a
        ld hl, BYTES_READ
        ld e, BYTE_COUNT
byte_loop:
        ld c, 0
        ld d, 8
bit_loop:
wait_high:
        in a, (SYS_PORT)
        rrca                        ; input level into carry
        jr nc, wait_high
        ld b, 0
count_high:
        inc b
        in a, (SYS_PORT)
        rrca
        jr c, count_high
        ld a, b
        cp THRESHOLD                ; carry when the pulse was short
        ccf                         ; carry = the bit
        rl c
        dec d
        jr nz, bit_loop
        ld (hl), c
        inc hl
        dec e
        jr nz, byte_loop

        ld a, MOTOR_OFF
        out (SYS_PORT), a
        ld a, 0xAA
        ld (DONE_FLAG), a
stop:   halt
        jr stop
