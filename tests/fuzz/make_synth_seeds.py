#!/usr/bin/env python3
"""Writes the seed inputs of synth_fuzz: a well-behaved synthesizer for each
procedure, in the fuzz target's input layout (selector, channel setting,
then records of delay in 10 ms steps, 16-bit length, bytes). Run from the
repository root: tests/fuzz/make_synth_seeds.py"""
import os

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "synth-seeds")


def record(delay, message):
    return bytes([delay, len(message) & 0xFF, len(message) >> 8]) + bytes(message)


def checksum(data):
    return (-sum(data)) & 0x7F


def handshake(op, ch):
    return [0xF0, 0x41, op, ch, 0x24, 0xF7]


def kind_message(op, ch, kind):
    return [0xF0, 0x41, op, ch, 0x24, kind, checksum([kind]), 0xF7]


def dat(ch, block):
    nibbles = []
    for b in block:
        nibbles += [b >> 4, b & 0x0F]
    return [0xF0, 0x41, 0x42, ch, 0x24] + nibbles + [checksum(nibbles), 0xF7]


def m16c_image():
    image = bytearray(2048)
    image[159] = 0x55
    for t in range(32):
        tone = 160 + 59 * t
        image[tone:tone + 10] = b"TONE %02d   "[:10]
        image[tone + 10] = 0x20
    return image


def write(name, selector, channel, records):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(bytes([selector, channel]) + b"".join(records))


os.makedirs(HERE, exist_ok=True)
# JX-10 transmit of an M-64C bank, acknowledged.
write("jx10-load-acked", 3, 0,
      [record(10, kind_message(0x41, 0, 0x64))] + [record(1, handshake(0x43, 0))] * 65)
# JX-10 transmit of an M-16C bank with Auto, the JX-10 on channel 6.
write("jx10-load-m16c-auto", 6, 16,
      [record(10, kind_message(0x41, 5, 0x16))] + [record(1, handshake(0x43, 5))] * 17)
# JX-10 transmit refused at block 5.
write("jx10-load-err", 3, 2,
      [record(5, kind_message(0x41, 2, 0x64))] + [record(1, handshake(0x43, 2))] * 4 +
      [record(1, handshake(0x4E, 2))])
# JX-10 dump of an M-16C memory.
image = m16c_image()
write("jx10-dump-m16c", 2, 0,
      [record(10, kind_message(0x40, 0, 0x16))] +
      [record(2, dat(0, image[128 * b:128 * (b + 1)])) for b in range(16)] +
      [record(2, handshake(0x45, 0))])
# MKS-70 dump with Auto, the MKS-70 on channel 3.
mks = []
for p in range(64):
    body = [0] * 96
    mks.append(record(1, [0xF0, 0x41, 0x37, 2, 0x24, 0x30, 1, 0, p] + body + [0xF7]))
for t in range(50):
    body = [0x20] * 59
    mks.append(record(1, [0xF0, 0x41, 0x37, 2, 0x24, 0x20, 1, 0, t] + body + [0xF7]))
write("mks70-dump-auto", 4, 16, mks)
# JX-8P tones selected one by one with Auto, the JX-8P on channel 4.
jx8p = []
for t in range(32):
    jx8p.append(record(5, [0xC3, t]))
    jx8p.append(record(1, [0xF0, 0x41, 0x35, 3, 0x21, 0x20, 1] +
                       list(image[160 + 59 * t:160 + 59 * (t + 1)]) + [0xF7]))
write("jx8p-select-auto", 7, 16, jx8p)
# Transmits with nothing coming back, and a stray Stop-like burst.
write("mks70-load", 5, 9, [record(50, [0x90, 0x3C, 0x40]), record(200, [0xF8])])
write("jx8p-load", 1, 0, [record(100, [0xF0, 0x41, 0x36, 0, 0x21, 0xF7])])
