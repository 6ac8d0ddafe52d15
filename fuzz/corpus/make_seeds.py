#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets from the byte layouts alone.

Run from this folder: python3 make_seeds.py
"""
import os
import shutil
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    os.makedirs(os.path.join(HERE, target), exist_ok=True)
    with open(os.path.join(HERE, target, name), 'wb') as f:
        f.write(data)


def event(opcode, status, body=b''):
    """Dongle event packet: 04 ff L, opcode (little-endian), status, body."""
    payload = struct.pack('<HB', opcode, status) + body
    return bytes([0x04, 0xff, len(payload)]) + payload


def notification(value):
    # connection handle (2), pdu length, attribute length + 2, handle (2), value
    body = struct.pack('<HBB', 0, len(value) + 4, len(value) + 2) + struct.pack('<H', 0x0e) + value
    return event(0x051B, 0, body)


def device_information(name, scan=False):
    body = bytes([4 if scan else 0, 0]) + bytes([0xde, 0xbc, 0x0a, 0x19, 0xfd, 0xc8]) + bytes([0xc4])
    body += bytes(21 - 3 - len(body)) + struct.pack('<H', 0xfff0) + bytes([len(name) + 1, 0x09])
    return event(0x060D, 0, body + name)


# Measurement frames: layout -> (bytes, unit offset, decimals offset, clock offset)
LAYOUTS = {1: (27, 12, 16, 17), 2: (59, 25, 24, 50), 3: (35, 20, 24, 25), 4: (47, 24, 28, 38),
           5: (36, 16, 24, 26), 6: (34, 7, 11, 24), 7: (21, None, None, 11)}


def frame(layout, series9=False, value=1.234, unit=b'VDC'):
    n, unit_at, dec_at, clock_at = LAYOUTS[layout]
    b = bytearray(n)
    b[0] = 0xa0
    b[1] = (0x90 if series9 else 0x80) + layout - 1
    b[-1] = 0xa1
    b[2] = 6
    value_at = 3 if layout in (6, 7) else 4
    b[value_at:value_at + 4] = struct.pack('<f', value)
    if unit_at is not None:
        b[unit_at:unit_at + len(unit)] = unit
    if dec_at is not None:
        b[dec_at] = 3
    b[clock_at:clock_at + 6] = bytes([0x24, 0x12, 0x08, 0x11, 0x30, 0x00])
    return bytes(b)


def chunks(*parts, size=20):
    """Protocol input: the parts cut into notifications of up to size bytes."""
    data = b''.join(parts)
    out = b''
    for i in range(0, len(data), size):
        piece = data[i:i + size]
        out += bytes([len(piece)]) + piece
    return out


# Dongle event streams.
write('dongle_events', 'init_done', event(0x0600, 0, bytes(40)))
write('dongle_events', 'command_status', event(0x067F, 0, bytes([0x00, 0xfe])))
write('dongle_events', 'discovery', device_information(b'ORVM') + device_information(b'ORVM', scan=True))
write('dongle_events', 'link', event(0x0605, 0, bytes(16)) + event(0x0607, 0, bytes(8))
      + event(0x0513, 0, bytes(3)) + event(0x0606, 0, bytes(3)))
write('dongle_events', 'notifications', notification(frame(1)[:20]) + notification(frame(1)[20:]))
write('dongle_events', 'failed', event(0x0605, 0x3c) + event(0x0600, 1))

# The dispatcher: control byte, then notifications.
for layout in LAYOUTS:
    write('meter_protocol', 'layout%d' % layout, bytes([0]) + chunks(frame(layout)))
    write('meter_protocol', 'layout%d_series9' % layout,
          bytes([1]) + chunks(bytes([0xf8] * 4), frame(layout, True, -0.5, b'mVAC')))
header = bytes([0xa0, 0xa8, 1, 0, 2, 0]) + struct.pack('<f', 6.0) + bytes([0x24, 0x12, 0x08, 0x11, 0x30, 0x00])
header += bytes(26 - len(header))
block = bytes([0xa0, 0xa9, 0, 2, 0]) + struct.pack('<fI', 1.5, 0) + struct.pack('<fI', 2.5, 1)
write('meter_protocol', 'recording', bytes([0]) + chunks(header, block, bytes([0xa1])))
write('meter_protocol', 'download', bytes([2]) + chunks(bytes([0xa0, 0xaa, 0, 1]) + bytes(22) * 2, header, block))
write('meter_protocol', 'directory', bytes([4]) + chunks(bytes([0xa0, 0xaa, 0, 2]) + bytes(22) + bytes(26)))
write('meter_protocol', 'oscilloscope', bytes([0]) + chunks(bytes([0xa2, 0xa2]), bytes([0xe0, 0xe0]) + bytes(range(256)) * 2,
                                                            size=200))
write('meter_protocol', 'stray', bytes([0]) + chunks(frame(1)[:3], bytes([0x0a, 0x0a, 0xa0]), frame(1)))

# Recording files: the document tests' hand-made ones.
data = os.path.join(HERE, '..', '..', 'tests', 'document', 'data')
for name in sorted(os.listdir(data)):
    if name.endswith('.mLog'):
        os.makedirs(os.path.join(HERE, 'mlog'), exist_ok=True)
        shutil.copy(os.path.join(data, name), os.path.join(HERE, 'mlog', name))
