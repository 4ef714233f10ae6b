"""m5emu: the Sord M5 emulator from Python, over the library's C interface.

    import m5emu
    m5 = m5emu.Machine()                      # powered on with the free boot ROM
    m5.insert_cartridge(open("game.rom", "rb").read())
    m5.key("RETURN", True); m5.run(10); m5.key("RETURN", False)
    m5.run(120)
    assert m5.read_memory(0x7000, 4) == b"\\x01\\x02\\x03\\x04"
    picture = m5.picture()                    # 256 x 192 RGBA bytes

The library is found through the M5EMU_LIBRARY environment variable, beside
this file (as installed: lib/ next to share/), or on the system's library path.
Errors raise m5emu.Error with the library's one-line reason. Arguments the
library could not even be given (an address beyond 64 KiB, a negative
length, a joystick other than 0 and 1, a speed or sound rate it does not
have, text holding a NUL) raise ValueError: nothing is cut to fit.
"""

import ctypes
import ctypes.util
import os

WIDTH = 256
HEIGHT = 192
RAM_START = 0x7000
RAM_SIZE = 36864
VRAM_SIZE = 16384

TAPE_AUTO, TAPE_CAS, TAPE_WAV = 0, 1, 2
PIXEL_XRGB8888, PIXEL_RGBA8888 = 0, 1
JOY_UP, JOY_DOWN, JOY_LEFT, JOY_RIGHT, JOY_FIRE1, JOY_FIRE2 = 0x01, 0x02, 0x04, 0x08, 0x10, 0x20


class Error(Exception):
    """A call the library refused, with its reason."""


class Registers(ctypes.Structure):
    _fields_ = [(name, ctypes.c_uint16) for name in
                ("af", "bc", "de", "hl", "af_alt", "bc_alt", "de_alt", "hl_alt", "ix", "iy", "sp", "pc")] + \
               [(name, ctypes.c_uint8) for name in ("i", "r", "iff1", "iff2", "im", "halted")]


def _find_library():
    named = os.environ.get("M5EMU_LIBRARY")
    if named:
        return named
    here = os.path.dirname(os.path.abspath(__file__))
    for relative in ("libm5emu.so", "../../../lib/libm5emu.so", "../../../lib64/libm5emu.so"):
        candidate = os.path.normpath(os.path.join(here, relative))
        if os.path.exists(candidate):
            return candidate
    found = ctypes.util.find_library("m5emu")
    if found:
        return found
    raise OSError("libm5emu not found: set M5EMU_LIBRARY to its path")


class _MachineChoice(ctypes.Structure):
    _fields_ = [("model", ctypes.c_int), ("memory", ctypes.c_int)]


# m5run's words for the models and memories, in the library's order.
MODELS = ("ntsc", "pal")
MEMORIES = ("4k", "32k", "64kbf-2b", "64kbf-2c")

_lib = ctypes.CDLL(_find_library())
_handle = ctypes.c_void_p
_bytes = ctypes.c_char_p
_size = ctypes.c_size_t
_signatures = {
    "m5emu_api_version": (ctypes.c_uint, []),
    "m5emu_version": (ctypes.c_char_p, []),
    "m5emu_last_error": (ctypes.c_char_p, [_handle]),
    "m5emu_create": (_handle, []),
    "m5emu_create_machine": (_handle, [ctypes.POINTER(_MachineChoice)]),
    "m5emu_get_machine": (ctypes.c_int, [_handle, ctypes.POINTER(_MachineChoice)]),
    "m5emu_destroy": (None, [_handle]),
    "m5emu_set_ipl": (ctypes.c_int, [_handle, _bytes, _size]),
    "m5emu_use_free_boot_rom": (ctypes.c_int, [_handle]),
    "m5emu_insert_cartridge": (ctypes.c_int, [_handle, _bytes, _size]),
    "m5emu_remove_cartridge": (ctypes.c_int, [_handle]),
    "m5emu_reset": (ctypes.c_int, [_handle]),
    "m5emu_play_tape": (ctypes.c_int, [_handle, _bytes, _size, ctypes.c_int]),
    "m5emu_stop_tape": (ctypes.c_int, [_handle]),
    "m5emu_run_frame": (ctypes.c_int, [_handle]),
    "m5emu_frame_count": (ctypes.c_uint64, [_handle]),
    "m5emu_set_speed": (ctypes.c_int, [_handle, ctypes.c_int]),
    "m5emu_picture": (ctypes.c_int, [_handle, ctypes.c_void_p, _size, ctypes.c_int]),
    "m5emu_set_sound": (ctypes.c_int, [_handle, ctypes.c_int, ctypes.c_int]),
    "m5emu_sound": (ctypes.POINTER(ctypes.c_int16), [_handle, ctypes.POINTER(_size)]),
    "m5emu_key": (ctypes.c_int, [_handle, _bytes, ctypes.c_int]),
    "m5emu_release_all": (ctypes.c_int, [_handle]),
    "m5emu_joystick": (ctypes.c_int, [_handle, ctypes.c_int, ctypes.c_uint]),
    "m5emu_paste": (ctypes.c_int, [_handle, _bytes]),
    "m5emu_pasting": (ctypes.c_int, [_handle]),
    "m5emu_save_state": (ctypes.c_int, [_handle, ctypes.c_void_p, ctypes.POINTER(_size)]),
    "m5emu_load_state": (ctypes.c_int, [_handle, _bytes, _size]),
    "m5emu_read_memory": (ctypes.c_int, [_handle, ctypes.c_uint16, ctypes.c_void_p, _size]),
    "m5emu_write_memory": (ctypes.c_int, [_handle, ctypes.c_uint16, _bytes, _size]),
    "m5emu_ram": (ctypes.POINTER(ctypes.c_uint8), [_handle]),
    "m5emu_ram_extent": (ctypes.c_int, [_handle, ctypes.POINTER(ctypes.c_uint32), ctypes.POINTER(_size)]),
    "m5emu_read_vram": (ctypes.c_int, [_handle, ctypes.c_uint16, ctypes.c_void_p, _size]),
    "m5emu_write_vram": (ctypes.c_int, [_handle, ctypes.c_uint16, _bytes, _size]),
    "m5emu_registers": (ctypes.c_int, [_handle, ctypes.POINTER(Registers)]),
    "m5emu_set_boot_hint": (ctypes.c_int, [_handle, _bytes]),
    "m5emu_key_count": (ctypes.c_int, []),
    "m5emu_key_name": (ctypes.c_char_p, [ctypes.c_int]),
}
for _name, (_result, _arguments) in _signatures.items():
    _function = getattr(_lib, _name)
    _function.restype = _result
    _function.argtypes = _arguments


def version():
    """The emulator's version text."""
    return _lib.m5emu_version().decode()


def key_names():
    """The M5's keys by the names Machine.key takes, in the order of its keyboard matrix."""
    return [_lib.m5emu_key_name(i).decode() for i in range(_lib.m5emu_key_count())]


def _whole(name, value, low, high):
    """`value` as an int in [low, high], or ValueError."""
    if isinstance(value, bool) or not isinstance(value, int):
        raise ValueError("%s must be a whole number, not %r" % (name, value))
    if not low <= value <= high:
        raise ValueError("%s must be %d to %d, not %d" % (name, low, high, value))
    return value


def _text(name, value):
    """`value` as UTF-8 bytes for the library, or ValueError for a NUL in it."""
    if "\0" in value:
        raise ValueError("%s must not hold a NUL character" % name)
    return value.encode()


class Machine:
    """One M5, powered on with the free boot ROM (or the IPL ROM given): the
    model "ntsc" (60 Hz) or "pal" (50 Hz), the memory "4k", "32k", "64kbf-2b"
    or "64kbf-2c"."""

    def __init__(self, ipl=None, model="ntsc", memory="32k"):
        if model not in MODELS or memory not in MEMORIES:
            raise ValueError(f"model is one of {MODELS}, memory one of {MEMORIES}")
        choice = _MachineChoice(MODELS.index(model), MEMORIES.index(memory))
        self._m5 = _lib.m5emu_create_machine(ctypes.byref(choice))
        if not self._m5:
            raise Error(_lib.m5emu_last_error(None).decode())
        if ipl is not None:
            self.set_ipl(ipl)

    @property
    def machine(self):
        """(model, memory), as the constructor takes them."""
        choice = _MachineChoice()
        self._check(_lib.m5emu_get_machine(self._m5, ctypes.byref(choice)))
        return MODELS[choice.model], MEMORIES[choice.memory]

    def close(self):
        if self._m5:
            _lib.m5emu_destroy(self._m5)
            self._m5 = None

    def __del__(self):
        self.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _check(self, result):
        if result != 0:
            raise Error(_lib.m5emu_last_error(self._m5).decode() or "error %d" % result)

    # Media and control.
    def set_ipl(self, data):
        self._check(_lib.m5emu_set_ipl(self._m5, bytes(data), len(data)))

    def use_free_boot_rom(self):
        self._check(_lib.m5emu_use_free_boot_rom(self._m5))

    def set_boot_hint(self, text):
        """What the free boot ROM's screen says about IPL.ROM and cartridges: up to three lines."""
        self._check(_lib.m5emu_set_boot_hint(self._m5, _text("the hint", text)))

    def insert_cartridge(self, data):
        self._check(_lib.m5emu_insert_cartridge(self._m5, bytes(data), len(data)))

    def remove_cartridge(self):
        self._check(_lib.m5emu_remove_cartridge(self._m5))

    def play_tape(self, data, fmt=TAPE_AUTO):
        _whole("the tape format", fmt, TAPE_AUTO, TAPE_WAV)
        self._check(_lib.m5emu_play_tape(self._m5, bytes(data), len(data), fmt))

    def stop_tape(self):
        self._check(_lib.m5emu_stop_tape(self._m5))

    def reset(self):
        self._check(_lib.m5emu_reset(self._m5))

    def set_speed(self, multiplier):
        if _whole("the speed", multiplier, 1, 16) not in (1, 2, 4, 8, 16):
            raise ValueError("the speed must be 1, 2, 4, 8 or 16, not %d" % multiplier)
        self._check(_lib.m5emu_set_speed(self._m5, multiplier))

    # Running.
    def run(self, frames=1):
        """Runs `frames` frames; returns their sound as a list of samples."""
        _whole("the frames", frames, 0, 2**63 - 1)
        sound = []
        for _ in range(frames):
            self._check(_lib.m5emu_run_frame(self._m5))
            count = _size(0)
            samples = _lib.m5emu_sound(self._m5, ctypes.byref(count))
            sound.extend(samples[:count.value])
        return sound

    @property
    def frame(self):
        return _lib.m5emu_frame_count(self._m5)

    def set_sound(self, rate_hz, block_samples=0):
        _whole("the sample rate", rate_hz, 8000, 192000)
        _whole("the block length", block_samples, 0, 65536)
        self._check(_lib.m5emu_set_sound(self._m5, rate_hz, block_samples))

    def picture(self):
        """The last frame as 256 x 192 RGBA bytes, top row first."""
        out = ctypes.create_string_buffer(WIDTH * HEIGHT * 4)
        self._check(_lib.m5emu_picture(self._m5, out, len(out), PIXEL_RGBA8888))
        return out.raw

    # Input.
    def key(self, name, down=True):
        self._check(_lib.m5emu_key(self._m5, _text("a key name", name), 1 if down else 0))

    def release_all(self):
        self._check(_lib.m5emu_release_all(self._m5))

    def joystick(self, stick, bits):
        _whole("the joystick", stick, 0, 1)
        _whole("the joystick bits", bits, 0, 0x3F)
        self._check(_lib.m5emu_joystick(self._m5, stick, bits))

    def paste(self, text):
        self._check(_lib.m5emu_paste(self._m5, _text("the text", text)))

    @property
    def pasting(self):
        return _lib.m5emu_pasting(self._m5) != 0

    # States.
    def save_state(self):
        size = _size(0)
        self._check(_lib.m5emu_save_state(self._m5, None, ctypes.byref(size)))
        out = ctypes.create_string_buffer(size.value)
        self._check(_lib.m5emu_save_state(self._m5, out, ctypes.byref(size)))
        return out.raw[:size.value]

    def load_state(self, data):
        """Loads a state; returns the library's note ("" when none)."""
        self._check(_lib.m5emu_load_state(self._m5, bytes(data), len(data)))
        return _lib.m5emu_last_error(self._m5).decode()

    # Inspection.
    def read_memory(self, address, size):
        _whole("the address", address, 0, 0xFFFF)
        _whole("the length", size, 0, 0x10000)
        out = ctypes.create_string_buffer(size)
        self._check(_lib.m5emu_read_memory(self._m5, address, out, size))
        return out.raw

    def write_memory(self, address, data):
        _whole("the address", address, 0, 0xFFFF)
        self._check(_lib.m5emu_write_memory(self._m5, address, bytes(data), len(data)))

    def ram_extent(self):
        """(start, size) of the RAM the machine has: (RAM_START, RAM_SIZE) with
        the 32 KiB expansion, (0x7000, 4096) on the bare machine, (0, 65536)
        with the 64KBF module."""
        start, size = ctypes.c_uint32(0), _size(0)
        self._check(_lib.m5emu_ram_extent(self._m5, ctypes.byref(start), ctypes.byref(size)))
        return start.value, size.value

    def ram(self):
        """That RAM as a writable memoryview of the library's own bytes (byte 0
        at ram_extent's start): writes through it reach the machine. It keeps
        the Machine alive, but must not be used after close()."""
        size = self.ram_extent()[1]
        array = ctypes.cast(_lib.m5emu_ram(self._m5), ctypes.POINTER(ctypes.c_uint8 * size)).contents
        array._machine = self
        return memoryview(array).cast("B")

    def read_vram(self, address, size):
        _whole("the address", address, 0, VRAM_SIZE - 1)
        _whole("the length", size, 0, VRAM_SIZE)
        out = ctypes.create_string_buffer(size)
        self._check(_lib.m5emu_read_vram(self._m5, address, out, size))
        return out.raw

    def write_vram(self, address, data):
        _whole("the address", address, 0, VRAM_SIZE - 1)
        self._check(_lib.m5emu_write_vram(self._m5, address, bytes(data), len(data)))

    def registers(self):
        regs = Registers()
        self._check(_lib.m5emu_registers(self._m5, ctypes.byref(regs)))
        return {name: getattr(regs, name) for name, _ in Registers._fields_}
