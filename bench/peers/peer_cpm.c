/* A CP/M harness for a peer Z80 core, for bench/compare_z80.sh: the same
 * machine as `z80check cpm` (the program at 0x0100, a BDOS stub at 0xFE00
 * reached through 0x0005, OUT (0xFF),A for a BDOS call and OUT (0xFE),A at
 * 0x0000 for the exit), on a flat 64 KiB RAM reached through the core's own
 * callbacks. Prints the program's output and then the same summary line as
 * z80check:
 *   N T-states in W s: M MHz effective (peer bus; P s of processor time)
 *
 * Built with -DPEER_REDCODE (redcode/Z80 and its Zeta headers, the
 * z80_execute API) or -DPEER_SUPERZAZU (superzazu/z80, z80_step). The cores
 * are never part of this repository: the script points the compiler at a
 * copy the user fetched. */
#define _POSIX_C_SOURCE 199309L
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#if defined(PEER_REDCODE)
#include <Z80.h>
#elif defined(PEER_SUPERZAZU)
#include "z80.h"
#else
#error "define PEER_REDCODE or PEER_SUPERZAZU"
#endif

enum { LOAD_ADDRESS = 0x0100, BDOS_ADDRESS = 0xFE00, BDOS_PORT = 0xFF, EXIT_PORT = 0xFE, TRAP_CLOCKS = 11 };

static uint8_t memory[0x10000];
static int finished;

static void put(int ch) {
    if (ch == '\r') return;
    fputc(ch, stdout);
    if (ch == '\n') fflush(stdout);
}

/* C = 2: print E; C = 9: print the '$'-terminated string at DE. */
static void bdos(uint8_t c, uint8_t e, uint16_t de) {
    if (c == 0) {
        finished = 1;
    } else if (c == 2) {
        put(e);
    } else if (c == 9) {
        for (int n = 0; n < 0x10000 && memory[de] != '$'; ++n) put(memory[de++]);
    }
}

static double seconds_of(const struct timespec* t) { return (double)t->tv_sec + (double)t->tv_nsec / 1e9; }

#if defined(PEER_REDCODE)
static uint8_t read_byte(void* context, uint16_t address) {
    (void)context;
    return memory[address];
}
static void write_byte(void* context, uint16_t address, uint8_t value) {
    (void)context;
    memory[address] = value;
}
static uint8_t in_port(void* context, uint16_t port) {
    (void)context;
    (void)port;
    return 0xFF;
}
static Z80 cpu;
static void out_port(void* context, uint16_t port, uint8_t value) {
    (void)context;
    (void)value;
    if ((port & 0xFF) == BDOS_PORT) bdos(Z80_C(cpu), Z80_E(cpu), Z80_DE(cpu));
    if ((port & 0xFF) == EXIT_PORT) finished = 1;
    if (finished) z80_break(&cpu);
}
static uint8_t bus_byte(void* context, uint16_t address) {
    (void)context;
    (void)address;
    return 0xFF;
}
static uint8_t illegal(Z80* self, uint8_t opcode) {
    (void)self;
    (void)opcode;
    return 4;
}

static int64_t run(void) {
    cpu.context = NULL;
    cpu.fetch_opcode = read_byte;
    cpu.fetch = read_byte;
    cpu.read = read_byte;
    cpu.write = write_byte;
    cpu.in = in_port;
    cpu.out = out_port;
    cpu.halt = NULL;
    cpu.nop = NULL;
    cpu.nmia = bus_byte;
    cpu.inta = bus_byte;
    cpu.int_fetch = bus_byte;
    cpu.ld_i_a = NULL;
    cpu.ld_r_a = NULL;
    cpu.reti = NULL;
    cpu.retn = NULL;
    cpu.hook = NULL;
    cpu.illegal = illegal;
    cpu.options = Z80_MODEL_ZILOG_NMOS;
    z80_power(&cpu, 1);
    z80_instant_reset(&cpu);
    Z80_SP(cpu) = BDOS_ADDRESS - 2;
    Z80_PC(cpu) = LOAD_ADDRESS;
    int64_t clocks = 0;
    while (!finished) clocks += (int64_t)z80_execute(&cpu, 100000000);
    return clocks - TRAP_CLOCKS;
}
#else
static uint8_t read_byte(void* userdata, uint16_t address) {
    (void)userdata;
    return memory[address];
}
static void write_byte(void* userdata, uint16_t address, uint8_t value) {
    (void)userdata;
    memory[address] = value;
}
static uint8_t in_port(z80* z, uint8_t port) {
    (void)z;
    (void)port;
    return 0xFF;
}
static void out_port(z80* z, uint8_t port, uint8_t value) {
    (void)value;
    if (port == BDOS_PORT) bdos(z->c, z->e, (uint16_t)(z->d << 8 | z->e));
    if (port == EXIT_PORT) finished = 1;
}

static int64_t run(void) {
    static z80 cpu;
    z80_init(&cpu);
    cpu.read_byte = read_byte;
    cpu.write_byte = write_byte;
    cpu.port_in = in_port;
    cpu.port_out = out_port;
    cpu.sp = BDOS_ADDRESS - 2;
    cpu.pc = LOAD_ADDRESS;
    while (!finished) z80_step(&cpu);
    return (int64_t)cpu.cyc - TRAP_CLOCKS;
}
#endif

int main(int argc, char** argv) {
    if (argc != 2) {
        fputs("usage: peer_cpm FILE.COM\n", stderr);
        return 2;
    }
    FILE* file = fopen(argv[1], "rb");
    if (file == NULL) {
        fprintf(stderr, "peer_cpm: cannot read %s\n", argv[1]);
        return 2;
    }
    const size_t size = fread(memory + LOAD_ADDRESS, 1, BDOS_ADDRESS - LOAD_ADDRESS, file);
    fclose(file);
    if (size == 0) {
        fprintf(stderr, "peer_cpm: %s is empty\n", argv[1]);
        return 2;
    }
    const uint8_t exit_trap[] = {0xD3, EXIT_PORT};
    const uint8_t bdos_jump[] = {0xC3, BDOS_ADDRESS & 0xFF, BDOS_ADDRESS >> 8};
    const uint8_t bdos_stub[] = {0xD3, BDOS_PORT, 0xC9};
    for (int i = 0; i < 2; ++i) memory[0x0000 + i] = exit_trap[i];
    for (int i = 0; i < 3; ++i) memory[0x0005 + i] = bdos_jump[i];
    for (int i = 0; i < 3; ++i) memory[BDOS_ADDRESS + i] = bdos_stub[i];

    struct timespec wall_start, wall_end, cpu_start, cpu_end;
    clock_gettime(CLOCK_MONOTONIC, &wall_start);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu_start);
    const int64_t clocks = run();
    clock_gettime(CLOCK_MONOTONIC, &wall_end);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu_end);
    const double wall = seconds_of(&wall_end) - seconds_of(&wall_start);
    const double processor = seconds_of(&cpu_end) - seconds_of(&cpu_start);
    fflush(stdout);
    printf("\n%lld T-states in %.2f s: %.1f MHz effective (peer bus; %.2f s of processor time)\n", (long long)clocks,
           wall, wall > 0 ? (double)clocks / wall / 1e6 : 0.0, processor);
    return 0;
}
