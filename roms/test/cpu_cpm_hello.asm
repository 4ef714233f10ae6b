; A CP/M program for z80check's cpm mode (not an M5 program): prints a
; string through BDOS function 9 and a character through function 2, then
; ends by jumping to 0x0000. From the first instruction to the final jump it
; takes 137 T-states with z80check's BDOS (JP BDOS; OUT (0xFF),A; RET).

BDOS            EQU 0x0005

                ORG 0x0100
                LD C,9                  ;  7
                LD DE,MESSAGE           ; 10
                CALL BDOS               ; 17 + 10 + 11 + 10
                LD C,2                  ;  7
                LD E,'!'                ;  7
                CALL BDOS               ; 17 + 10 + 11 + 10
                JP 0x0000               ; 10
MESSAGE:        DB "Hello from CP/M$"
