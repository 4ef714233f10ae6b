; Six sprites on one row and a seventh alone, on an empty Graphics I screen,
; then stops: the picture shows what the sprite limit hides.
;
; Backdrop 4; the name, pattern and colour tables are video RAM as reset
; left it (all 0), so the background is the backdrop everywhere. Sprite
; attributes at 1B00h, sprite patterns at 3800h: pattern 0 solid, 8 x 8,
; not magnified.
; Sprites 0 to 5: Y = 49 (picture rows 50..57), X = 16 + 32 n, colour 2 + n.
; Sprite 6: Y = 99 (rows 100..107), X = 100, colour 8. Then the end mark.
; On rows 50..57 sprites 4 and 5 are the fifth and sixth.

                include "m5_ports.inc"
                include "vdp_setup.inc"

                org 0000h
start:          di
                ld sp, 0000h
                VDP_REGISTERS registers

                ld de, 3800h            ; sprite pattern 0: solid
                call set_write
                ld b, 8
                ld a, 0FFh
solid:          out (VDP_DATA), a
                djnz solid

                ld de, 1B00h            ; the attribute list
                call set_write
                ld b, 6
                ld d, 16                ; X
                ld e, 2                 ; colour
row_sprite:     ld a, 49
                out (VDP_DATA), a
                ld a, d
                out (VDP_DATA), a
                xor a
                out (VDP_DATA), a
                ld a, e
                out (VDP_DATA), a
                ld a, d
                add a, 32
                ld d, a
                inc e
                djnz row_sprite
                ld hl, last_sprite
                ld b, 5
copy_out:       ld a, (hl)
                out (VDP_DATA), a
                inc hl
                djnz copy_out

stop:           halt
                jr stop

; Sets the VRAM write address to DE.
                VDP_SET_WRITE

registers:      db 00h, 40h, 06h, 80h, 00h, 36h, 07h, 04h
last_sprite:    db 99, 100, 0, 8, 0D0h
