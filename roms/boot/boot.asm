; Free boot ROM of the Sord M5 emulator.
;
; Runs from reset in place of the machine's own IPL ROM when the user has no
; IPL.ROM. It does what cartridges expect of the IPL, so that openly
; published M5 software runs without the original ROM, and shows a demo of
; its own when there is nothing to start.
;
; From reset: a stack in RAM (below 0x8000), the sound chip silenced,
; interrupt mode 2 with I = 0x70 and the vector table at 0x7000 (counter/
; timer vector base 0: channel n interrupts through 0x7000 + 2n), channel 3
; counting the video chip's frame interrupts with its vector at our frame
; handler, channels 0-2 at the interrupt return at 0x186C, the RST 30 and
; RST 38 hooks (0x7008, 0x700B) holding a RET. Then the cartridge header at
; 0x2000 decides:
;   identifier 0x00 or 0x02: the 32 x 24 character screen is set up,
;     interrupts go on, the routine at (0x2003) is called and the program
;     at (0x2001) started; should a 0x00 program return, a second module at
;     0x4000 starts (its start address at 0x4001) if there is one;
;   identifier 0xFF: the module at 0x4000, if there is one, starts the same
;     way;
;   anything else, and an empty slot: the demo, which listens to the
;     cassette: a machine-code program on a tape that plays is loaded and
;     started much as a cartridge is, but with the RAM from 0x7300 to the
;     top its own and the stack pointer at 0x0000 (ipl_tape*.inc).
; The fixed entry points that programs call (screen modes, console,
; keyboard, video memory, bell, multiply) sit at the addresses of the
; original ROM, listed in the map below; the routines behind them are ours.
;
; The demo shows a title screen that says where the original ROM belongs
; and how to start a cartridge, and then the hardware at work: two sprites
; moving by the frame interrupt, a tune and a noise effect, all fifteen
; colours, a live view of the keyboard and joystick ports, and a small area
; to type in. It keeps its own interrupt table (I = 0x01, at 0x0100), its
; variables from 0x7000 and its stack at the top of RAM.
;
; The demo's interrupts: mode 2; the video chip's frame interrupt reaches the processor
; through counter/timer channel 3 (counter mode, time constant 1), once per
; frame, 60 or 50 times a second. The handler reads the video status (which drops
; the interrupt line), counts the frame, scans the keyboard into a queue and
; runs the sound. The main loop waits for each frame and does all the video
; memory work, so only the main loop ever touches the video data port.
;
; Video: Graphics II. Each third of the screen has its own 256 patterns:
;   codes 0x01-0x0F, 0x11-0x1F  colour swatches (left and right halves)
;   codes 0x20-0x7F             the character set in the third's text colour
;   codes 0x80-0xDF             the same characters highlighted (+0x60)
;   codes 0xE0-0xFF             the large title letters (top third only)
;
; RAM words the tests look at: frames (0x7000), counted by the interrupt, and
; loops (0x7002), counted by the main loop.
;
; The ROM is laid out around the fixed addresses: the code between them is
; placed with `place`, which stops the assembly if a piece grows into the
; next fixed address.

place   macro addr
        if $ > addr
        .error A piece of the ROM runs into a fixed address
        endif
        ds addr - $, 0xFF
        endm

; ---------------------------------------------------------------------------
; Ports

CTC_CH0         equ 0x00
CTC_CH1         equ 0x01
CTC_CH2         equ 0x02
CTC_CH3         equ 0x03
VDP_DATA        equ 0x10
VDP_CTRL        equ 0x11
PSG             equ 0x20
KEY_ROW0        equ 0x30            ; keyboard rows 0x30-0x36, joysticks 0x37
SYSTEM_PORT     equ 0x50            ; read: bit 0 the cassette input; write:
                                    ; bit 0 the inverted cassette output, bit 1 the motor
MOTOR_ON        equ 0x03            ; the motor on, the cassette output at rest
MOTOR_OFF       equ 0x01

; ---------------------------------------------------------------------------
; Counter/timer set-up

CTC_VECTOR      equ 0x00            ; vector base (channel n answers base + 2n)
CTC_STOP        equ 0x03            ; control word, software reset: channel idle
CTC_FRAME       equ 0xC7            ; interrupt on, counter mode, falling edge,
                                    ; time constant follows, software reset
CTC_FRAME_COUNT equ 1               ; one interrupt per video frame

; ---------------------------------------------------------------------------
; Video memory layout (Graphics II)

PATTERNS        equ 0x0000          ; 3 x 2 KiB, one block per screen third
COLOURS         equ 0x2000          ; 3 x 2 KiB
SPRITE_PATTERNS equ 0x1800
NAMES           equ 0x3800          ; 32 x 24 name table
SPRITE_ATTRS    equ 0x3B00

R1_LOADING      equ 0xA2            ; 16 KiB, display off, interrupt on, 16x16 sprites
R1_RUNNING      equ 0xE2            ; the same with the display on

HIGHLIGHT       equ 0x60            ; code offset of the highlighted characters
MARK            equ 0x01            ; in screen texts: highlighting on/off
TITLE_CODE      equ 0xE0            ; first code of the large title letters
SWATCH_FRAME    equ 0x0E            ; grey frame around the colour swatches
CURSOR_CODE     equ 0x7F

; Screen rows and columns
TITLE_ROW       equ 0
TITLE_COL       equ 9
SWATCH_ROW      equ 5
BAND_ROW        equ 9               ; rows 9-12: where the sprites fly
TAPE_ROW        equ 11              ; how to load a tape, or what went wrong
TAPE_LINE_END   equ 31              ; the tape line's first column after its text
CART_ROW        equ 12              ; how to start a cartridge (under the sprites)
PORTS_ROW       equ 13
JOY_ROW         equ 14
HELD_ROW        equ 15
HEADER_ROW      equ 16
CLOCK_COL       equ 26
TEXT_ROW        equ 17              ; rows 17-23: the typing area
TEXT_ROWS       equ 7
TEXT_COLS       equ 32              ; text_buf row length (a whole screen row)
TEXT_FIRST_COL  equ 1               ; the text keeps a column free on each side
TEXT_END_COL    equ 31

; Sprites (pixel units; a sprite's Y attribute is its top row minus 1)
BAND_TOP        equ BAND_ROW * 8    ; 72
BAND_BOTTOM     equ BAND_TOP + 32   ; first row below the band
SHIP_Y_MAX      equ BAND_BOTTOM - 16
SHIP_X_MAX      equ 240
SHIP_STEP       equ 2
SHIP_COLOUR     equ 15
SHIP_ACTIVE     equ 60              ; frames after a move in which a hit sounds
BALL_X_MAX      equ 240
BALL_FLOOR      equ BAND_BOTTOM - 16
BOUNCE_FRAMES   equ 40
SPRITE_END      equ 0xD0            ; Y value that ends the sprite list

; ---------------------------------------------------------------------------
; Keyboard

TYPING_ROWS     equ 7               ; rows 0-6 type; row 7 is the joysticks
KEY_SHIFT_BITS  equ 0x0C            ; row 0 bits 2 and 3
NO_KEY          equ 0xFF
REPEAT_DELAY    equ 30              ; frames before a held key repeats
REPEAT_RATE     equ 4               ; frames between repeats
KEY_QUEUE_SIZE  equ 16              ; a power of two
CODES_PER_FRAME equ 8

CODE_TUNE       equ 0x01            ; CTRL
CODE_RUBOUT     equ 0x08            ; TAB
CODE_RETURN     equ 0x0D

JOY_RIGHT       equ 0               ; bits of port 0x37 (joystick 1)
JOY_UP          equ 1
JOY_LEFT        equ 2
JOY_DOWN        equ 3

; ---------------------------------------------------------------------------
; Sound

SND_TUNE        equ 0               ; bits of snd_request
SND_HIT         equ 1
SND_CLICK       equ 2
NOISE_CRASH     equ 0xE4            ; noise control: white, fastest shift rate
NOISE_HIT       equ 0xE6            ; white, slowest fixed rate
CLICK_PERIOD    equ 53              ; about 2.1 kHz

; Channel record: attenuation now, attenuation at the start of a note,
; frames per attenuation step, frames left in this step, latch bytes.
CH_ATT          equ 0
CH_START        equ 1
CH_DECAY        equ 2
CH_COUNT        equ 3
CH_ATT_LATCH    equ 4
CH_TONE_LATCH   equ 5
CH_SIZE         equ 8

; ---------------------------------------------------------------------------
; RAM

STACK_TOP       equ 0x0000          ; the first push lands at 0xFFFE (ram_top)
RAM_VARS        equ 0x7000
frames          equ 0x7000          ; word: frame interrupts so far
loops           equ 0x7002          ; word: main loop passes so far
vdp_status      equ 0x7004          ; status bits seen since the main loop looked
tick60          equ 0x7005          ; frames into the current second (FRAMES_PER_SECOND)
seconds         equ 0x7006          ; 0-59 (seconds and minutes form one word)
minutes         equ 0x7007          ; 0-99
keys_now        equ 0x7008          ; 8 bytes: ports 0x30-0x37 at the last frame
kq_head         equ 0x7010          ; key queue: next code to take
kq_tail         equ 0x7011          ; key queue: next free place
repeat_key      equ 0x7012          ; key number (row * 8 + bit) repeating, or NO_KEY
repeat_wait     equ 0x7013
snd_request     equ 0x7014          ; SND_ bits set by the main loop
tune_wait       equ 0x7015          ; frames left of the current tune step
tune_ptr        equ 0x7016          ; word: next tune step, 0 when silent
ship_x          equ 0x7018
ship_y          equ 0x7019          ; top pixel row
ship_face       equ 0x701A          ; pattern offset: 0 right, 8 left
ship_active     equ 0x701B
ball_x          equ 0x701C
ball_dx         equ 0x701D          ; +1 or -1
ball_phase      equ 0x701E          ; 0 .. BOUNCE_FRAMES-1
ball_colour     equ 0x701F
cur_row         equ 0x7020
cur_col         equ 0x7021
blink           equ 0x7022
cursor_on       equ 0x7023
key_queue       equ 0x7030          ; KEY_QUEUE_SIZE bytes
channels        equ 0x7040          ; 4 channel records
line_buf        equ 0x7060          ; 32 bytes: a status line being built
title_buf       equ 0x7080          ; 32 bytes: one large title letter
text_buf        equ 0x7100          ; TEXT_ROWS x TEXT_COLS: the typed text
RAM_VARS_END    equ 0x7200


; ---------------------------------------------------------------------------
; What cartridges expect of the IPL

CART_ID         equ 0x2000          ; header: identifier
CART_START      equ 0x2001          ; start address
CART_IPL        equ 0x2003          ; routine called before the start
CART_RST20      equ 0x2005          ; RST 20 slot
CART_RST28      equ 0x2008          ; RST 28 slot
CART_NO_MODULE_CHECK equ 0x02       ; identifier 0x00 looks for a module on return
MODULE_ID       equ 0x4000          ; second module: identifier
MODULE_START    equ 0x4001          ; and start address

IPL_VECTORS     equ 0x7000          ; mode 2 table: channel n at 0x7000 + 2n
HOOK_RST30      equ 0x7008          ; RAM hooks, 3 bytes each
HOOK_RST38      equ 0x700B
IPL_STACK       equ 0x8000          ; top of the internal 4 KiB of RAM
RETI_STUB       equ 0x186C          ; EI; RETI
; The video standard byte: 0xE0 on a 60 Hz machine, 0xE1 on a 50 Hz one (bit
; 0 goes into video register 0). The 50 Hz image is this source assembled
; with pasmo --equ VIDEO_STANDARD=0xE1 (roms/CMakeLists.txt).
        if not defined VIDEO_STANDARD
VIDEO_STANDARD  equ 0xE0
        endif
FRAMES_PER_SECOND equ 60 - 10 * (VIDEO_STANDARD AND 1)
RET_OPCODE      equ 0xC9

; The IPL's variables (after the hooks; cleared at start)
ipl_frames      equ 0x7010          ; word: frames seen by our frame handler
ipl_status      equ 0x7012          ; video status at the last frame
scr_mode        equ 0x7013          ; MODE_ below
scr_cols        equ 0x7014          ; 40 or 32
con_row         equ 0x7015          ; cursor
con_col         equ 0x7016
fg_colour       equ 0x7017          ; text colour
bg_colour       equ 0x7018          ; backdrop colour
diflga          equ 0x7019          ; DSPCH: 0 control codes act, else shown
kb_head         equ 0x701A          ; key buffer: next code to take
kb_tail         equ 0x701B          ; next free place
kb_last         equ 0x701C          ; key_now at the last scan
irq_was_on      equ 0x701D          ; interrupt state kept by irq_off
key_now         equ 0x702B          ; key held: number + 1, 0 for none
kb_queue        equ 0x7030          ; KB_SIZE bytes
vbuf            equ 0x7040          ; VBUF_SIZE bytes: video memory moves
IPL_VARS_END    equ 0x7060
DEMO_RAM_END    equ RAM_VARS_END    ; the demo's variables end here
DEMO_STACK_PAGE equ 0xFF00          ; and its stack grows down from 0x0000
KB_SIZE         equ 16              ; a power of two

; The tape loader's variables, after the demo's and below the programs it
; loads (from 0x7300, as the M5's own tapes do, up to the top of RAM); its
; stack grows down from 0x7300. The demo leaves them alone.
TAPE_RAM        equ 0x7200
tape_header     equ 0x7200          ; 31 bytes: the header block
tape_note       equ 0x7220          ; word: the demo's list of the message to show, or 0
tape_sp         equ 0x7222          ; word: the demo's stack while the loader listens
tape_on_stop    equ 0x7224          ; word: where the loader goes when the tape stops
tape_half       equ 0x7226          ; word: loops from which a half-period is long
tape_pair       equ 0x7228          ; word: loops from which two halves make a 0
tape_dest       equ 0x722A          ; word: where the next byte of a block goes
tape_keep       equ 0x722C          ; word: bytes still to store
tape_left       equ 0x722E          ; word: bytes of the block still to read
tape_sum        equ 0x7230          ; the block's sum so far
tape_type       equ 0x7231          ; the block type expected
tape_min        equ 0x7232          ; word: the shortest half of a leader being timed
tape_max        equ 0x7234          ; word: and the longest
TAPE_STACK      equ 0x7300          ; and the lowest address a program loads at
TAPE_BLOCK_HEADER equ 'H'           ; block types
TAPE_BLOCK_DATA equ 'D'
TAPE_HEADER_LENGTH equ 31
TAPE_HDR_TYPE   equ tape_header     ; header fields
TAPE_HDR_NAME   equ tape_header + 1
TAPE_HDR_NAME_SIZE equ 9
TAPE_HDR_LOAD   equ tape_header + 10
TAPE_HDR_LENGTH equ tape_header + 12
TAPE_HDR_START  equ tape_header + 14
TAPE_PROGRAM    equ 3               ; file type: machine code, loaded and started
LISTEN_EDGES    equ 20              ; level changes in a frame that mean a tape plays
LEADER_CHECKED  equ 32              ; half-periods of a leader checked
LEADER_TIMED    equ 16              ; and then timed (the thresholds divide by 16)
VBUF_SIZE       equ 32

MODE_TEXT       equ 0
MODE_G1         equ 1
MODE_G2         equ 2
MODE_MC         equ 3
V_PATTERNS      equ 0x0000
V_SPRITE_PATTERNS equ 0x1800
V_COLOURS       equ 0x2000
V_NAMES         equ 0x3800
V_SPRITE_ATTRS  equ 0x3B00
SPRITE_LIST_END equ 0xD0
DEFAULT_TEXT    equ 15              ; white
DEFAULT_BACKDROP equ 1              ; black

KEY_MODIFIERS   equ 0x0D            ; row 0: CTRL (bit 0), Shift (bits 2, 3)
JOYSTICK_PORT   equ 0x37
BEL_PERIOD      equ 112             ; 3579545 / 32 / 112: about 1 kHz
BEL_ATTENUATION equ 2
BEL_LOOPS       equ 14600           ; 26 clocks each: a tenth of a second

; ===========================================================================
; The map

; The first word reads 0x0000: a tape program, started with the stack
; pointer at 0x0000, that returns with its stack as it was given pops it and
; restarts the machine.
        org 0x0000
        nop                         ; reset
        nop
        di
        jp ipl_boot

        place 0x0008
rst_08:                             ; RST 08: A = diflga, HL = its address
        ld hl,diflga
        ld a,(hl)
        ret
        place 0x000F
        db VIDEO_STANDARD           ; read by some programs as well (bit 0)

        place 0x0010
        jp pbvrid                   ; RST 10: PBVRID, A to video memory at HL
        place 0x0018
        jp gbvrid                   ; RST 18: GBVRID, A from video memory at HL
        place 0x0020
        jp CART_RST20               ; RST 20: the cartridge's slot
        place 0x0028
        jp CART_RST28               ; RST 28: the cartridge's slot
reterr:                             ; 0x002B: carry set, drop a return, EI
        scf
        pop hl
        ei
        if $ != 0x002E
        .error The RET must sit at 0x002E
        endif
        ret                         ; 0x002E: a RET, the usual "IPL address"
        place 0x0030
        jp HOOK_RST30               ; RST 30: RAM hook
        place 0x0038
        jp HOOK_RST38               ; RST 38: RAM hook

        include "ipl_low.inc"

        place 0x0066
        retn                        ; nothing drives the non-maskable interrupt

        include "ipl_frame.inc"

; The demo's interrupt mode 2 table: whatever vector byte arrives, the word
; read at I * 256 + vector is 0x0303, its frame interrupt handler.
        place 0x0100
im2_table:
        ds 257, high isr_frame

; Key codes by key number (row * 8 + bit), without and with Shift. The layout
; is the host's Japanese keyboard, so pasted text comes out as it was.
keymap_plain:
        db CODE_TUNE, CODE_RUBOUT, 0, 0, 0, 0, ' ', CODE_RETURN
        db "12345678"
        db "qwertyui"
        db "asdfghjk"
        db "zxcvbnm,"
        db "90-^./", 0x5C, 0x5C
        db "op@[l;:]"
        db 0, 0, 0, 0, 0, 0, 0, 0
keymap_shift:
        db CODE_TUNE, CODE_RUBOUT, 0, 0, 0, 0, ' ', CODE_RETURN
        db "!", 0x22, "#$%&", 0x27, "("
        db "QWERTYUI"
        db "ASDFGHJK"
        db "ZXCVBNM<"
        db ")", 0, "=~>?_|"
        db "OP`{L+*}"
        db 0, 0, 0, 0, 0, 0, 0, 0
        include "ipl_tape_texts.inc"

        place 0x0303
        include "demo_interrupt.inc"
        include "ipl_boot.inc"

        place 0x05A5
        jp joysp                    ; JOYSP
        include "ipl_keys.inc"
        include "ipl_tape_name.inc"

        place 0x0756
        jp wtkdtc                   ; WTKDTC
        place 0x077B
        jp clkbf                    ; CLKBF
        place 0x0827
        jp acechi                   ; ACECH0: as ACECHI
        place 0x0845
        jp acechi                   ; ACECHI
        include "ipl_tape.inc"
        place 0x08DA
        ret                         ; DECAD: our key codes are characters already
        place 0x090B
        ret                         ; DECTR: the same
        place 0x0966
        jp scnkb                    ; SCNKB
        include "ipl_video.inc"

        place 0x0B1F
        jp gmode                    ; GMODE
        include "ipl_services.inc"

        place 0x0C44
        jp mmode                    ; MMODE
        place 0x0C83
        jp stfcol                   ; STFCOL
        place 0x0C97
        jp stbcol                   ; STBCOL
        place 0x0D04
        jp tmode                    ; TMODE
        include "demo_texts.inc"
        place 0x0DD8
        jp cmode                    ; CMODE
        place 0x0E01
        jp padvrm                   ; PADVRM
        place 0x0E61
        jp cvtir                    ; CVTIR
        place 0x0E7D
        jp vctir                    ; VCTIR
        include "demo_data.inc"
        include "demo_hint.inc"

; DSPLTB (0x105B) loads A with the byte of DSPLTA (0x105C), which clears A:
; the printing routine gets A = 0 (control codes act) or not (shown).
        place 0x105B
        db 0x3E                     ; DSPLTB: ld a,0xAF
        xor a                       ; DSPLTA
        jp dsplt
; DSPCHB (0x1082) jumps over DSPCHA (0x1083, whose byte is the jump's
; distance and, run as an instruction, a harmless SCF).
        place 0x1082
        db 0x18                     ; DSPCHB: jr dspchb_jump
        scf                         ; DSPCHA
        jp dspcha
        place 0x1088
        jp dspch                    ; DSPCH
        place 0x1082 + 2 + 0x37
dspchb_jump:
        jp dspchb
        place 0x10ED
        jp cretl                    ; CRETL
        include "ipl_tape_block.inc"
        place 0x1176
        jp bel                      ; BEL
        include "ipl_console.inc"

        place 0x1393
        xor a                       ; CLRSC: clear with code 0, into CLRSCX
        jp clrscx                   ; CLRSCX (0x1394)
        place 0x13DD
        jp mvacs                    ; MVACS
        place 0x1441
        jp mltal                    ; MLTAL
        place 0x144B
        jp rdvpm                    ; RDVPM
        place 0x1460
        jp wdvpm                    ; WDVPM
        place 0x149F
        jr stvwad_jump              ; STVWAD
        jp stvrad                   ; STVRAD (0x14A1)
stvwad_jump:
        jp stvwad
        place 0x14BD
        jp pbvrid                   ; PBVRAM
        place 0x14C5
        jp gbvrid                   ; GBVRAM
        place 0x1518
        db VIDEO_STANDARD           ; the video standard
        include "demo_start.inc"

        place RETI_STUB
        ei                          ; the interrupt return of unused vectors
        reti
        include "demo_main.inc"
        include "font.inc"
        include "sprites.inc"
        include "ipl_tape_bits.inc"

; HL = the stack pointer at the top of RAM: STACK_TOP when RAM reaches
; 0xFFFF, IPL_STACK on the bare machine (its own 4 KiB only). The byte it
; tries is left as it was.
ram_top:
        ld hl,0xFFFF
        ld a,(hl)
        cpl
        ld (hl),a
        cp (hl)                     ; Z: it took the write
        cpl
        ld (hl),a
        ld hl,STACK_TOP
        ret z
        ld hl,IPL_STACK
        ret

        if isr_frame != 0x0303
        .error The interrupt handler must sit where the vector table points
        endif
        if $ > 0x2000
        .error The boot ROM is larger than 8 KiB
        endif
