; Starts the tape motor and sends a square wave to the cassette output for
; ever: the level changes about every 2700 machine clocks.

SYSPORT         equ 50h

                org 0000h
start:          di
                ld sp, 0000h
                ld a, 02h               ; motor on; bit 0 clear: output level 1
toggle:         out (SYSPORT), a
                ld b, 200
delay:          djnz delay
                xor 01h
                jr toggle
