; Free boot ROM of the Sord M5 emulator.
;
; Runs from reset in place of the machine's own IPL ROM when the user has no
; IPL.ROM: it sets up the counter/timer, the video chip and the sound chip,
; shows a title screen that says where the original ROM belongs, and then
; shows the hardware at work: two sprites moving by the frame interrupt, a
; tune and a noise effect, all fifteen colours, a live view of the keyboard
; and joystick ports, and a small area to type in.
;
; Memory: ROM 0x0000-0x1FFF (this program, at most 8 KiB), RAM from 0x7000.
; Interrupts: mode 2; the video chip's frame interrupt reaches the processor
; through counter/timer channel 3 (counter mode, time constant 1), once per
; frame, 60 times a second. The handler reads the video status (which drops
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

STACK_TOP       equ 0x0000          ; the first push lands at 0xFFFE
RAM_VARS        equ 0x7000
frames          equ 0x7000          ; word: frame interrupts so far
loops           equ 0x7002          ; word: main loop passes so far
vdp_status      equ 0x7004          ; status bits seen since the main loop looked
tick60          equ 0x7005          ; frames into the current second
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

; ===========================================================================
; Fixed addresses

        org 0x0000
        di
        ld sp,STACK_TOP
        jp cold_start

        ds 0x0038 - $, 0xFF
        jp cold_start               ; RST 38 (a stray 0xFF): start again cleanly

        ds 0x0066 - $, 0xFF
        retn                        ; nothing drives the non-maskable interrupt

; Interrupt mode 2 table: whatever vector byte arrives, the word read at
; I * 256 + vector is 0x0303, the frame interrupt handler.
        ds 0x0100 - $, 0xFF
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

        ds 0x0303 - $, 0xFF

; ===========================================================================
; Frame interrupt (counter/timer channel 3)

isr_frame:
        push af
        push bc
        push de
        push hl
        push ix
        in a,(VDP_CTRL)             ; the status read drops the interrupt line
        ld hl,vdp_status
        or (hl)
        ld (hl),a
        ld hl,(frames)
        inc hl
        ld (frames),hl
        call count_time
        call scan_keyboard
        call sound_frame
        pop ix
        pop hl
        pop de
        pop bc
        pop af
        ei
        reti

; Ends an interrupt that the counter/timer may still hold in service.
end_interrupt:
        reti

count_time:
        ld hl,tick60
        inc (hl)
        ld a,(hl)
        cp 60
        ret c
        ld (hl),0
        inc hl                      ; seconds
        inc (hl)
        ld a,(hl)
        cp 60
        ret c
        ld (hl),0
        inc hl                      ; minutes
        inc (hl)
        ld a,(hl)
        cp 100
        ret c
        ld (hl),0
        ret

; ---------------------------------------------------------------------------
; Keyboard scan: reads ports 0x30-0x37 into keys_now, queues the code of
; every key that went down since the last frame, and repeats a held key.

scan_keyboard:
        ld hl,keys_now
        ld c,KEY_ROW0
        ld e,0                      ; key number of bit 0 of this row
sk_row:
        ld d,(hl)                   ; the row as the last frame saw it
        in a,(c)
        ld (hl),a
        ld b,a
        ld a,e
        cp TYPING_ROWS * 8
        jr nc,sk_next               ; the joystick row types nothing
        ld a,d
        cpl
        and b                       ; keys that went down
        call nz,keys_went_down
sk_next:
        inc hl
        inc c
        ld a,e
        add a,8
        ld e,a
        cp 64
        jr c,sk_row
        jp key_repeat

; A = keys of one row that went down, E = key number of its bit 0.
keys_went_down:
        push hl
        push bc
        push de
        ld b,8
kwd_bit:
        rrca
        jr nc,kwd_next
        push af
        push bc
        push de
        ld a,e
        call key_pressed
        pop de
        pop bc
        pop af
kwd_next:
        inc e
        djnz kwd_bit
        pop de
        pop bc
        pop hl
        ret

; A = key number that went down.
key_pressed:
        ld d,a
        call key_code
        or a
        ret z                       ; Shift and keys without a code
        cp CODE_TUNE
        jr z,queue_code             ; the tune key does not repeat
        ld e,a
        ld a,d
        ld (repeat_key),a
        ld a,REPEAT_DELAY
        ld (repeat_wait),a
        ld a,e
        jr queue_code

; D = key number; returns A = its code with the Shift state of this frame.
key_code:
        ld hl,keymap_plain
        ld a,(keys_now)
        and KEY_SHIFT_BITS
        jr z,kc_look
        ld hl,keymap_shift
kc_look:
        ld a,d
        and 63
        add a,l
        ld l,a
        ld a,0
        adc a,h
        ld h,a
        ld a,(hl)
        ret

key_repeat:
        ld a,(repeat_key)
        cp TYPING_ROWS * 8
        ret nc                      ; nothing to repeat
        ld d,a
        rrca
        rrca
        rrca
        and 7
        ld c,a
        ld b,0
        ld hl,keys_now
        add hl,bc                   ; the key's row
        ld a,d
        and 7
        inc a
        ld b,a
        xor a
        scf
kr_mask:
        rla                         ; A = 1 << bit
        djnz kr_mask
        and (hl)
        jr nz,kr_held
        ld a,NO_KEY
        ld (repeat_key),a
        ret
kr_held:
        ld hl,repeat_wait
        dec (hl)
        ret nz
        ld (hl),REPEAT_RATE
        call key_code
        or a
        ret z

; A = code to queue; a full queue drops it.
queue_code:
        ld c,a
        ld a,(kq_tail)
        ld e,a
        inc a
        and KEY_QUEUE_SIZE - 1
        ld hl,kq_head
        cp (hl)
        ret z
        ld b,a
        ld d,0
        ld hl,key_queue
        add hl,de
        ld (hl),c                   ; the code first, then the new tail
        ld a,b
        ld (kq_tail),a
        ret

; ---------------------------------------------------------------------------
; Sound, run once per frame: requests from the main loop, the tune, and the
; attenuation envelopes of the four channels.

sound_frame:
        ld hl,snd_request
        ld a,(hl)
        ld (hl),0
        rrca
        push af
        call c,start_tune
        pop af
        rrca
        push af
        ld a,NOISE_HIT
        call c,start_noise
        pop af
        rrca
        call c,click
        call tune_frame
        jp envelopes

start_tune:
        ld hl,tune
        ld (tune_ptr),hl
        ld a,1
        ld (tune_wait),a
        ret

click:
        ld ix,channels + 2 * CH_SIZE
        ld hl,CLICK_PERIOD
        jr play_tone

tune_frame:
        ld hl,(tune_ptr)
        ld a,h
        or l
        ret z
        ld a,(tune_wait)
        dec a
        ld (tune_wait),a
        ret nz
        ld a,(hl)
        or a
        jr z,tune_over
        ld (tune_wait),a
        inc hl
        ld e,(hl)
        inc hl
        ld d,(hl)
        inc hl
        push hl
        ex de,hl
        ld ix,channels
        call play_tone              ; melody
        pop hl
        ld e,(hl)
        inc hl
        ld d,(hl)
        inc hl
        ld (tune_ptr),hl
        ex de,hl
        ld ix,channels + CH_SIZE
        jr play_tone                ; bass
tune_over:
        ld hl,0
        ld (tune_ptr),hl
        ld a,NOISE_CRASH
                                    ; and on into start_noise

; A = noise control byte.
start_noise:
        out (PSG),a
        ld ix,channels + 3 * CH_SIZE
        jr note_on

; IX = channel record, HL = tone period (10 bits); 0 silences the channel.
play_tone:
        ld a,h
        or l
        jr nz,pt_sound
        ld (ix + CH_ATT),15
        jr write_att
pt_sound:
        ld a,l
        and 0x0F
        or (ix + CH_TONE_LATCH)
        out (PSG),a                 ; latch with the low 4 bits
        ld b,4
pt_shift:
        srl h
        rr l
        djnz pt_shift
        ld a,l
        and 0x3F
        out (PSG),a                 ; data byte with the high 6 bits
note_on:
        ld a,(ix + CH_START)
        ld (ix + CH_ATT),a
        ld a,(ix + CH_DECAY)
        ld (ix + CH_COUNT),a
write_att:
        ld a,(ix + CH_ATT)
        or (ix + CH_ATT_LATCH)
        out (PSG),a
        ret

envelopes:
        ld ix,channels
        ld b,4
env_channel:
        ld a,(ix + CH_ATT)
        cp 15
        jr nc,env_next              ; silent
        dec (ix + CH_COUNT)
        jr nz,env_next
        ld a,(ix + CH_DECAY)
        ld (ix + CH_COUNT),a
        inc (ix + CH_ATT)
        call write_att
env_next:
        ld de,CH_SIZE
        add ix,de
        djnz env_channel
        ret

; ===========================================================================
; Start-up

cold_start:
        di
        ld sp,STACK_TOP
        im 2
        ld a,high im2_table
        ld i,a
        call end_interrupt          ; after a restart nothing stays in service
        call end_interrupt
        call end_interrupt
        call end_interrupt

        ld hl,psg_silence
        ld bc,4 * 256 + PSG
        otir

        ld hl,RAM_VARS              ; clear the variables
        ld de,RAM_VARS + 1
        ld bc,RAM_VARS_END - RAM_VARS - 1
        ld (hl),0
        ldir
        ld hl,ram_start_values
        ld de,ship_x
        ld bc,ram_start_values_end - ram_start_values
        ldir
        ld hl,channel_records
        ld de,channels
        ld bc,4 * CH_SIZE
        ldir
        ld a,NO_KEY
        ld (repeat_key),a
        ld hl,text_buf
        ld de,text_buf + 1
        ld bc,TEXT_ROWS * TEXT_COLS - 1
        ld (hl),' '
        ldir

        in a,(VDP_CTRL)             ; clear a pending frame flag
        ld hl,vdp_registers
        ld b,8
        ld e,0x80                   ; register 0
vdp_init:
        ld a,(hl)
        out (VDP_CTRL),a
        ld a,e
        out (VDP_CTRL),a
        inc hl
        inc e
        djnz vdp_init

        ld a,CTC_VECTOR
        out (CTC_CH0),a
        ld a,CTC_STOP
        out (CTC_CH0),a
        out (CTC_CH1),a
        out (CTC_CH2),a
        ld a,CTC_FRAME
        out (CTC_CH3),a
        ld a,CTC_FRAME_COUNT
        out (CTC_CH3),a
        ei                          ; keys are queued from now on

        call load_tables
        call draw_screen

        ld a,R1_RUNNING
        di
        out (VDP_CTRL),a
        ld a,0x81
        out (VDP_CTRL),a
        ei

        ld hl,snd_request
        set SND_TUNE,(hl)

; ===========================================================================
; Main loop: one pass per frame.

main_loop:
        call wait_frame
        call write_sprites
        call draw_clock
        call move_ship
        call move_ball
        call check_hit
        call read_keys
        call blink_cursor
        call draw_live_lines
        ld hl,(loops)
        inc hl
        ld (loops),hl
        jr main_loop

wait_frame:
        ld hl,frames
        ld a,(hl)
wf_wait:
        halt
        cp (hl)
        jr z,wf_wait
        ret

; ---------------------------------------------------------------------------
; Video memory access. The interrupt handler reads the status port, which
; resets the control port's byte pairing, so the two address bytes go out
; with interrupts off.

; HL = video memory address to write from.
vram_write_at:
        ld a,l
        di
        out (VDP_CTRL),a
        ld a,h
        or 0x40
        out (VDP_CTRL),a
        ei
        ret

; HL = address, A = byte.
vram_put:
        push af
        call vram_write_at
        pop af
        out (VDP_DATA),a
        ret

; E = byte, BC = count (at least 1), from the current address on.
vram_fill:
        ld a,e
        out (VDP_DATA),a
        dec bc
        ld a,b
        or c
        jr nz,vram_fill
        ret

; HL = source of 768 bytes; only while the display is off.
vram_copy_768:
        ld c,VDP_DATA
        ld b,0
        otir
        otir
        otir
        ret

; HL = source, B = count (0 = 256); only while the display is off.
vram_copy:
        ld c,VDP_DATA
        otir
        ret

; ---------------------------------------------------------------------------
; Patterns and colours

load_tables:
        xor a
lt_third:
        push af
        call load_third
        pop af
        inc a
        cp 3
        jr c,lt_third
        call load_title
        ld hl,SPRITE_PATTERNS
        call vram_write_at
        ld hl,sprite_patterns
        ld b,sprite_patterns_end - sprite_patterns
        jp vram_copy

; A = screen third (0-2): swatches, both character sets and their colours.
load_third:
        add a,a
        ld e,a                      ; offset of the third's text colours
        add a,a
        add a,a                     ; high byte of the third's 2 KiB offset
        ld d,a
        push de
        ld h,d                      ; swatch patterns from code 0x01
        ld l,8
        call vram_write_at
        ld b,15
ld_left:
        push bc
        ld hl,swatch_left
        ld b,8
        call vram_copy
        pop bc
        djnz ld_left
        ld hl,swatch_none
        ld b,8
        call vram_copy
        ld b,15
ld_right:
        push bc
        ld hl,swatch_right
        ld b,8
        call vram_copy
        pop bc
        djnz ld_right
        ld hl,font                  ; codes 0x20-0x7F, then 0x80-0xDF
        call vram_copy_768
        ld hl,font
        call vram_copy_768
        pop de
        push de
        ld a,d                      ; swatch colours from code 0x01
        add a,high COLOURS
        ld h,a
        ld l,8
        call vram_write_at
        call swatch_colours
        ld e,0
        ld bc,8
        call vram_fill              ; code 0x10, unused
        call swatch_colours
        pop de
        ld d,0
        ld hl,third_colours
        add hl,de
        ld e,(hl)                   ; text colour
        inc hl
        ld a,(hl)                   ; highlight colour
        push af
        ld bc,768
        call vram_fill
        pop af
        ld e,a
        ld bc,768
        jp vram_fill

; Colours of the 15 swatches: colour k on the grey frame, all 8 rows.
swatch_colours:
        ld d,1
sc_colour:
        ld a,d
        rlca
        rlca
        rlca
        rlca
        or SWATCH_FRAME
        ld e,a
        ld bc,8
        call vram_fill
        inc d
        ld a,d
        cp 16
        jr c,sc_colour
        ret

; The large title letters: each character of the title drawn twice as wide
; and twice as high, one pixel down, in four patterns (top left, top right,
; bottom left, bottom right), with a colour gradient from top to bottom.
load_title:
        ld hl,PATTERNS + TITLE_CODE * 8
        call vram_write_at
        ld hl,title_text
lti_char:
        ld a,(hl)
        inc hl
        or a
        jr z,lti_colours
        cp ' '
        jr z,lti_char
        push hl
        sub ' '
        ld l,a
        ld h,0
        add hl,hl
        add hl,hl
        add hl,hl
        ld de,font
        add hl,de                   ; the character's 8 rows
        call make_title_letter
        ld hl,title_buf
        ld b,32
        call vram_copy
        pop hl
        jr lti_char
lti_colours:
        ld hl,COLOURS + TITLE_CODE * 8
        call vram_write_at
        ld b,8                      ; 8 letters' worth of codes
lti_colour:
        push bc
        ld hl,title_gradient
        ld b,8
        call vram_copy
        ld hl,title_gradient
        ld b,8
        call vram_copy
        ld hl,title_gradient + 8
        ld b,8
        call vram_copy
        ld hl,title_gradient + 8
        ld b,8
        call vram_copy
        pop bc
        djnz lti_colour
        ret

; HL = 8 rows of a character; fills title_buf with its four large patterns.
make_title_letter:
        ld c,0                      ; pixel row 0-15
mtl_row:
        xor a
        ld b,c
        dec b
        jp m,mtl_have               ; row 0 stays blank
        push hl
        srl b
        ld a,l
        add a,b
        ld l,a
        ld a,0
        adc a,h
        ld h,a
        ld a,(hl)                   ; character row (pixel row - 1) / 2
        pop hl
mtl_have:
        push hl
        push af
        ld a,c                      ; title_buf + (row & 8) * 2 + (row & 7)
        and 8
        add a,a
        ld b,a
        ld a,c
        and 7
        or b
        ld e,a
        ld d,0
        ld hl,title_buf
        add hl,de
        pop af
        push af
        call double_high
        ld (hl),a                   ; left half
        ld de,8
        add hl,de
        pop af
        rlca
        rlca
        rlca
        rlca
        call double_high
        ld (hl),a                   ; right half
        pop hl
        inc c
        ld a,c
        cp 16
        jr c,mtl_row
        ret

; A: bits 7-4 -> each bit doubled into a byte. Keeps C, HL.
double_high:
        ld d,a
        ld b,4
        ld e,0
dh_bit:
        sla d
        sbc a,a
        and 3
        sla e
        sla e
        or e
        ld e,a
        djnz dh_bit
        ld a,e
        ret

; ---------------------------------------------------------------------------
; The screen

draw_screen:
        ld hl,NAMES
        call vram_write_at
        ld e,' '
        ld bc,32 * 24
        call vram_fill
        ld hl,NAMES + HEADER_ROW * 32
        call vram_write_at
        ld e,' ' + HIGHLIGHT
        ld bc,32
        call vram_fill
        ld hl,screen_texts
        call print_list
        ; title letters
        ld hl,NAMES + TITLE_ROW * 32 + TITLE_COL
        ld c,TITLE_CODE
        call title_names
        ld hl,NAMES + 32 * (TITLE_ROW + 1) + TITLE_COL
        ld c,TITLE_CODE + 2
        call title_names
        ; colour swatches, two cells each
        ld hl,NAMES + SWATCH_ROW * 32 + 1
        call vram_write_at
        ld a,1
ds_swatch:
        out (VDP_DATA),a
        add a,0x10
        out (VDP_DATA),a
        sub 0x0F
        cp 16
        jr c,ds_swatch
        ; sprite list: ship, ball, end
        ld hl,SPRITE_ATTRS + 8
        ld a,SPRITE_END
        call vram_put
        jp write_sprites

; HL = name table address of the row, C = code of the letters' left pattern
; in this row; a space leaves two blank cells.
title_names:
        call vram_write_at
        ld hl,title_text
tn_char:
        ld a,(hl)
        inc hl
        or a
        ret z
        cp ' '
        jr nz,tn_letter
        out (VDP_DATA),a
        nop
        out (VDP_DATA),a
        jr tn_char
tn_letter:
        ld a,c
        out (VDP_DATA),a
        inc a
        out (VDP_DATA),a
        add a,3
        ld c,a
        jr tn_char

; HL = list of (word address, text, 0), ended by a zero word. MARK in a text
; switches highlighting on and off.
print_list:
        ld e,(hl)
        inc hl
        ld d,(hl)
        inc hl
        ld a,d
        or e
        ret z
        ex de,hl
        call vram_write_at
        ex de,hl
        ld b,0
pl_char:
        ld a,(hl)
        inc hl
        or a
        jr z,print_list
        cp MARK
        jr z,pl_mark
        add a,b
        out (VDP_DATA),a
        jr pl_char
pl_mark:
        ld a,b
        xor HIGHLIGHT
        ld b,a
        jr pl_char

; ---------------------------------------------------------------------------
; Sprites

write_sprites:
        ld hl,SPRITE_ATTRS
        call vram_write_at
        ld a,(ship_y)
        dec a
        out (VDP_DATA),a
        ld a,(ship_x)
        out (VDP_DATA),a
        ld a,(frames)               ; the flame flickers every 4 frames
        and 4
        ld b,a
        ld a,(ship_face)
        add a,b
        out (VDP_DATA),a
        ld a,SHIP_COLOUR
        out (VDP_DATA),a
        ld a,(ball_phase)
        ld e,a
        ld d,0
        ld hl,bounce_heights
        add hl,de
        ld a,BALL_FLOOR - 1
        sub (hl)
        out (VDP_DATA),a
        ld a,(ball_x)
        out (VDP_DATA),a
        ld a,(frames)               ; the ball turns every 8 frames
        rrca
        and 4
        add a,16
        out (VDP_DATA),a
        ld a,(ball_colour)
        out (VDP_DATA),a
        ret

; The arrow keys (joystick 1) move the ship.
move_ship:
        ld a,(keys_now + 7)
        ld c,a
        and 0x0F
        jr z,ms_moves
        ld a,SHIP_ACTIVE
        ld (ship_active),a
ms_moves:
        ld hl,ship_x
        bit JOY_RIGHT,c
        jr z,ms_not_right
        ld a,(hl)
        add a,SHIP_STEP
        cp SHIP_X_MAX + 1
        jr c,ms_right_ok
        ld a,SHIP_X_MAX
ms_right_ok:
        ld (hl),a
        xor a
        ld (ship_face),a
ms_not_right:
        bit JOY_LEFT,c
        jr z,ms_not_left
        ld a,(hl)
        sub SHIP_STEP
        jr nc,ms_left_ok
        xor a
ms_left_ok:
        ld (hl),a
        ld a,8
        ld (ship_face),a
ms_not_left:
        inc hl                      ; ship_y
        bit JOY_UP,c
        jr z,ms_not_up
        ld a,(hl)
        cp BAND_TOP + 1
        jr c,ms_not_up
        dec (hl)
ms_not_up:
        bit JOY_DOWN,c
        jr z,ms_not_down
        ld a,(hl)
        cp SHIP_Y_MAX
        jr nc,ms_not_down
        inc (hl)
ms_not_down:
        ld hl,ship_active
        ld a,(hl)
        or a
        ret z
        dec (hl)
        ret

; The ball crosses the band and bounces; it changes colour at each wall.
move_ball:
        ld hl,ball_x
        ld a,(ball_dx)
        or a
        ld a,(hl)
        jp m,mb_left
        inc a
        ld (hl),a
        cp BALL_X_MAX
        jr c,mb_bounce
        ld a,-1
        jr mb_turn
mb_left:
        dec a
        ld (hl),a
        jr nz,mb_bounce
        ld a,1
mb_turn:
        ld (ball_dx),a
        ld a,(ball_colour)
        inc a
        and 15
        cp 2
        jr nc,mb_colour
        ld a,2
mb_colour:
        ld (ball_colour),a
mb_bounce:
        ld a,(ball_phase)
        inc a
        cp BOUNCE_FRAMES
        jr c,mb_phase
        xor a
mb_phase:
        ld (ball_phase),a
        ret

; When the ship, lately moved, touches the ball (the video chip's sprite
; coincidence flag), a noise sounds.
check_hit:
        ld hl,vdp_status
        ld a,(hl)
        ld (hl),0
        bit 5,a
        ret z
        ld a,(ship_active)
        or a
        ret z
        ld a,(channels + 3 * CH_SIZE + CH_ATT)
        cp 12
        ret c                       ; the last noise is still loud
        ld hl,snd_request
        set SND_HIT,(hl)
        ret

; ---------------------------------------------------------------------------
; Typing

read_keys:
        ld b,CODES_PER_FRAME
rk_code:
        push bc
        call next_code
        jr z,rk_done
        call type_code
        pop bc
        djnz rk_code
        ret
rk_done:
        pop bc
        ret

; Returns A = the next queued code and NZ, or Z when the queue is empty.
next_code:
        ld a,(kq_head)
        ld hl,kq_tail
        cp (hl)
        jr z,nc_empty
        ld e,a
        ld d,0
        ld hl,key_queue
        add hl,de
        inc a
        and KEY_QUEUE_SIZE - 1
        ld (kq_head),a
        ld a,(hl)
        or a
        ret
nc_empty:
        xor a
        ret

type_code:
        cp CODE_TUNE
        jr nz,tc_text
        ld hl,snd_request
        set SND_TUNE,(hl)
        ret
tc_text:
        push af
        call cursor_hide
        pop af
        cp CODE_RETURN
        jr z,new_line
        cp CODE_RUBOUT
        jr z,rub_out
        cp ' '
        ret c
        cp 0x7F
        ret nc
        push af
        ld hl,snd_request
        set SND_CLICK,(hl)
        call cursor_cell
        pop af
        ld (hl),a
        ex de,hl
        call vram_put
        ld hl,cur_col
        inc (hl)
        ld a,(hl)
        cp TEXT_END_COL
        ret c
new_line:
        ld a,TEXT_FIRST_COL
        ld (cur_col),a
        ld hl,cur_row
        ld a,(hl)
        inc a
        cp TEXT_ROWS
        jr nc,scroll_text
        ld (hl),a
        ret
scroll_text:
        ld hl,text_buf + TEXT_COLS
        ld de,text_buf
        ld bc,TEXT_COLS * (TEXT_ROWS - 1)
        ldir
        ld h,d
        ld l,e
        ld b,TEXT_COLS
st_clear:
        ld (hl),' '
        inc hl
        djnz st_clear
        ld hl,NAMES + TEXT_ROW * 32
        call vram_write_at
        ld hl,text_buf
        ld b,TEXT_ROWS * TEXT_COLS
st_draw:
        ld a,(hl)
        out (VDP_DATA),a
        inc hl
        djnz st_draw
        ret

rub_out:
        ld hl,cur_col
        ld a,(hl)
        cp TEXT_FIRST_COL + 1
        ret c
        dec (hl)
        call cursor_cell
        ld a,' '
        ld (hl),a
        ex de,hl
        jp vram_put

; Returns HL = text_buf address and DE = name table address of the cursor.
cursor_cell:
        ld a,(cur_row)
        ld l,a
        ld h,0
        add hl,hl
        add hl,hl
        add hl,hl
        add hl,hl
        add hl,hl
        ld a,(cur_col)
        or l
        ld l,a
        push hl
        ld de,NAMES + TEXT_ROW * 32
        add hl,de
        ex de,hl
        pop hl
        push bc
        ld bc,text_buf
        add hl,bc
        pop bc
        ret

; Puts the character back under the cursor; the next blink_cursor shows the
; cursor again at once.
cursor_hide:
        ld a,0xFF
        ld (blink),a
        ld a,(cursor_on)
        or a
        ret z
        xor a
        ld (cursor_on),a
        call cursor_cell
        ld a,(hl)
        ex de,hl
        jp vram_put

blink_cursor:
        ld hl,blink
        inc (hl)
        ld a,(hl)
        and 0x10
        ld b,0
        jr nz,bc_want
        inc b
bc_want:
        ld a,(cursor_on)
        cp b
        ret z
        ld a,b
        ld (cursor_on),a
        call cursor_cell
        ld a,(hl)
        ex de,hl
        dec b
        jr z,bc_show
        jp vram_put
bc_show:
        ld a,CURSOR_CODE
        jp vram_put

; ---------------------------------------------------------------------------
; Live lines: the keyboard ports, the joystick, the keys held.

draw_live_lines:
        call build_ports_line
        ld hl,NAMES + PORTS_ROW * 32
        call blit_line
        call build_joy_line
        ld hl,NAMES + JOY_ROW * 32
        call blit_line
        call build_held_line
        ld hl,NAMES + HELD_ROW * 32

; HL = name table address of a row; writes line_buf there.
blit_line:
        call vram_write_at
        ld hl,line_buf
        ld b,32
bl_byte:
        ld a,(hl)
        out (VDP_DATA),a
        inc hl
        djnz bl_byte
        ret

; Fills line_buf with spaces; returns DE = its column 1.
clear_line:
        ld hl,line_buf
        ld b,32
cl_byte:
        ld (hl),' '
        inc hl
        djnz cl_byte
        ld de,line_buf + 1
        ret

; "30-37:" and the eight port bytes in hexadecimal.
build_ports_line:
        call clear_line
        ld hl,txt_ports
        call append_text
        ld hl,keys_now
        ld b,8
bpl_port:
        inc de
        ld a,(hl)
        call put_hex
        inc hl
        djnz bpl_port
        ret

put_hex:
        push af
        rrca
        rrca
        rrca
        rrca
        call put_digit
        pop af
put_digit:
        and 0x0F
        add a,'0'
        cp '9' + 1
        jr c,pd_store
        add a,'A' - '9' - 1
pd_store:
        ld (de),a
        inc de
        ret

; "Joy:" and the four directions, each highlighted while held.
build_joy_line:
        call clear_line
        ld hl,txt_joy
        call append_text
        ld a,(keys_now + 7)
        ld c,a
        ld hl,joy_words
bjl_word:
        ld a,(hl)
        inc hl
        or a
        ret z
        and c
        ld b,0
        jr z,bjl_space
        ld b,HIGHLIGHT
bjl_space:
        ld a,' '
        add a,b
        call append_char
bjl_char:
        ld a,(hl)
        inc hl
        or a
        jr z,bjl_end
        add a,b
        call append_char
        jr bjl_char
bjl_end:
        ld a,' '
        add a,b
        call append_char
        jr bjl_word

; "Held:" and the name of every key held, as far as the line goes.
build_held_line:
        call clear_line
        ld hl,txt_held
        call append_text
        ld hl,keys_now
        ld c,0                      ; key number
bhl_row:
        ld a,(hl)
        push hl
        ld b,8
bhl_bit:
        rrca
        jr nc,bhl_next
        push af
        push bc
        ld a,c
        call append_key_name
        pop bc
        pop af
bhl_next:
        inc c
        djnz bhl_bit
        pop hl
        inc hl
        ld a,c
        cp TYPING_ROWS * 8
        jr c,bhl_row
        ret

; A = key number held; appends its name and a space.
append_key_name:
        cp 8
        jr nc,akn_char
        cp 3                        ; the host's Shift sets both bits 2 and 3
        jr nz,akn_named
        ld a,(keys_now)
        and 4
        ret nz
        ld a,3
akn_named:
        add a,a
        ld l,a
        ld h,0
        ld bc,row0_names
        add hl,bc
        ld a,(hl)
        inc hl
        ld h,(hl)
        ld l,a
        or h
        ret z
        call append_text
        jr akn_space
akn_char:
        ld l,a
        ld h,0
        ld bc,keymap_plain
        add hl,bc
        ld a,(hl)
        cp 'a'
        jr c,akn_put
        cp 'z' + 1
        jr nc,akn_put
        sub 'a' - 'A'
akn_put:
        call append_char
akn_space:
        ld a,' '

; A = character to add at DE unless the line is full.
append_char:
        push af
        ld a,e
        cp low (line_buf + 32)
        jr nc,ac_full
        pop af
        ld (de),a
        inc de
        ret
ac_full:
        pop af
        ret

; HL = zero-ended text to add at DE.
append_text:
        ld a,(hl)
        inc hl
        or a
        ret z
        call append_char
        jr append_text

; The running time, mm:ss, in the typing area's header.
draw_clock:
        ld hl,NAMES + HEADER_ROW * 32 + CLOCK_COL
        call vram_write_at
        ld hl,(seconds)             ; both bytes at once: L seconds, H minutes
        ld a,h
        call out_two_digits
        ld a,':' + HIGHLIGHT
        out (VDP_DATA),a
        ld a,l
out_two_digits:
        ld c,'0' + HIGHLIGHT
otd_tens:
        sub 10
        jr c,otd_units
        inc c
        jr otd_tens
otd_units:
        add a,10 + '0' + HIGHLIGHT
        ld b,a
        ld a,c
        out (VDP_DATA),a
        ld a,b
        out (VDP_DATA),a
        ret

; ===========================================================================
; Data

psg_silence:
        db 0x9F, 0xBF, 0xDF, 0xFF   ; attenuation 15 on all four channels

vdp_registers:
        db 0x02                     ; R0: Graphics II
        db R1_LOADING               ; R1
        db NAMES / 0x400            ; R2: name table
        db 0xFF                     ; R3: colour table at 0x2000, all thirds
        db 0x03                     ; R4: patterns at 0x0000, all thirds
        db SPRITE_ATTRS / 0x80      ; R5: sprite attributes
        db SPRITE_PATTERNS / 0x800  ; R6: sprite patterns
        db 0x01                     ; R7: black backdrop

; Start values of ship_x .. cur_col.
ram_start_values:
        db 24                       ; ship_x
        db BAND_TOP                 ; ship_y
        db 0                        ; ship_face
        db 0                        ; ship_active
        db 120                      ; ball_x
        db 1                        ; ball_dx
        db 0                        ; ball_phase
        db 9                        ; ball_colour
        db 0                        ; cur_row
        db TEXT_FIRST_COL           ; cur_col
ram_start_values_end:

; Per channel: silent, start attenuation, frames per step, 0, latch bytes.
channel_records:
        db 15, 1, 5, 0, 0x90, 0x80, 0, 0      ; tone 0: melody
        db 15, 3, 8, 0, 0xB0, 0xA0, 0, 0      ; tone 1: bass
        db 15, 5, 1, 0, 0xD0, 0xC0, 0, 0      ; tone 2: key click
        db 15, 0, 2, 0, 0xF0, 0xE0, 0, 0      ; noise

; Text colour and highlight colour of each screen third.
third_colours:
        db 0xF0, 0x1B               ; white; black on light yellow
        db 0xF0, 0x1B
        db 0xF4, 0x17               ; white on dark blue; black on cyan

swatch_left:
        db 0x00, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x00
swatch_right:
        db 0x00, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0x00
swatch_none:
        db 0, 0, 0, 0, 0, 0, 0, 0

title_text:
        db "SORD m5", 0

; Colours of the 16 pixel rows of the large letters.
title_gradient:
        db 0xB0, 0xB0, 0xB0, 0xB0, 0xA0, 0xA0, 0xA0, 0x90
        db 0x90, 0x90, 0x80, 0x80, 0x80, 0x60, 0x60, 0x60

; Height of the ball above the band's floor, frame by frame.
bounce_heights:
        db 0, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 13, 14, 15, 15
        db 15, 16, 16, 16, 16, 16, 16, 16, 15, 15, 15, 14, 13, 13, 12, 11
        db 10, 9, 8, 7, 6, 4, 3, 2

screen_texts:
        dw NAMES + 2 * 32 + 1
        db "Free boot ROM of the emulator.", 0
        dw NAMES + 3 * 32 + 2
        db "The original ", MARK, "IPL.ROM", MARK, " goes in", 0
        dw NAMES + 4 * 32 + 4
        db "the program's directory.", 0
        dw NAMES + 6 * 32 + 3
        db "Type: ", MARK, " SHIFT ", MARK, " for capitals", 0
        dw NAMES + 7 * 32 + 1
        db MARK, " RETURN ", MARK, " new line ", MARK, " TAB ", MARK, " delete", 0
        dw NAMES + 8 * 32 + 1
        db MARK, " CTRL ", MARK, " tune ", MARK, " ARROWS ", MARK, " move ship", 0
        dw NAMES + HEADER_ROW * 32 + 1
        db MARK, "Type here", 0
        dw 0

txt_ports:
        db "30-37:", 0
txt_joy:
        db "Joy:  ", 0
txt_held:
        db "Held: ", 0

; Port 0x37 bit of each direction, and its word.
joy_words:
        db 1 << JOY_UP, "UP", 0
        db 1 << JOY_DOWN, "DOWN", 0
        db 1 << JOY_LEFT, "LEFT", 0
        db 1 << JOY_RIGHT, "RIGHT", 0
        db 0

row0_names:
        dw name_ctrl, name_tab, name_shift, name_shift, 0, 0, name_space, name_return
name_ctrl:
        db "CTRL", 0
name_tab:
        db "TAB", 0
name_shift:
        db "SHIFT", 0
name_space:
        db "SPACE", 0
name_return:
        db "RETURN", 0

; The tune: per step its length in frames, the melody's tone period and the
; bass's tone period (periods for the 3579545 Hz chip: f = 3579545 / 32 / n);
; a zero length ends it, with a noise crash.
P_C3            equ 855
P_F3            equ 641
P_G3            equ 571
P_C5            equ 214
P_E5            equ 170
P_F5            equ 160
P_G5            equ 143
P_A5            equ 127
P_B5            equ 113
P_C6            equ 107
P_D6            equ 95

tune:
        db 8
        dw P_C5, P_C3
        db 8
        dw P_E5, P_C3
        db 8
        dw P_G5, P_C3
        db 8
        dw P_E5, P_C3
        db 8
        dw P_F5, P_F3
        db 8
        dw P_A5, P_F3
        db 8
        dw P_C6, P_F3
        db 8
        dw P_A5, P_F3
        db 8
        dw P_G5, P_G3
        db 8
        dw P_B5, P_G3
        db 8
        dw P_D6, P_G3
        db 8
        dw P_B5, P_G3
        db 8
        dw P_G5, P_C3
        db 24
        dw P_C6, P_C3
        db 0

        include "font.inc"
        include "sprites.inc"

        if isr_frame != 0x0303
        .error The interrupt handler must sit where the vector table points
        endif
        if $ > 0x2000
        .error The boot ROM is larger than 8 KiB
        endif
