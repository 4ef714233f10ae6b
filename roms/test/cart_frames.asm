; Interrupt conventions. The first start restarts the machine (jp 0) from
; inside its own frame handler, while the counter/timer still holds the
; interrupt in service; the IPL must end it. The second start calls a dummy
; RETI, puts its frame handler at 0x7006, points channel 1's vector at the
; IPL's interrupt return (0x186C) and runs a fast channel 1 timer, which
; must not stop the frame interrupts.
; RAM: STARTS, FRAMES (word, counted by the second handler), the I register
; and the interrupt state seen at the first start, and the vector table and
; hooks as the IPL left them (VECTORS_SEEN, 14 bytes).
        INCLUDE "m5_ports.inc"
        INCLUDE "ipl_entries.inc"
        CART_HEADER 0x02, start, IPL_RET

STARTS          EQU 0x7800
FRAMES          EQU 0x7802
I_SEEN          EQU 0x7804
IFF_SEEN        EQU 0x7805
HANDLER_RUNS    EQU 0x7806
VECTORS_SEEN    EQU 0x7810
RESTART_AFTER   EQU 10              ; frames of the first handler
TIMER_CONSTANT  EQU 50              ; x 256 clocks: about 300 interrupts a second

start:
        ld hl,STARTS
        inc (hl)
        ld a,(hl)
        cp 1
        jr nz,second

        ld a,i
        ld (I_SEEN),a
        ld a,0
        jp po,first_state
        inc a
first_state:
        ld (IFF_SEEN),a
        ld hl,INT_VECTORS
        ld de,VECTORS_SEEN
        ld bc,14
        ldir
        di
        ld hl,restart_handler
        ld (FRAME_VECTOR),hl
        ei
first_wait:
        jr first_wait

restart_handler:
        in a,(VDP_CTRL)
        ld hl,HANDLER_RUNS
        inc (hl)
        ld a,(hl)
        cp RESTART_AFTER
        jp z,0x0000                 ; restart, the interrupt still in service
        ei
        reti

second:
        call dummy_reti
        di
        ld hl,count_handler
        ld (FRAME_VECTOR),hl
        ld hl,RETI_STUB
        ld (INT_VECTORS + 2),hl
        ld a,CTC_INT | CTC_PRE256 | CTC_CONSTANT | CTC_RESET | CTC_CONTROL
        out (CTC1),a
        ld a,TIMER_CONSTANT
        out (CTC1),a
        ei
second_wait:
        jr second_wait

count_handler:
        push af
        push hl
        in a,(VDP_CTRL)
        ld hl,(FRAMES)
        inc hl
        ld (FRAMES),hl
        pop hl
        pop af
        ei
        reti

dummy_reti:
        reti
