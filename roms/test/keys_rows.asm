; Reads the keyboard ports 0x30..0x38 over and over and stores them at
; ROWS..ROWS+8. The port is addressed through C with the loop counter in B,
; so the high byte of the port value changes from row to row.

                INCLUDE "m5_ports.inc"

MARK            EQU 0x7000      ; 0xA5 once the program runs
ROWS            EQU 0x7010
STACK           EQU 0xFFF0

                ORG 0x0000
                DI
                LD SP, STACK
                LD A, 0xA5
                LD (MARK), A
SCAN:           LD HL, ROWS
                LD C, KEYS
                LD B, 9
NEXT:           IN A, (C)
                LD (HL), A
                INC HL
                INC C
                DJNZ NEXT
                JR SCAN
