; Picture and keyboard check for the desktop program.
;
; Sets up the video chip in graphics I mode and draws known colours:
;   tile rows 0..7:   columns 0..15 medium red (8), columns 16..31 dark green (12)
;   tile rows 12..19: one row per keyboard port 0x30..0x37; for each bit b of
;                     the port, tile columns 4b..4b+2 show whether the program
;                     has ever seen that bit set: dark blue (4) not yet, white
;                     (15) seen. Column 4b+3 and all other rows are black.
; The key bits are latched in RAM, so a short key press stays visible.

                INCLUDE "m5_ports.inc"

LATCH           EQU 7010h       ; 8 bytes, one per port 0x30..0x37
STACK           EQU 0FFF0h

PAT_BLANK       EQU 00h         ; pattern groups: 8 patterns share a colour byte
PAT_RED         EQU 08h
PAT_GREEN       EQU 10h
PAT_OFF         EQU 18h
PAT_ON          EQU 20h

NAME_TABLE      EQU 1800h
COLOUR_TABLE    EQU 2000h
CELL_ROWS       EQU NAME_TABLE + 12 * 32

                ORG 0000h
start:          di
                ld sp, STACK

; Registers 0..7.
                ld hl, vdp_registers
                ld d, 80h
                ld b, 8
set_register:   ld a, (hl)
                out (VDP_CTRL), a
                ld a, d
                out (VDP_CTRL), a
                inc hl
                inc d
                djnz set_register

; Clear all 16 KiB of video memory.
                ld de, 0000h
                call vram_write_at
                ld bc, 4000h
clear_vram:     xor a
                out (VDP_DATA), a
                dec bc
                ld a, b
                or c
                jr nz, clear_vram

; Solid patterns for the four coloured groups.
                ld de, PAT_RED * 8
                call solid_pattern
                ld de, PAT_GREEN * 8
                call solid_pattern
                ld de, PAT_OFF * 8
                call solid_pattern
                ld de, PAT_ON * 8
                call solid_pattern

; Colour bytes of groups 0..4 (foreground high nibble, background black).
                ld de, COLOUR_TABLE
                call vram_write_at
                ld hl, group_colours
                ld b, 5
colours:        ld a, (hl)
                out (VDP_DATA), a
                inc hl
                djnz colours

; No sprites: the first attribute entry ends the list.
                ld de, 1B00h
                call vram_write_at
                ld a, 0D0h
                out (VDP_DATA), a

; Rows 0..7: red left half, green right half.
                ld de, NAME_TABLE
                call vram_write_at
                ld c, 8
top_rows:       ld b, 16
                ld a, PAT_RED
red_cells:      out (VDP_DATA), a
                djnz red_cells
                ld b, 16
                ld a, PAT_GREEN
green_cells:    out (VDP_DATA), a
                djnz green_cells
                dec c
                jr nz, top_rows

; Nothing seen yet.
                ld hl, LATCH
                ld b, 8
clear_latch:    ld (hl), 0
                inc hl
                djnz clear_latch

; Main loop: read the eight ports, latch the bits, redraw the cell rows.
main:           ld hl, LATCH
                ld c, KEYS
                ld b, 8
read_port:      in a, (c)
                or (hl)
                ld (hl), a
                inc hl
                inc c
                djnz read_port

                ld de, CELL_ROWS
                call vram_write_at
                ld hl, LATCH
                ld b, 8
draw_row:       ld d, (hl)
                inc hl
                push bc
                ld b, 8
draw_bit:       srl d
                ld a, PAT_OFF
                jr nc, bit_clear
                ld a, PAT_ON
bit_clear:      out (VDP_DATA), a
                out (VDP_DATA), a
                out (VDP_DATA), a
                ld a, PAT_BLANK
                out (VDP_DATA), a
                djnz draw_bit
                pop bc
                djnz draw_row
                jr main

; Sets the video memory write address to DE.
vram_write_at:  ld a, e
                out (VDP_CTRL), a
                ld a, d
                and 3Fh
                or 40h
                out (VDP_CTRL), a
                ret

; Writes eight 0FFh bytes at video address DE.
solid_pattern:  call vram_write_at
                ld b, 8
                ld a, 0FFh
solid_byte:     out (VDP_DATA), a
                djnz solid_byte
                ret

; Graphics I, 16 KiB, display on, no interrupt; names at 1800h, colours at
; 2000h, patterns at 0000h, sprite attributes at 1B00h, sprite patterns at
; 3800h, black backdrop.
vdp_registers:  DB 00h, 0C0h, 06h, 80h, 00h, 36h, 07h, 01h

group_colours:  DB 11h          ; group 0: blank, black
                DB 81h          ; group 1: medium red
                DB 0C1h         ; group 2: dark green
                DB 41h          ; group 3: dark blue, key not seen
                DB 0F1h         ; group 4: white, key seen
