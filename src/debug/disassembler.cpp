#include "debug/disassembler.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace m5::debug {
namespace {

// Operand names by their encoding fields (x = op >> 6, y = (op >> 3) & 7,
// z = op & 7, p = y >> 1, q = y & 1).
constexpr const char* REG8[8] = {"B", "C", "D", "E", "H", "L", "(HL)", "A"};
constexpr const char* PAIR_SP[4] = {"BC", "DE", "HL", "SP"};
constexpr const char* PAIR_AF[4] = {"BC", "DE", "HL", "AF"};
constexpr const char* CONDITION[8] = {"NZ", "Z", "NC", "C", "PO", "PE", "P", "M"};
constexpr const char* ALU[8] = {"ADD A,", "ADC A,", "SUB ", "SBC A,", "AND ", "XOR ", "OR ", "CP "};
constexpr const char* ROTATE[8] = {"RLC", "RRC", "RL", "RR", "SLA", "SRA", "SLL", "SRL"};
constexpr const char* ACCUMULATOR_OPS[8] = {"RLCA", "RRCA", "RLA", "RRA", "DAA", "CPL", "SCF", "CCF"};
constexpr const char* BLOCK_OPS[4][4] = {{"LDI", "CPI", "INI", "OUTI"},
                                         {"LDD", "CPD", "IND", "OUTD"},
                                         {"LDIR", "CPIR", "INIR", "OTIR"},
                                         {"LDDR", "CPDR", "INDR", "OTDR"}};
constexpr int INTERRUPT_MODE[8] = {0, 0, 1, 2, 0, 0, 1, 2};

// Reads the instruction's bytes and writes its text.
class Decoder {
public:
    Decoder(const uint8_t* instruction_bytes, int available_bytes, uint16_t instruction_address)
        : bytes(instruction_bytes), available(available_bytes), address(instruction_address) {}

    uint8_t next() {
        const uint8_t value = position < available ? bytes[position] : 0;
        ++position;
        return value;
    }
    uint16_t word() {
        const uint8_t low = next();
        return static_cast<uint16_t>(low | next() << 8);
    }
    void put(const char* text) {
        const size_t room = sizeof out.text - 1 - used;
        const size_t n = std::min(std::strlen(text), room);
        std::memcpy(out.text + used, text, n);
        used += n;
        out.text[used] = '\0';
    }
    void put_byte(uint8_t value) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "$%02X", value);
        put(buffer);
    }
    void put_word(uint16_t value) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "$%04X", value);
        put(buffer);
    }
    void put_immediate8() { put_byte(next()); }
    void put_immediate16() { put_word(word()); }
    void put_address16() {
        put("(");
        put_immediate16();
        put(")");
    }
    // The target of a relative jump: the displacement counts from the next
    // instruction.
    void put_relative() {
        const auto displacement = static_cast<int8_t>(next());
        put_word(static_cast<uint16_t>(address + position + displacement));
    }

    // --- Index register substitution -------------------------------------
    // With an index prefix, HL reads IX/IY, H and L the halves, and (HL)
    // (IX+d) with the displacement fetched where the instruction has it.
    const char* pair_name(const char* const* table, int index) const {
        return index == 2 && index_name != nullptr ? index_name : table[index];
    }
    void put_reg8(int index, bool halves = true) {
        if (index == 6) {
            put_memory_hl();
        } else if (index_name != nullptr && halves && (index == 4 || index == 5)) {
            put(index_name);
            put(index == 4 ? "H" : "L");
        } else {
            put(REG8[index]);
        }
    }
    void put_memory_hl() {
        if (index_name == nullptr) {
            put("(HL)");
            return;
        }
        if (!displacement_read) displacement = static_cast<int8_t>(next()), displacement_read = true;
        put("(");
        put(index_name);
        put(displacement < 0 ? "-" : "+");
        put_byte(static_cast<uint8_t>(displacement < 0 ? -displacement : displacement));
        put(")");
    }

    void main_page(uint8_t op);
    void cb_page();
    void put_cb_operation(int x, int y);
    void ed_page();
    void index_cb_page();
    // True when `op` after a DD or FD prefix has an index form.
    static bool has_index_form(uint8_t op);

    Instruction finish() {
        out.length = position;
        return out;
    }

    const uint8_t* bytes;
    int available;
    uint16_t address;
    int position = 0;
    const char* index_name = nullptr;  // "IX" or "IY" after a prefix
    int displacement = 0;
    bool displacement_read = false;
    bool ran_out = false;  // a chain of prefixes went past the bytes given
    Instruction out;
    size_t used = 0;
};

bool Decoder::has_index_form(uint8_t op) {
    const int x = op >> 6, y = (op >> 3) & 7, z = op & 7;
    switch (x) {
        case 0:
            if (z == 1) return true;                        // LD X,nn / ADD X,rr
            if (z == 2) return y == 4 || y == 5;            // LD (nn),X / LD X,(nn)
            if (z == 3) return y == 4 || y == 5;            // INC X / DEC X
            if (z >= 4 && z <= 6) return y >= 4 && y <= 6;  // INC, DEC, LD n of XH, XL, (X+d)
            return false;
        case 1:
            if (op == 0x76) return false;  // HALT
            return (y >= 4 && y <= 6) || (z >= 4 && z <= 6);
        case 2: return z >= 4 && z <= 6;
        default:
            // POP X, EX (SP),X, PUSH X, JP (X), LD SP,X, and the DD CB page.
            return op == 0xE1 || op == 0xE3 || op == 0xE5 || op == 0xE9 || op == 0xF9 || op == 0xCB;
    }
}

void Decoder::main_page(uint8_t op) {
    const int x = op >> 6, y = (op >> 3) & 7, z = op & 7, p = y >> 1, q = y & 1;
    switch (x) {
        case 0:
            switch (z) {
                case 0:
                    if (y == 0) return put("NOP");
                    if (y == 1) return put("EX AF,AF'");
                    put(y == 2 ? "DJNZ " : "JR ");
                    if (y >= 4) put(CONDITION[y - 4]), put(",");
                    return put_relative();
                case 1:
                    if (q == 0) {
                        put("LD "), put(pair_name(PAIR_SP, p)), put(",");
                        return put_immediate16();
                    }
                    put("ADD "), put(pair_name(PAIR_SP, 2)), put(","), put(pair_name(PAIR_SP, p));
                    return;
                case 2: {
                    static constexpr const char* INDIRECT[4] = {"(BC)", "(DE)", nullptr, nullptr};
                    const char* other = p == 2 ? pair_name(PAIR_SP, 2) : "A";
                    put("LD ");
                    if (q == 0) {
                        if (p < 2) return put(INDIRECT[p]), put(",A");
                        put_address16();
                        return put(","), put(other);
                    }
                    put(other), put(",");
                    if (p < 2) return put(INDIRECT[p]);
                    return put_address16();
                }
                case 3: put(q == 0 ? "INC " : "DEC "); return put(pair_name(PAIR_SP, p));
                case 4: put("INC "); return put_reg8(y);
                case 5: put("DEC "); return put_reg8(y);
                case 6:
                    put("LD ");
                    put_reg8(y);
                    put(",");
                    return put_immediate8();
                default: return put(ACCUMULATOR_OPS[y]);
            }
        case 1:
            if (op == 0x76) return put("HALT");
            // With (X+d) on one side, the other side stays H or L.
            put("LD ");
            put_reg8(y, z != 6);
            put(",");
            return put_reg8(z, y != 6);
        case 2: put(ALU[y]); return put_reg8(z);
        default: break;
    }
    switch (z) {
        case 0: put("RET "); return put(CONDITION[y]);
        case 1:
            if (q == 0) return put("POP "), put(pair_name(PAIR_AF, p));
            if (p == 0) return put("RET");
            if (p == 1) return put("EXX");
            if (p == 2) return put("JP ("), put(pair_name(PAIR_SP, 2)), put(")");
            return put("LD SP,"), put(pair_name(PAIR_SP, 2));
        case 2: put("JP "), put(CONDITION[y]), put(","); return put_immediate16();
        case 3:
            switch (y) {
                case 0: put("JP "); return put_immediate16();
                case 1: return index_name != nullptr ? index_cb_page() : cb_page();
                case 2:
                    put("OUT (");
                    put_immediate8();
                    return put("),A");
                case 3:
                    put("IN A,(");
                    put_immediate8();
                    return put(")");
                case 4: return put("EX (SP),"), put(pair_name(PAIR_SP, 2));
                case 5: return put("EX DE,HL");
                case 6: return put("DI");
                default: return put("EI");
            }
        case 4: put("CALL "), put(CONDITION[y]), put(","); return put_immediate16();
        case 5:
            if (q == 0) return put("PUSH "), put(pair_name(PAIR_AF, p));
            if (p == 0) return put("CALL "), put_immediate16();
            if (p == 2) return ed_page();
            {
                // DD / FD: the next opcode with its index form, or, when it
                // has none, run as it stands (one instruction with it).
                const char* name = p == 1 ? "IX" : "IY";
                // Out of the bytes given (a long chain of prefixes), the
                // prefix is shown on its own.
                if (position >= available) {
                    ran_out = true;
                    return;
                }
                const uint8_t next_op = next();
                if (has_index_form(next_op)) index_name = name;
                return main_page(next_op);
            }
        case 6: put(ALU[y]); return put_immediate8();
        default: put("RST "); return put_byte(static_cast<uint8_t>(y * 8));
    }
}

// The part of a CB-page instruction before its operand: a rotate or shift
// (x = 0), or BIT, RES or SET with the bit number y.
void Decoder::put_cb_operation(int x, int y) {
    static constexpr const char* BIT_OPS[4] = {nullptr, "BIT ", "RES ", "SET "};
    if (x == 0) {
        put(ROTATE[y]), put(" ");
    } else {
        char bit[4] = {static_cast<char>('0' + y), ',', '\0', '\0'};
        put(BIT_OPS[x]), put(bit);
    }
}

void Decoder::cb_page() {
    const uint8_t op = next();
    const int x = op >> 6, y = (op >> 3) & 7, z = op & 7;
    put_cb_operation(x, y);
    put(REG8[z]);
}

// DD CB d op / FD CB d op: the displacement comes before the opcode. Every
// form but BIT with a register field other than 6 also copies the result into
// that register.
void Decoder::index_cb_page() {
    displacement = static_cast<int8_t>(next());
    displacement_read = true;
    const uint8_t op = next();
    const int x = op >> 6, y = (op >> 3) & 7, z = op & 7;
    put_cb_operation(x, y);
    put_memory_hl();
    if (x != 1 && z != 6) put(","), put(REG8[z]);
}

void Decoder::ed_page() {
    index_name = nullptr;  // the ED page ignores an index prefix
    const uint8_t op = next();
    const int x = op >> 6, y = (op >> 3) & 7, z = op & 7, p = y >> 1, q = y & 1;
    if (x == 2 && z <= 3 && y >= 4) return put(BLOCK_OPS[y - 4][z]);
    if (x != 1) return put("NOP");
    switch (z) {
        case 0:
            if (y == 6) return put("IN F,(C)");
            return put("IN "), put(REG8[y]), put(",(C)");
        case 1:
            if (y == 6) return put("OUT (C),0");
            return put("OUT (C),"), put(REG8[y]);
        case 2: return put(q == 0 ? "SBC HL," : "ADC HL,"), put(PAIR_SP[p]);
        case 3:
            put("LD ");
            if (q == 0) return put_address16(), put(","), put(PAIR_SP[p]);
            put(PAIR_SP[p]), put(",");
            return put_address16();
        case 4: return put("NEG");
        case 5: return put(q == 0 ? "RETN" : "RETI");
        case 6: {
            const char mode[8] = {'I', 'M', ' ', static_cast<char>('0' + INTERRUPT_MODE[y]), '\0'};
            return put(mode);
        }
        default: {
            static constexpr const char* TRANSFERS[8] = {"LD I,A", "LD R,A", "LD A,I", "LD A,R",
                                                         "RRD",    "RLD",    "NOP",    "NOP"};
            return put(TRANSFERS[y]);
        }
    }
}

}  // namespace

Instruction disassemble(const uint8_t* bytes, int available, uint16_t address) {
    Decoder decoder(bytes, available, address);
    decoder.main_page(decoder.next());
    if (decoder.ran_out) {
        Instruction lone;
        std::memcpy(lone.text, "NOP", 4);
        return lone;
    }
    return decoder.finish();
}

}  // namespace m5::debug
