; Sound changes and timer settings at every point of a scanline, for the test
; that the scheduler's mixing of finished lines gives the sound of mixing at
; every line.
;
; Counter/timer channel 1 runs as a timer with prescaler 16, interrupting in
; mode 2. The main loop sets it again and again with time constants of 1 to
; 31 (16 to 496 machine clocks), so that timers fall due inside the line they
; are set in as well as in later lines, and between two settings it writes a
; new tone period and waits a varying while. The handler counts, writes the
; count to the probe port and sets the tone's volume from it.

                INCLUDE "m5_ports.inc"
                INCLUDE "ctc_im2.inc"

                IM2_VECTOR 2, HANDLER   ; channel 1
                LD A, VECTOR_BASE
                OUT (CTC0), A
                LD A, 0x90              ; tone 0 at full volume
                OUT (PSG), A
                LD A, 0xA5
                LD (MARK), A
                LD C, 1                 ; time constant
                LD E, 0                 ; tone period and wait
                EI

MAIN:           LD A, CTC_INT | CTC_CONSTANT | CTC_RESET | CTC_CONTROL
                OUT (CTC1), A
                LD A, C
                OUT (CTC1), A
                LD A, E                 ; tone 0 period: low 4 bits,
                AND 0x0F
                OR 0x80
                OUT (PSG), A
                LD A, E                 ; then the high 6 bits
                RRCA
                RRCA
                AND 0x3F
                OR 0x01
                OUT (PSG), A
                INC E
                LD A, E
                AND 0x1F
                INC A
                LD B, A
WAIT:           DJNZ WAIT
                LD A, C                 ; the next constant, 1 to 31
                INC A
                AND 0x1F
                JR NZ, NEXT
                INC A
NEXT:           LD C, A
                JR MAIN

                INCLUDE "count_handler.inc"
