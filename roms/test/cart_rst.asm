; Restart instructions: RST 20 and RST 28 through the header's slots, RST 30
; and RST 38 through the RAM hooks (first as the IPL fills them, a harmless
; return, then with jumps of ours), RST 10 / RST 18 writing and reading
; video memory at HL, RST 08 reading the print flag. RAM from RESULTS:
;   +0 RST 20 (A + 1), +1 RST 28 (A + 2), +2 RST 30 and RST 38 returned,
;   +3 hooked RST 30 (A), +4 hooked RST 38 (A), +5 RST 18 read back,
;   +6 RST 08 flag, +7 its address (word), +9 the end reached.
        INCLUDE "ipl_entries.inc"
        CART_HEADER 0x02, start, IPL_RET
        jp slot_20                  ; 0x2005
        jp slot_28                  ; 0x2008

RESULTS         EQU 0x7800
VRAM_PROBE      EQU 0x1234

start:
        ld a,0x10
        rst 0x20
        ld a,0x20
        rst 0x28
        rst 0x30
        rst 0x38
        ld a,1
        ld (RESULTS + 2),a

        ld a,0xC3                   ; jp
        ld (HOOK_RST30),a
        ld (HOOK_RST38),a
        ld hl,hook_30
        ld (HOOK_RST30 + 1),hl
        ld hl,hook_38
        ld (HOOK_RST38 + 1),hl
        ld a,0x33
        rst 0x30
        ld a,0x44
        rst 0x38

        ld hl,VRAM_PROBE
        ld a,0x5A
        rst 0x10
        xor a
        rst 0x18
        ld (RESULTS + 5),a

        ld hl,0
        rst 0x08
        ld (RESULTS + 6),a
        ld (RESULTS + 7),hl
        ld a,1
        ld (RESULTS + 9),a
stay:
        jr stay

slot_20:
        inc a
        ld (RESULTS + 0),a
        ret
slot_28:
        add a,2
        ld (RESULTS + 1),a
        ret
hook_30:
        ld (RESULTS + 3),a
        ret
hook_38:
        ld (RESULTS + 4),a
        ret
