"""The pixels of the PNG files m5run and the browser write, for the Python
checks (tests/capi/check_embedding.py, tests/web/test_web.py).

Reads 8-bit RGB or RGBA images without interlacing, as m5run and Chromium
write them; anything else fails an assertion.
"""
import zlib


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else b if pb <= pc else c


def read_png(path, channels_out=4):
    """(width, height, pixels): the pixels row by row, top row first, as RGB
    bytes (channels_out 3) or RGBA bytes (channels_out 4, alpha 255 where the
    image has none)."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", f"{path} is not a PNG"
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length = int.from_bytes(data[pos:pos + 4], "big")
        kind = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = body
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    assert header is not None, f"{path} has no header"
    width, height = int.from_bytes(header[0:4], "big"), int.from_bytes(header[4:8], "big")
    depth, colour, interlace = header[8], header[9], header[12]
    assert depth == 8 and colour in (2, 6) and interlace == 0, f"{path}: not an 8-bit RGB(A) PNG without interlacing"
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous, pos = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[pos], bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif kind == 4:
                line[i] = (line[i] + _paeth(a, b, c)) & 0xFF
        rows.append(bytes(line))
        previous = line
    pixels = b"".join(rows)
    if channels == channels_out:
        return width, height, pixels
    out = bytearray()
    for i in range(0, len(pixels), channels):
        out += pixels[i:i + 3] + (b"\xff" if channels_out == 4 else b"")
    return width, height, bytes(out)
