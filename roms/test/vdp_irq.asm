; Frame interrupt through the counter/timer, interrupt mode 2.
;
; The video chip's interrupt line is counted by CTC channel 3 (counter mode,
; time constant 1), so every frame raises one interrupt with the vector of
; channel 3. The handler counts the interrupts in COUNT and reads the video
; status (which drops the line) only while READ_STATUS is non-zero; without
; that read the line stays high and no further interrupt arrives.

COUNT           equ 7000h       ; interrupts taken (8 bits, wraps)
READ_STATUS     equ 7001h       ; non-zero: the handler reads the status
VECTORS         equ 0100h       ; interrupt table page (I = 01h)

CTC0            equ 00h
CTC3            equ 03h
VDP_CONTROL     equ 11h

                org 0000h
start:          di
                ld sp, 0000h            ; stack grows down from 0FFFFh
                xor a
                ld (COUNT), a
                inc a
                ld (READ_STATUS), a
                ld a, VECTORS / 256
                ld i, a
                im 2
                xor a                   ; vector base 00h: channel 3 -> 06h
                out (CTC0), a
                ld a, 0D7h              ; interrupt, counter, rising edge,
                out (CTC3), a           ; constant follows, reset
                ld a, 1
                out (CTC3), a
                ld a, 60h               ; R1: display on, interrupt enabled
                out (VDP_CONTROL), a
                ld a, 81h
                out (VDP_CONTROL), a
                in a, (VDP_CONTROL)     ; start with the frame flag clear
                ei
idle:           halt
                jr idle

frame_handler:  push af
                ld a, (COUNT)
                inc a
                ld (COUNT), a
                ld a, (READ_STATUS)
                or a
                jr z, handler_done
                in a, (VDP_CONTROL)
handler_done:   pop af
                ei
                reti

                org VECTORS
                dw 0, 0, 0              ; channels 0 to 2 are not used
                dw frame_handler        ; channel 3 (vector 06h)
