; A cartridge for the desktop program's checks: a whole picture of medium red
; on a dark green backdrop, so that a screenshot tells the picture from the
; backdrop around it (fullscreen) and from any boot ROM's own screen.
;
; Header at 2000h as M5 cartridges have it: identifier 02h (start at once),
; the start address, and the routine the boot ROM calls first (a RET here).
; The program sets Graphics I mode with the colour table's 32 groups all
; 08h (no foreground, background 8 medium red) over blank patterns, the
; sprite list empty, the backdrop 12 (dark green), and then waits.

                include "m5_ports.inc"
                include "vdp_setup.inc"

                org 2000h
                db 02h
                dw start
                dw just_return

just_return:    ret

start:          di
                ld sp, 8000h
                VDP_REGISTERS registers

                ld de, 0000h            ; patterns 0000h-07FFh: all blank
                ld bc, 0800h
                ld a, 0
                call fill
                ld de, 1800h            ; name table: pattern 0 everywhere
                ld bc, 0300h
                ld a, 0
                call fill
                ld de, 1B00h            ; sprite list ends at once
                ld bc, 0001h
                ld a, 0D0h
                call fill
                ld de, 2000h            ; colour groups: background red
                ld bc, 0020h
                ld a, 08h
                call fill
wait:           jr wait

; Writes A into BC bytes of video memory from DE.
fill:           push af
                ld a, e
                out (VDP_CTRL), a
                ld a, d
                or 40h
                out (VDP_CTRL), a
                pop af
fill_byte:      out (VDP_DATA), a
                dec bc
                ld d, a
                ld a, b
                or c
                ld a, d
                jr nz, fill_byte
                ret

; Graphics I, 16 KiB, display on, interrupts off; name table 1800h, colour
; table 2000h, patterns 0000h, sprites 1B00h / 3800h; backdrop 12.
registers:      db 00h, 0C0h, 06h, 80h, 00h, 36h, 07h, 0Ch
