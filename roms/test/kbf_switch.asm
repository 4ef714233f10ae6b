; The 64KBF module switched while a program runs: the program copies itself
; into the module's RAM and carries on there, at its own addresses.
;
; In mode 0 (as after reset) the module reads the monitor ROM at 0x0000 and
; its RAM from 0x7000. A routine copied to 0x8000 copies the program's 8 KiB
; of ROM to a buffer at 0x9000, chooses mode 1 (all 64 KiB RAM, read and
; written) with OUT (0x30),1, copies the buffer back to 0x0000, where the
; RAM now answers, and jumps to CONTINUE there. The program goes on from the
; RAM copy of itself: it writes to a byte in its own first 8 KiB and reads it
; back (RAM keeps it, a ROM would not) and stores the results.
;
; On a machine without the module, port 0x30 changes nothing: the same steps
; run from the ROM, and the byte written in the first 8 KiB is lost.

                INCLUDE "m5_ports.inc"

KBF_MODE        EQU 0x30        ; the module's mode register (write)
ROUTINE         EQU 0x8000      ; where the copying routine runs
BUFFER          EQU 0x9000
PROGRAM_SIZE    EQU 0x2000
TRY_BYTE        EQU 0x1F00      ; in the program's own 8 KiB (0xFF in the ROM)
MARK            EQU 0xFF00      ; 0xA5 once the program runs
RAN_AT          EQU 0xFF01      ; 0xC3 once CONTINUE ran
READ_BACK       EQU 0xFF02      ; what TRY_BYTE read after 0x5A was written
DONE            EQU 0xFF03      ; 0xA5 at the end
STACK           EQU 0xFE00

                ORG 0x0000
                DI
                LD SP, STACK
                LD A, 0xA5
                LD (MARK), A
                LD HL, ROUTINE_START
                LD DE, ROUTINE
                LD BC, ROUTINE_END - ROUTINE_START
                LDIR
                JP ROUTINE

; Copied to ROUTINE and run there (its jumps are absolute to CONTINUE
; only, which is the same address in ROM and in the RAM copy).
ROUTINE_START:
                LD HL, 0x0000               ; the ROM, as mode 0 reads it
                LD DE, BUFFER
                LD BC, PROGRAM_SIZE
                LDIR
                LD A, 1                     ; all RAM
                OUT (KBF_MODE), A
                LD HL, BUFFER
                LD DE, 0x0000
                LD BC, PROGRAM_SIZE
                LDIR
                JP CONTINUE
ROUTINE_END:

CONTINUE:       LD A, 0xC3
                LD (RAN_AT), A
                LD A, 0x5A
                LD (TRY_BYTE), A
                LD A, (TRY_BYTE)
                LD (READ_BACK), A
                LD A, 0xA5
                LD (DONE), A
IDLE:           HALT
                JR IDLE
