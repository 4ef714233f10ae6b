; Writes a byte pattern to tape through the system port, then stops.
;
; Port 0x50 (write): bit 0 clear drives the cassette output high, bit 1 runs
; the motor. Each bit is a high pulse, short for 0 and long for 1, followed
; by a low gap of fixed length; bytes go most significant bit first. A low
; leader comes before the first pulse and a low trailer after the last.
; When done the motor is stopped and 0x7000 holds 0xAA.

SYS_PORT        equ 0x50
OUT_HIGH        equ 0x02            ; motor on, output high
OUT_LOW         equ 0x03            ; motor on, output low
MOTOR_OFF       equ 0x01            ; motor off, output low
DONE_FLAG       equ 0x7000
SHORT_LOOPS     equ 45              ; about 620 T-states of high for a 0
LONG_LOOPS      equ 120             ; about 1600 T-states of high for a 1
GAP_LOOPS       equ 45              ; low between pulses

        org 0x0000
        di
        ld sp, 0x0000
        ld a, OUT_LOW
        out (SYS_PORT), a
        ld d, 32                    ; leader: 32 x 256 loops of low
leader: ld b, 0
leader_wait:
        djnz leader_wait
        dec d
        jr nz, leader

        ld hl, pattern
        ld e, PATTERN_LENGTH
byte_loop:
        ld c, (hl)
        ld d, 8
bit_loop:
        ld a, OUT_HIGH
        out (SYS_PORT), a
        ld b, SHORT_LOOPS
        rlc c                       ; next bit into carry
        jr nc, high_wait
        ld b, LONG_LOOPS
high_wait:
        djnz high_wait
        ld a, OUT_LOW
        out (SYS_PORT), a
        ld b, GAP_LOOPS
gap_wait:
        djnz gap_wait
        dec d
        jr nz, bit_loop
        inc hl
        dec e
        jr nz, byte_loop

        ld d, 8                     ; trailer
trailer:
        ld b, 0
trailer_wait:
        djnz trailer_wait
        dec d
        jr nz, trailer
        ld a, MOTOR_OFF
        out (SYS_PORT), a
        ld a, 0xAA
        ld (DONE_FLAG), a
stop:   halt
        jr stop

pattern:
        db 0x00, 0xFF, 0x55, 0xAA, 0x01, 0x80, 0x12, 0x34
        db 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0xA5, 0x3C
PATTERN_LENGTH  equ $ - pattern
