; Counter/timer channel 2 as a timer interrupting in mode 2.
;
; Channel 2 runs with prescaler 256 and time constant 100 (one interrupt
; every 25600 machine clocks). Its handler, reached through the vector
; table entry of vector base | 4, writes 0x24 to the probe port and counts
; in COUNT; every other table entry leads to a handler that writes 0xEE and
; counts in WRONG. Both end with RETI, which must free the channel for the
; next interrupt.

                INCLUDE "m5_ports.inc"

WRONG           EQU 0x7004      ; interrupts taken through any other entry (word)

                INCLUDE "ctc_im2.inc"

                LD (WRONG), HL
                ; Every entry of the table, and the word past its end, points
                ; at WRONG_HANDLER (0x0F0F: both bytes alike).
                LD HL, TABLE
                LD DE, TABLE + 1
                LD BC, 257
                LD (HL), 0x0F
                LDIR
                IM2_VECTOR 4, CH2_HANDLER
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
