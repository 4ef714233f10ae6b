; Plays one tone through the sound generator and stops.
; Tone 0 at period 0x0FE (about 440 Hz), attenuation 0; the other channels
; stay silent. Writes 0xAA to 0x7000 once the chip is set, then halts.

PSG_PORT        equ 0x20
DONE_FLAG       equ 0x7000

        org 0x0000
        di
        ld sp, 0x0000
        ld a, 0x80 | 0x0E       ; latch tone 0 period, low 4 bits
        out (PSG_PORT), a
        ld a, 0x0F              ; high 6 bits
        out (PSG_PORT), a
        ld a, 0x90              ; tone 0 attenuation 0
        out (PSG_PORT), a
        ld a, 0xAA
        ld (DONE_FLAG), a
stop:   halt
        jr stop
