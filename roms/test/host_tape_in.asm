; Starts the tape motor and counts the changes of the cassette input level
; (bit 0 of port 50h) in the 16-bit word COUNT, polling without pause.

SYSPORT         equ 50h
COUNT           equ 7000h

                org 0000h
start:          di
                ld sp, 0000h
                ld a, 02h               ; motor on
                out (SYSPORT), a
                ld hl, 0
                ld (COUNT), hl
                in a, (SYSPORT)
                and 01h
                ld c, a                 ; level last seen
poll:           in a, (SYSPORT)
                and 01h
                cp c
                jr z, poll
                ld c, a
                inc hl
                ld (COUNT), hl
                jr poll
