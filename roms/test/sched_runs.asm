; Long stretches of lines in which only the processor runs, with the time
; read, the sound changed, the timer set, a block copied and a HALT inside
; them, for the test that lines run together give what lines run one by one
; give.
;
; Counter/timer channel 1 runs as a timer with prescaler 256, interrupting in
; mode 2, with time constants of 16 to 79 (4096 to 20224 machine clocks, 17
; to 84 lines). Each pass of the main loop writes its number to the probe
; port and a new tone period, sets the timer again every fourth pass, waits
; 1 to 8 times 256 DJNZ steps (14 to 110 lines), copies 300 bytes with LDIR
; (26 lines) and halts until the next interrupt every eighth pass. The
; handler counts, writes the count to the probe port and sets the tone's
; volume from it.

                INCLUDE "m5_ports.inc"
                INCLUDE "ctc_im2.inc"

PASSES          EQU 0x7004      ; main loop passes

                IM2_VECTOR 2, HANDLER   ; channel 1
                LD A, VECTOR_BASE
                OUT (CTC0), A
                LD A, 0x90              ; tone 0 at full volume
                OUT (PSG), A
                XOR A
                LD (PASSES), A
                LD A, 0xA5
                LD (MARK), A
                EI

MAIN:           LD A, (PASSES)
                LD C, A
                OUT (PROBE), A
                AND 0x0F                ; tone 0 period: low 4 bits,
                OR 0x80
                OUT (PSG), A
                LD A, C                 ; then the high 6 bits
                AND 0x3F
                OR 0x04
                OUT (PSG), A
                LD A, C
                AND 0x03
                JR NZ, WAITS
                LD A, CTC_INT | CTC_PRE256 | CTC_CONSTANT | CTC_RESET | CTC_CONTROL
                OUT (CTC1), A
                LD A, C
                RRCA
                RRCA
                AND 0x3F
                ADD A, 16
                OUT (CTC1), A
WAITS:          LD A, C
                AND 0x07
                INC A
                LD D, A
                LD B, 0
WAIT:           DJNZ WAIT
                DEC D
                JR NZ, WAIT
                LD HL, 0x8000
                LD DE, 0x8100
                LD BC, 300
                LDIR
                LD A, (PASSES)
                AND 0x07
                CP 5
                JR NZ, NEXT
                HALT
NEXT:           LD HL, PASSES
                INC (HL)
                JR MAIN

                INCLUDE "count_handler.inc"
