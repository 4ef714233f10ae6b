; Moving sprites, two interrupt sources and changing sound at once: a busy
; machine for the save-state fixtures (tests/fixtures/states). Its bytes
; must never change, or the saved states made with it no longer load.
;
; Graphics I mode with 16x16 sprites: six sprites on one row (more than four
; on a line, and overlapping, so the fifth-sprite and coincidence flags are
; set) and two more below, one with the early clock bit. Sprite patterns at
; 3800h, attributes at 1B00h, name table 1800h, colour table 2000h, patterns
; 0000h filled with the low byte of their address.
;
; Counter/timer channel 3 counts the video interrupt (one interrupt a frame,
; mode 2): the handler reads the status into the ring STATUS_LOG, counts
; frames and moves the sprites one pixel right. Channel 1 is a timer with
; prescaler 16 and time constant 200 (an interrupt every 3200 clocks): its
; handler counts ticks and sets tone 1's period from the count. The main
; loop counts its passes.

FRAMES          equ 7000h       ; frame interrupts taken (word)
TICKS           equ 7002h       ; timer interrupts taken (word)
PASSES          equ 7004h       ; main loop passes (word)
STATUS_LOG      equ 7100h       ; video status at each frame, 256-byte ring
VECTORS         equ 0400h       ; interrupt table page (I = 04h)

                include "m5_ports.inc"
                include "vdp_setup.inc"

                org 0000h
start:          di
                ld sp, 0000h
                ld hl, 0
                ld (FRAMES), hl
                ld (TICKS), hl
                ld (PASSES), hl

                VDP_REGISTERS registers

                ld de, 0000h            ; patterns: the low address byte
                call set_write
                ld bc, 0800h
patterns:       ld a, c
                out (VDP_DATA), a
                dec bc
                ld a, b
                or c
                jr nz, patterns

                ld de, 1800h            ; names: 0, 1, 2, ... wrapping
                call set_write
                ld bc, 0300h
names:          ld a, c
                add a, b
                out (VDP_DATA), a
                dec bc
                ld a, b
                or c
                jr nz, names

                ld de, 2000h            ; colours: group g = (g * 11h) + 23h
                call set_write
                ld b, 32
                ld a, 23h
colours:        out (VDP_DATA), a
                add a, 11h
                djnz colours

                ld de, 3800h            ; sprite pattern 0 (32 bytes)
                call set_write
                ld hl, sprite_shape
                ld b, 32
shape:          ld a, (hl)
                out (VDP_DATA), a
                inc hl
                djnz shape

                call write_sprites

                ld a, VECTORS / 256
                ld i, a
                im 2
                xor a                   ; vector base 00h
                out (CTC0), a
                ld a, CTC_INT | CTC_COUNTER | CTC_RISING | CTC_CONSTANT | CTC_RESET | CTC_CONTROL
                out (CTC3), a           ; video interrupt, every edge
                ld a, 1
                out (CTC3), a
                ld a, CTC_INT | CTC_CONSTANT | CTC_RESET | CTC_CONTROL
                out (CTC1), a           ; timer, prescaler 16
                ld a, 200
                out (CTC1), a

                ld a, 90h               ; tone 0: period 0FEh, full volume
                out (PSG), a
                ld a, 80h | 0Eh
                out (PSG), a
                ld a, 0Fh
                out (PSG), a
                ld a, 0B4h              ; tone 1: attenuation 4
                out (PSG), a
                in a, (VDP_CTRL)        ; drop any pending video interrupt
                ei

main:           ld hl, (PASSES)
                inc hl
                ld (PASSES), hl
                jr main

; Sets the video address DE for writing.
                VDP_SET_WRITE

; Writes the sprite attributes for the frame count in FRAMES: sprite n of the
; first row at x = 20 + 12n + frames, the two below at x = 200 - frames.
write_sprites:  ld de, 1B00h
                call set_write
                ld a, (FRAMES)
                add a, 20
                ld c, a
                ld b, 6
                ld e, 1                 ; colour 1 onwards
row:            ld a, 50                ; y
                out (VDP_DATA), a
                ld a, c                 ; x
                out (VDP_DATA), a
                add a, 12
                ld c, a
                xor a                   ; pattern 0
                out (VDP_DATA), a
                ld a, e                 ; colour
                out (VDP_DATA), a
                inc e
                inc e
                djnz row
                ld a, (FRAMES)
                ld c, a
                ld a, 200
                sub c
                ld c, a
                ld a, 120               ; sprite 6
                out (VDP_DATA), a
                ld a, c
                out (VDP_DATA), a
                xor a
                out (VDP_DATA), a
                ld a, 0Fh
                out (VDP_DATA), a
                ld a, 140               ; sprite 7: early clock
                out (VDP_DATA), a
                ld a, c
                out (VDP_DATA), a
                xor a
                out (VDP_DATA), a
                ld a, 8Ah
                out (VDP_DATA), a
                ld a, 0D0h              ; end of the list
                out (VDP_DATA), a
                ret

frame_handler:  push af
                push bc
                push de
                push hl
                in a, (VDP_CTRL)        ; status; drops the interrupt line
                ld hl, (FRAMES)
                ld h, STATUS_LOG / 256
                ld (hl), a
                ld hl, (FRAMES)
                inc hl
                ld (FRAMES), hl
                call write_sprites
                pop hl
                pop de
                pop bc
                pop af
                ei
                reti

tick_handler:   push af
                push hl
                ld hl, (TICKS)
                inc hl
                ld (TICKS), hl
                ld a, l                 ; tone 1 period: low 4 bits
                and 0Fh
                or 0A0h
                out (PSG), a
                ld a, l                 ; high 6 bits
                rrca
                rrca
                and 3Fh
                or 08h
                out (PSG), a
                pop hl
                pop af
                ei
                reti

registers:      db 00h                  ; R0: Graphics I
                db 0E2h                 ; R1: 16K, display on, interrupt on, 16x16 sprites
                db 06h                  ; R2: names 1800h
                db 80h                  ; R3: colours 2000h
                db 00h                  ; R4: patterns 0000h
                db 36h                  ; R5: sprite attributes 1B00h
                db 07h                  ; R6: sprite patterns 3800h
                db 0F4h                 ; R7: white on dark blue

sprite_shape:   db 0FFh, 81h, 0BDh, 0A5h, 0A5h, 0BDh, 81h, 0FFh
                db 0FFh, 0C3h, 99h, 3Ch, 3Ch, 99h, 0C3h, 0FFh
                db 0F0h, 0F0h, 0F0h, 0F0h, 0Fh, 0Fh, 0Fh, 0Fh
                db 0AAh, 55h, 0AAh, 55h, 0AAh, 55h, 0AAh, 55h

                org VECTORS
                dw 0                    ; channel 0
                dw tick_handler         ; channel 1
                dw 0                    ; channel 2
                dw frame_handler        ; channel 3
