; Counter/timer channel 2 as a timer interrupting in mode 2.
;
; Channel 2 runs with prescaler 256 and time constant 100 (one interrupt
; every 25600 machine clocks). Its handler, reached through the vector
; table entry of vector base | 4, writes 0x24 to the probe port and counts;
; every other table entry leads to a handler that writes 0xEE. Both end
; with RETI, which must free the channel for the next interrupt.

                INCLUDE "m5_ports.inc"

MARK            EQU 0x7000      ; 0xA5 once the program runs
COUNT           EQU 0x7002      ; interrupts taken through the channel 2 entry (word)
WRONG           EQU 0x7004      ; interrupts taken through any other entry (word)
TABLE           EQU 0x7100      ; vector table page (I = 0x71)
STACK           EQU 0xFFF0
PROBE           EQU 0xF0        ; unmapped port the test watches
VECTOR_BASE     EQU 0x20

                ORG 0x0000
                DI
                LD SP, STACK
                LD HL, 0
                LD (COUNT), HL
                LD (WRONG), HL
                ; Every entry of the table, and the word past its end, points
                ; at WRONG_HANDLER (0x0F0F: both bytes alike).
                LD HL, TABLE
                LD DE, TABLE + 1
                LD BC, 257
                LD (HL), 0x0F
                LDIR
                LD HL, CH2_HANDLER
                LD (TABLE + VECTOR_BASE + 4), HL
                LD A, TABLE / 256
                LD I, A
                IM 2
                LD A, 0xA5
                LD (MARK), A

                LD A, VECTOR_BASE
                OUT (CTC0), A
                LD A, CTC_INT | CTC_PRE256 | CTC_CONSTANT | CTC_RESET | CTC_CONTROL
                OUT (CTC2), A
                LD A, 100
                OUT (CTC2), A
                EI
IDLE:           JR IDLE

CH2_HANDLER:    PUSH AF
                PUSH HL
                LD A, 0x24
                OUT (PROBE), A
                LD HL, (COUNT)
                INC HL
                LD (COUNT), HL
                POP HL
                POP AF
                EI
                RETI

                ORG 0x0F0F
WRONG_HANDLER:  PUSH AF
                PUSH HL
                LD A, 0xEE
                OUT (PROBE), A
                LD HL, (WRONG)
                INC HL
                LD (WRONG), HL
                POP HL
                POP AF
                EI
                RETI
