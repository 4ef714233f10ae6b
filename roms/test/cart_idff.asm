; Header identifier 0xFF: no program at 0x2000; the module at 0x4000 starts.
; Log: 'M'.
        org 0x2000
        db 0xFF
        INCLUDE "cart_log.inc"
        MODULE_AT_4000
