; Header identifier 0x02: as 0x00 but without the module check; a program
; that returns hands the machine back to the boot ROM's own program. Log:
; 'I', 'S' (and no 'M' although a module sits at 0x4000).
        INCLUDE "ipl_entries.inc"
        CART_HEADER 0x02, start, before_start

before_start:
        ld a,'I'
        jp log_event

start:
        ld a,'S'
        call log_event
        ret

        INCLUDE "cart_log.inc"
        MODULE_AT_4000
