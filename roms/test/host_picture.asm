; Draws a fixed test picture in Graphics I mode and stops.
;
; Pattern table 0000h: pattern 0 blank, 1 solid, 2 checker (rows AAh, 55h),
; 3 left half (F0h); patterns 8 to 11 repeat 0 to 3 in the next colour group.
; Name table 1800h: the tile at column c, row r is ((c + r) AND 3), plus 8
; when bit 2 of r is set.
; Colour table 2000h: group 0 = 2Dh (foreground 2, background 13), group 1 =
; B5h (foreground 11, background 5). Backdrop 4. Sprites switched off.

                include "m5_ports.inc"
                include "vdp_setup.inc"

                org 0000h
start:          di
                ld sp, 0000h
                VDP_REGISTERS registers

                ld de, 0000h            ; patterns 0 to 3
                call set_write
                ld hl, patterns
                ld b, 32
                call copy_out
                ld de, 0040h            ; patterns 8 to 11
                call set_write
                ld hl, patterns
                ld b, 32
                call copy_out

                ld de, 2000h            ; colour groups 0 and 1
                call set_write
                ld a, 2Dh
                out (VDP_DATA), a
                ld a, 0B5h
                out (VDP_DATA), a

                ld de, 1B00h            ; sprite list ends at once
                call set_write
                ld a, 0D0h
                out (VDP_DATA), a

                ld de, 1800h            ; name table, row by row
                call set_write
                ld d, 0                 ; row
name_row:       ld e, 0                 ; column
name_column:    ld a, e
                add a, d
                and 3
                ld b, a
                ld a, d
                add a, a
                and 8
                or b
                out (VDP_DATA), a
                inc e
                ld a, e
                cp 32
                jr nz, name_column
                inc d
                ld a, d
                cp 24
                jr nz, name_row

stop:           halt
                jr stop

; Sets the VRAM write address to DE.
                VDP_SET_WRITE

; Sends B bytes from HL to the data port.
copy_out:       ld a, (hl)
                out (VDP_DATA), a
                inc hl
                djnz copy_out
                ret

registers:      db 00h, 0C0h, 06h, 80h, 00h, 36h, 07h, 04h
patterns:       db 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h
                db 0FFh, 0FFh, 0FFh, 0FFh, 0FFh, 0FFh, 0FFh, 0FFh
                db 0AAh, 55h, 0AAh, 55h, 0AAh, 55h, 0AAh, 55h
                db 0F0h, 0F0h, 0F0h, 0F0h, 0F0h, 0F0h, 0F0h, 0F0h
