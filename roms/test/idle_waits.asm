; Waits for an interrupt of the kinds a program idles in, for the test that
; a machine passing over the turns of idle loops ends as one run instruction
; by instruction.
;
; Counter/timer channel 1 runs as a timer with prescaler 256 and time
; constant 40 (10240 machine clocks, about 45 lines), interrupting in mode
; 2; the handler counts, writes the count to the probe port and sets tone
; 0's volume. The main loop waits for the count to change in four ways in
; turn: reading it, calling a routine that reads it, reading it and writing
; it to the probe port (a turn that reaches outside the processor), and HALT.

                INCLUDE "m5_ports.inc"
                INCLUDE "ctc_im2.inc"

                IM2_VECTOR 2, HANDLER   ; channel 1
                LD A, VECTOR_BASE
                OUT (CTC0), A
                LD A, 0x90              ; tone 0 at full volume
                OUT (PSG), A
                LD A, CTC_INT | CTC_PRE256 | CTC_CONSTANT | CTC_RESET | CTC_CONTROL
                OUT (CTC1), A
                LD A, 40
                OUT (CTC1), A
                LD A, 0xA5
                LD (MARK), A
                EI

MAIN:           LD A, (COUNT)
                LD B, A
READ:           LD A, (COUNT)
                CP B
                JR Z, READ
                LD B, A
CALLED:         CALL GET
                CP B
                JR Z, CALLED
                LD B, A
WRITTEN:        LD A, (COUNT)
                OUT (PROBE), A
                CP B
                JR Z, WRITTEN
                HALT
                JR MAIN

GET:            LD A, (COUNT)
                RET

                INCLUDE "count_handler.inc"
