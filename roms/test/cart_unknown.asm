; A header identifier of no meaning (0x55): nothing of the cartridge runs,
; the boot ROM shows its own program. Its routines would log 'I' and 'S'.
        INCLUDE "ipl_entries.inc"
        CART_HEADER 0x55, start, before_start

before_start:
        ld a,'I'
        jp log_event

start:
        ld a,'S'
        call log_event
stay:
        jr stay

        INCLUDE "cart_log.inc"
