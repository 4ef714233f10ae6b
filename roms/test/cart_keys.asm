; Keyboard, joystick and bell. The test presses: A (WTKDTC), then Shift + Q
; (SCNKB), then up and left (JOYSP, then a beep and CLKBF), then X and Y
; while the program sleeps (queued, taken by ACECHI), then holds 5 to the end
; (KEY_NOW).
; RAM from RESULTS: +0 WTKDTC's code, +1 ACECHI at once: code, +2 its carry,
; +3 SCNKB's code, +4 its modifiers, +5 JOYSP's direction, +6 its buttons,
; +7 and +8 ACECHI after the sleep, +9 carry of a third ACECHI, +10 JOYSP's
; port bits.
        INCLUDE "ipl_entries.inc"
        CART_HEADER 0x02, start, IPL_RET

RESULTS         EQU 0x7800
SLEEP           EQU 50

start:
        call CLKBF
        call WTKDTC
        ld (RESULTS + 0),a
        call ACECHI
        ld (RESULTS + 1),a
        call carry_byte
        ld (RESULTS + 2),a
released:
        call SCNKB
        or a
        jr nz,released
pressed:
        call SCNKB
        call DECAD                  ; as programs that scan keys do
        or a
        jr z,pressed
        ld (RESULTS + 3),a
        ld a,b
        ld (RESULTS + 4),a
joystick:
        call JOYSP
        or a
        jr z,joystick
        ld (RESULTS + 5),a
        ld a,b
        ld (RESULTS + 6),a
        ld a,c
        ld (RESULTS + 10),a
        call BEL
        call CLKBF                  ; the Q went into the buffer too
        ld b,SLEEP
sleep:
        halt
        djnz sleep
        call ACECHI
        ld (RESULTS + 7),a
        call ACECHI
        ld (RESULTS + 8),a
        call ACECHI
        call carry_byte
        ld (RESULTS + 9),a
stay:
        jr stay

; A = 1 if carry was set, else 0.
carry_byte:
        ld a,0
        rla
        ret
