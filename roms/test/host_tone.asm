; Plays one steady tone and stops: sound channel 0 at period 112
; (3579545 / (32 * 112) = 998.7 Hz) at full volume; the other channels stay
; silent.

PSG             equ 20h

                org 0000h
start:          di
                ld sp, 0000h
                ld a, 80h | (112 & 0Fh) ; latch tone 0 period, low 4 bits
                out (PSG), a
                ld a, 112 >> 4          ; high 6 bits
                out (PSG), a
                ld a, 90h               ; tone 0 attenuation 0
                out (PSG), a
stop:           halt
                jr stop
