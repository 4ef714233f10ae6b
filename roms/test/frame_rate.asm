; Frame interrupts in ten seconds of machine time.
;
; Counter/timer channel 0 is a timer with prescaler 16 and time constant 250:
; an interrupt every 4000 machine clocks, and 9500 of them make 38,000,000
; clocks, ten seconds at 3.8 MHz. Channel 3 counts the video chip's frame
; interrupts (counter mode, time constant 1). From the moment both start
; until the timer's 9500th interrupt, the frame handler counts frames; after
; it, the count stands. Each counted frame interrupt also writes its number
; (low byte) to the probe port, where a test can take the machine time of
; each and so the interrupt period in machine clocks.
;
; Everything lives in the board's own 4 KiB of RAM, so that the bare machine
; runs it too.

                INCLUDE "m5_ports.inc"

MARK            EQU 0x7000      ; 0xA5 once the program runs
FRAMES          EQU 0x7002      ; word: frame interrupts counted
TICKS           EQU 0x7004      ; word: timer interrupts so far
DONE            EQU 0x7006      ; 0xA5 once the ten seconds are over
TABLE           EQU 0x7100      ; vector table page (I = 0x71)
STACK           EQU 0x7F00
PROBE           EQU 0xF0        ; unmapped port a test may watch
TEN_SECONDS     EQU 9500        ; timer interrupts
TIMER_CONSTANT  EQU 250         ; x prescaler 16 = 4000 machine clocks

                ORG 0x0000
                DI
                LD SP, STACK
                LD HL, 0
                LD (FRAMES), HL
                LD (TICKS), HL
                XOR A
                LD (DONE), A
                LD HL, TIMER_HANDLER
                LD (TABLE + 0), HL          ; channel 0
                LD HL, FRAME_HANDLER
                LD (TABLE + 6), HL          ; channel 3
                LD A, TABLE / 256
                LD I, A
                IM 2
                LD A, 0xA5
                LD (MARK), A

                LD A, 0x20                  ; R1: frame interrupt enabled
                OUT (VDP_CTRL), A
                LD A, 0x81
                OUT (VDP_CTRL), A
                IN A, (VDP_CTRL)            ; no frame flag left over
                XOR A                       ; vector base 0
                OUT (CTC0), A
                LD A, CTC_INT | CTC_COUNTER | CTC_RISING | CTC_CONSTANT | CTC_RESET | CTC_CONTROL
                OUT (CTC3), A
                LD A, 1
                OUT (CTC3), A
                LD A, CTC_INT | CTC_CONSTANT | CTC_RESET | CTC_CONTROL
                OUT (CTC0), A
                LD A, TIMER_CONSTANT        ; the ten seconds start
                OUT (CTC0), A
                EI
IDLE:           HALT
                JR IDLE

TIMER_HANDLER:  PUSH AF
                PUSH HL
                LD HL, (TICKS)
                INC HL
                LD (TICKS), HL
                LD A, H
                CP TEN_SECONDS / 256
                JR NZ, TIMER_DONE
                LD A, L
                CP TEN_SECONDS % 256
                JR NZ, TIMER_DONE
                LD A, 0xA5
                LD (DONE), A
                LD A, CTC_RESET | CTC_CONTROL  ; the timer stops
                OUT (CTC0), A
TIMER_DONE:     POP HL
                POP AF
                EI
                RETI

FRAME_HANDLER:  PUSH AF
                PUSH HL
                IN A, (VDP_CTRL)            ; drops the interrupt line
                LD A, (DONE)
                OR A
                JR NZ, FRAME_DONE
                LD HL, (FRAMES)
                INC HL
                LD (FRAMES), HL
                LD A, L
                OUT (PROBE), A
FRAME_DONE:     POP HL
                POP AF
                EI
                RETI
