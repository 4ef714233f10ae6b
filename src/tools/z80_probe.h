// The Z80 core alone, for `m5run --stats`: how fast the processor runs a
// short program of its own (a CRC-32 of a buffer, table-driven, much like the
// work of the instruction exercisers) with nothing else of the machine, on a
// flat RAM reached through its page table. The machine's frames a second
// compare with this figure: the Z80-only limit.
#pragma once

namespace m5::tools {

// Runs the probe program for about `processor_seconds` of this process's
// processor time and returns its speed in processor clocks a second, in MHz.
double z80_only_mhz(double processor_seconds);

}  // namespace m5::tools
