; Drives the cassette lines through the system port and reads the cassette
; input back once.

                INCLUDE "m5_ports.inc"

MARK            EQU 0x7000      ; 0xA5 once the program runs
INPUT           EQU 0x7001      ; port 0x50 as read at the start
DONE            EQU 0x7002      ; 0x5A after the last write
STACK           EQU 0xFFF0

                ORG 0x0000
                DI
                LD SP, STACK
                LD A, 0xA5
                LD (MARK), A
                IN A, (SYSPORT)
                LD (INPUT), A
                LD A, 0x00              ; output 1 (inverted bit 0), motor off
                OUT (SYSPORT), A
                LD A, 0x03              ; output 0, motor on
                OUT (SYSPORT), A
                OUT (SYSPORT), A        ; no change: nothing sent
                LD A, 0x00
                OUT (SYSPORT_AUX), A    ; port 0x40: no effect
                LD A, 0x01              ; motor off
                OUT (SYSPORT), A
                LD A, 0x02              ; output 1, motor on
                OUT (SYSPORT), A
                LD A, 0x5A
                LD (DONE), A
STOP:           JR STOP
