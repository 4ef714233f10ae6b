#!/usr/bin/env bash
# Makes the seed corpus of every fuzz target with our own tools: m5run, our
# assembled test programs and the shell. Nothing binary is kept in the
# repository; the build runs this script.
#
#   make_seeds.sh M5RUN ROM_DIR OUT_DIR STATE_SEEDS [SOFTWARE_DIR]
#
# SOFTWARE_DIR, when it exists, holds the published cartridges the tests read
# in place (../shared/m5-software); the states m5run saves while they run
# become seeds too.
#
# Each target's seeds go to OUT_DIR/TARGET/. To add a seed, add one line
# below with one of these helpers:
#   record TARGET NAME ROM FRAMES   the tape output of test program ROM over FRAMES frames
#   truncated TARGET NAME FROM BYTES the first BYTES bytes of seed FROM
#   overwrite TARGET NAME FROM OFFSET HEX
#                                   seed FROM with the bytes HEX (e.g. ff00) written at OFFSET
#   hex TARGET NAME HEX             the bytes HEX
#   rom TARGET NAME ROM             the assembled test program ROM as it is
#   state TARGET NAME ROM FRAMES [play|record]
#                                   the saved state of a machine that ran ROM for
#                                   FRAMES frames, a tape playing or recording
#   rom_and_cartridge TARGET NAME IPL CART
#                                   test program IPL padded to 8 KiB, then CART
#   sordm5 TARGET NAME ROM          test program ROM in a SORDM5 tape file: a
#                                   header block (machine code loaded and started
#                                   at 0x7300) and 256-byte data blocks
#   packets TARGET NAME PAYLOAD...  GDB remote protocol packets, each framed
#                                   with its checksum
#   cartridge_state NAME CART FRAMES [M5RUN OPTIONS...]
#                                   the state file m5run saves after running the
#                                   published cartridge CART on the free boot ROM
#   cartridge_calls NAME CART STATE a program of C interface calls: insert CART,
#                                   load the save_state seed STATE, set the sound
#                                   to 48000 Hz in blocks of 801, run, save, run
set -euo pipefail
m5run=$1
roms=$2
out=$3
state_seeds=$4
software=${5:-}

rm -rf "$out"
targets=(tape_wav tape_cas settings machine m5run_options save_state capi gdb_packets)
for target in "${targets[@]}"; do mkdir -p "$out/$target"; done

record() { "$m5run" --ipl "$roms/$3.rom" --frames "$4" --tape-record "$out/$1/$2" >/dev/null; }
truncated() { head -c "$4" "$out/$1/$3" >"$out/$1/$2"; }
# Hex digits to bytes, without xxd: "ff00" -> \xff\x00 for printf.
hex_bytes() { printf "$(printf '%s' "$1" | sed 's/../\\x&/g')"; }
overwrite() {
  cp "$out/$1/$3" "$out/$1/$2"
  hex_bytes "$5" | dd of="$out/$1/$2" bs=1 seek="$4" conv=notrunc status=none
}
hex() { hex_bytes "$3" >"$out/$1/$2"; }
rom() { cp "$roms/$3.rom" "$out/$1/$2"; }
state() { "$state_seeds" "$roms/$3.rom" "$4" "$out/$1/$2" ${5:+"$5"}; }
rom_and_cartridge() {
  local size
  size=$(wc -c <"$roms/$3.rom")
  { cat "$roms/$3.rom"; head -c $((8192 - size)) /dev/zero; cat "$roms/$4.rom"; } >"$out/$1/$2"
}

# A SORDM5 block: type character TYPE, then the bytes HEX with their length
# byte before them and their sum after them.
sordm5_block() {
  local type=$1 hex=$2 sum=0 i
  for ((i = 0; i < ${#hex}; i += 2)); do sum=$(((sum + 0x${hex:i:2}) & 255)); done
  printf '%s' "$type"
  hex_bytes "$(printf '%02x' $((${#hex} / 2 & 255)))$hex$(printf '%02x' "$sum")"
}
sordm5() {
  local data length i
  data=$(od -An -v -tx1 "$roms/$3.rom" | tr -d ' \n')
  length=$((${#data} / 2))
  {
    printf 'SORDM5'
    head -c 10 /dev/zero
    # File type 3, the name "SEED", load address, length and start address.
    sordm5_block H "03534545440000000000$(printf '0073%02x%02x0073%030d' $((length & 255)) $((length >> 8)) 0)"
    for ((i = 0; i < ${#data}; i += 512)); do
      local chunk=${data:i:512}
      while ((${#chunk} < 512)); do chunk+=00; done
      sordm5_block D "$chunk"
    done
  } >"$out/$1/$2"
}

# A settings file: version 22, the given cartridge and tape paths as the
# first recent entries (260 UTF-16 units each), then speed, reserved, rate
# and buffer indexes as hex words.
settings() {
  local target=$1 name=$2 cart=$3 tape=$4 tail=$5
  {
    hex_bytes 16000000
    for list in "$cart" "$tape"; do
      local units
      units=$(printf '%s' "$list" | iconv -f UTF-8 -t UTF-16LE | wc -c)
      printf '%s' "$list" | iconv -f UTF-8 -t UTF-16LE
      head -c $((4160 - units)) /dev/zero
    done
    hex_bytes "$tail"
  } >"$out/$target/$name"
}

# Tape images, played and recorded.
record tape_wav written.wav tape_write 12
record tape_wav square.wav host_tape_out 3
truncated tape_wav header_only.wav written.wav 44
truncated tape_wav short_header.wav written.wav 20
overwrite tape_wav sizes_wrong.wav square.wav 4 ffffffff
# WAV headers the deck converts (written.wav is 8-bit mono at 48000 Hz, its
# format chunk at 12 and its data chunk at 36), and damaged ones.
overwrite tape_wav cd_rate.wav written.wav 24 44ac0000
overwrite tape_wav stereo.wav written.wav 22 0200
overwrite tape_wav sixteen_bit.wav written.wav 32 02001000
overwrite tape_wav float.wav written.wav 20 0300
overwrite tape_wav float_sized.wav float.wav 32 04002000
overwrite tape_wav zero_channels.wav written.wav 22 0000
overwrite tape_wav zero_rate.wav written.wav 24 00000000
overwrite tape_wav not_pcm.wav written.wav 20 5500
overwrite tape_wav format_past_end.wav written.wav 16 f0ffff7f
overwrite tape_wav data_past_end.wav cd_rate.wav 40 ffffff7f
overwrite tape_wav no_data_chunk.wav written.wav 36 4c495354
# 24-bit stereo at 96 kHz in an extensible format chunk, after an odd-sized
# LIST chunk, with eight frames of samples.
hex tape_wav extensible.wav 524946467800000057415645\
4c4953540300000041424300\
666d742028000000feff02000077010000ca080006001800\
16001800030000000100000000001000800000aa00389b71\
6461746130000000\
000080000080ffff7fffff7f000080000080ffff7fffff7f000080000080ffff7fffff7f000080000080ffff7fffff7f

record tape_cas written.cas tape_write 12
record tape_cas square.cas host_tape_out 30
hex tape_cas runs.cas 8300028002ff00
hex tape_cas empty_runs.cas 0000800000
# SORDM5 tape files: the M5's blocks as bytes, whole, cut inside the header
# and inside a data block, with a bad checksum, and a block whose length
# runs past the end.
sordm5 tape_cas sordm5.cas tape_program
truncated tape_cas sordm5_cut_header.cas sordm5.cas 30
truncated tape_cas sordm5_cut_data.cas sordm5.cas 200
overwrite tape_cas sordm5_bad_sum.cas sordm5.cas 49 00
hex tape_cas sordm5_long_block.cas 534f52444d350000000000000000000044c8010203

# The settings image.
settings settings default.cfg "" "" 00000000000000000100000000000000
settings settings recent.cfg "/home/m5/games/Castle.rom" "/tmp/テープ.cas" 04000000070000000600000003000000
truncated settings short.cfg recent.cfg 600
overwrite settings old_version.cfg recent.cfg 0 15000000
overwrite settings lone_surrogate.cfg recent.cfg 4 00d8

# IPL and cartridge bytes run as code: our test programs as IPL ROMs.
rom machine boot.rom boot
rom machine vdp_irq.rom vdp_irq
rom machine ctc_im2.rom ctc_im2
rom machine psg_tone.rom psg_tone
rom machine tape_write.rom tape_write
rom machine keys_rows.rom keys_rows
rom_and_cartridge machine boot_and_cartridge.rom boot vdp_irq

# m5run's command line: arguments separated by NUL bytes.
args() {
  local target=$1 name=$2
  shift 2
  printf '%s\0' "$@" >"$out/$target/$name"
}
args m5run_options run.args --ipl boot.rom --frames 120 --speed 4 --rate 44100 --buffer 200
args m5run_options keys.args --frames 30 --key A@2+3 --key 0x20@5 --key RETURN@30 --paste-frame 10 --paste 'RUN\r\x41'
args m5run_options outputs.args --screenshot a.png --screenshot-at 1:b.png --wav s.wav --dump-ram r --stats
args m5run_options refused.args --tape a.cas --tape-record b.cas
args m5run_options debug.args --trace t.txt --trace-from 2 --trace-frames 3 --break start --break '$2000' \
  --watch 7000:2:rw --symbols s.sym --gdb 127.0.0.1:0

# Save states: the chunks a machine saves, after our test programs ran.
state save_state boot.state boot 30
state save_state ctc_im2.state ctc_im2 5
state save_state psg_tone.state psg_tone 5
state save_state tape_write.state tape_write 4 record
state save_state tape_read.state tape_read 4 play

# The C interface: programs of calls (see capi_fuzzer.cpp for the operations).
hex capi frames.calls 0003000300030003
hex capi state.calls 00030800064142430009000a00000003
hex capi tape.calls 0300040000008c8c000003040103000305000311001000
hex capi memory.calls 0b0070100012003000000f00010e0300
hex capi keys.calls 06000106020100030600000d80bb000000

# What a GDB client sends: a session as DeZog's MAME remote begins one, and
# damaged packets between good ones (0x03 is the break byte).
packets() {
  local target=$1 name=$2 payload sum i code
  shift 2
  for payload in "$@"; do
    sum=0
    for ((i = 0; i < ${#payload}; i++)); do
      printf -v code '%d' "'${payload:i:1}"
      sum=$(((sum + code) & 255))
    done
    printf '+$%s#%02x' "$payload" "$sum"
  done >"$out/$target/$name"
}
packets gdb_packets session.gdb qSupported:xmlRegisters=z80 'qXfer:features:read:target.xml:0,7ff' '?' g p0b \
  'Z0,2000,1' c 'm2000,10' 'M9000,2:beef' s 'Z2,7800,1' 'Z3,7000,2' 'Z4,8000,1' 'z2,7800,1' 'z0,2000,1' \
  'G00112233445566778899aabbccddeeff0011223344556677' 'P0b=0020' k D
packets gdb_packets malformed.gdb 'mzz,1' 'Z9,0,0' 'p99' 'M0,2:0' 'qXfer:features:read:other.xml:0,10' vCont?
{ printf '$g#00\x03'; cat "$out/gdb_packets/session.gdb"; } >"$out/gdb_packets/bad_checksum.gdb"

# Published cartridges as they run, when the shared data is there: the
# states of their machines, whole files, and C interface programs that
# resume them.
if [ -n "$software" ] && [ -d "$software" ]; then
  program_dir=$(mktemp -d)  # holds no IPL.ROM: m5run runs the free boot ROM
  trap 'rm -rf "$program_dir"' EXIT
  cartridge_state() {
    local name=$1 cart=$2 frames=$3
    shift 3
    "$m5run" --dir "$program_dir" --cart "$software/$cart.rom" --frames "$frames" \
      --save-state "$out/save_state/$name" "$@" >/dev/null 2>&1
  }
  le16() { hex_bytes "$(printf '%02x%02x' $(($1 & 255)) $(($1 >> 8 & 255)))"; }
  cartridge_calls() {
    local name=$1 cart=$2 state=$3
    {
      hex_bytes 01
      le16 "$(wc -c <"$software/$cart.rom")"
      cat "$software/$cart.rom"
      hex_bytes 0a01
      le16 "$(wc -c <"$out/save_state/$state")"
      cat "$out/save_state/$state"
      hex_bytes 0de02e2b03000300030003090003000300030003
    } >"$out/capi/$name"
  }
  cartridge_state happy_face.m5s happy_face 90
  cartridge_state plot.m5s plot 120
  cartridge_state music.m5s music 240 --key 1@70+10
  cartridge_state controller.m5s controller 90 --key UP@40+30 --key 1@50+10
  cartridge_state viboritas.m5s viboritas 200 --key 1@80+5 --key RIGHT@100+60
  for cart in happy_face plot music controller viboritas; do
    cartridge_calls "$cart.calls" "$cart" "$cart.m5s"
  done
fi

touch "$out/.made"
