; Header identifier 0x00: the IPL calls the routine at (0x2003), starts the
; program at (0x2001), and when the program returns, starts the module at
; 0x4000. Log: 'I' (with the interrupt state and I register seen there),
; 'S', 'M'.
        INCLUDE "ipl_entries.inc"
        CART_HEADER 0x00, start, before_start

before_start:
        ld a,'I'
        call log_event
        ld a,i
        ld b,a
        ld a,0
        jp po,bs_state              ; P/V: interrupts enabled
        inc a
bs_state:
        call log_event              ; 1 when interrupts are on
        ld a,b
        jp log_event                ; the I register

start:
        ld a,'S'
        call log_event
        ret                         ; back to the IPL: the module comes next

        INCLUDE "cart_log.inc"
        MODULE_AT_4000
