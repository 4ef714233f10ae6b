; Which RAM answers: writes 0x5A to 0x7800 (the board's own 4 KiB), 0x8000,
; 0xC000 and 0xFFFF (the expansion's), reads each back and keeps what it
; read at 0x7010-0x7013. On the bare machine the three above 0x8000 read
; 0xFF. Everything else stays in the board's 4 KiB.

MARK            EQU 0x7000      ; 0xA5 once the program has run
RESULTS         EQU 0x7010      ; four bytes: what each write read back
STACK           EQU 0x7F00

                ORG 0x0000
                DI
                LD SP, STACK
                LD DE, RESULTS
                LD HL, 0x7800
                CALL PROBE
                LD HL, 0x8000
                CALL PROBE
                LD HL, 0xC000
                CALL PROBE
                LD HL, 0xFFFF
                CALL PROBE
                LD A, 0xA5
                LD (MARK), A
HALT_LOOP:      HALT
                JR HALT_LOOP

; Writes 0x5A at (HL), stores what it reads back at (DE) and moves DE on.
PROBE:          LD (HL), 0x5A
                LD A, (HL)
                LD (DE), A
                INC DE
                RET
