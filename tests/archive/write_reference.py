#!/usr/bin/env python3
"""An independent writer and reader of the archive format, for the tests.

  write_reference.py expect OUT TITLE LEVEL EPOCH SRC NAME [SRC NAME ...]
      Writes to OUT the archive that the given sources must give: pieces of
      16384 bytes, each a zlib stream of Python's zlib (window bits 15, memory
      level 8, default strategy) at LEVEL; a piece whose stream is not
      smaller is a zlib stream at level 0 (deflate's stored blocks), split
      into two halves when that stream is longer than 16384 bytes; LEVEL 0
      stores every piece as a stored block. EPOCH is the file list's time
      (seconds, local time).

  write_reference.py check ARCHIVE MAXSIZE OUTDIR
      Reads a volume set from ARCHIVE, checks every layout rule (volume sizes
      at most MAXSIZE when MAXSIZE > 0, continuation markers, volume names,
      the leading data section of every following volume, Adler-32 of every
      block), writes entry n's data to OUTDIR/n (0 is the file list) and prints
      one line per entry: name TAB dosdatetime TAB size. Exits 1 with a message
      on any violation.
"""
import os
import struct
import sys
import time
import zlib

PIECE = 16384


def dos_time(t):
    tm = time.localtime(t)
    return struct.unpack('<i', struct.pack('<I', ((tm.tm_year - 1980) << 25) | (tm.tm_mon << 21) | (tm.tm_mday << 16)
                                          | (tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec // 2)))[0]


def i32(v):
    return struct.pack('<i', v)


def zlib_stream(piece, level):
    c = zlib.compressobj(level, zlib.DEFLATED, 15, 8)
    return c.compress(piece) + c.flush()


def stored_streams(piece):
    packed = zlib_stream(piece, 0)
    if len(packed) <= PIECE:
        return i32(len(packed)) + packed
    half = (len(piece) + 1) // 2
    return stored_streams(piece[:half]) + stored_streams(piece[half:])


def data_section(data, level):
    out = bytearray(b'EC2\0')
    for off in range(0, len(data), PIECE):
        piece = data[off:off + PIECE]
        if level == 0:
            out += i32(-len(piece)) + piece
            continue
        packed = zlib_stream(piece, level)
        out += i32(len(packed)) + packed if len(packed) < len(piece) else stored_streams(piece)
    out += i32(0)
    return out


def expect(args):
    out, title, level, epoch = args[0], os.fsencode(args[1]), int(args[2]), int(args[3])
    pairs = [(args[i], os.fsencode(args[i + 1])) for i in range(4, len(args), 2)]
    files = []
    for src, name in pairs:
        with open(src, 'rb') as f:
            files.append((name, dos_time(os.stat(src).st_mtime), f.read()))
    listing = b''.join(n + b'\t' + str(d).encode() + b'=' + str(len(data)).encode() + b'\r\n' for n, d, data in files)
    total = len(listing) + sum(len(data) for _, _, data in files)
    body = bytearray(i32(len(title)) + title + i32(total) + i32(len(files)))
    body += i32(9) + b'FILE:LIST' + i32(dos_time(epoch)) + data_section(listing, level)
    for name, d, data in files:
        body += i32(len(name)) + name + i32(d) + data_section(data, level)
    body += i32(0)
    with open(out, 'wb') as f:
        f.write(body)


class Fail(Exception):
    pass


def volume_name(archive, number):
    head, tail = os.path.split(archive)
    stem = tail.rsplit('.', 1)[0] if '.' in tail else tail
    return os.path.join(head, stem + '.%03d' % number)


def check(args):
    archive, maxsize, outdir = args[0], int(args[1]), args[2]
    vols = [archive]
    f = open(archive, 'rb')
    pos = [0]

    def read(n):
        b = f.read(n)
        if len(b) != n:
            raise Fail('truncated volume %s' % vols[-1])
        return b

    def rint():
        return struct.unpack('<i', read(4))[0]

    def section(sink):
        if read(4) != b'EC2\0':
            raise Fail('bad data signature in %s' % vols[-1])
        while True:
            n = rint()
            if n == 0:
                return
            if abs(n) > PIECE:
                raise Fail('block longer than 16384')
            b = read(abs(n))
            if n > 0:
                if b[0] != 0x78:
                    raise Fail('not a window-bits-15 stream')
                d = zlib.decompressobj()
                raw = d.decompress(b)
                if not d.eof or d.unused_data or len(raw) > PIECE:
                    raise Fail('block is not one complete zlib stream')
                sink += raw
            else:
                sink += b

    def sizes_ok():
        if maxsize > 0 and os.path.getsize(vols[-1]) > maxsize:
            raise Fail('volume %s is %d bytes, more than %d' % (vols[-1], os.path.getsize(vols[-1]), maxsize))

    title = read(rint())
    total, count = rint(), rint()
    entries = []
    while True:
        n = rint()
        if n == 0:
            if f.read(1):
                raise Fail('bytes after the end marker')
            sizes_ok()
            break
        name = read(n)
        if name.startswith(b'NEXT:DISK'):
            number = int(name[9:12])
            if number != len(vols) + 1:
                raise Fail('marker %s after volume %d' % (name, len(vols)))
            if f.read(1):
                raise Fail('bytes after a continuation marker')
            sizes_ok()
            f.close()
            vols.append(volume_name(archive, number))
            f = open(vols[-1], 'rb')
            section(entries[-1][2] if entries else bytearray())
            continue
        d = rint()
        data = bytearray()
        entries.append((name, d, data))
        section(data)
    if not entries or entries[0][0] != b'FILE:LIST':
        raise Fail('first entry is not the file list')
    if count != len(entries) - 1 or total != sum(len(e[2]) for e in entries):
        raise Fail('header totals %d/%d wrong' % (total, count))
    os.makedirs(outdir, exist_ok=True)
    sys.stdout.buffer.write(b'TITLE\t' + title + b'\t%d\n' % len(vols))
    for i, (name, d, data) in enumerate(entries):
        with open(os.path.join(outdir, str(i)), 'wb') as out:
            out.write(data)
        sys.stdout.buffer.write(name + b'\t%d\t%d\n' % (d, len(data)))


def main():
    try:
        {'expect': expect, 'check': check}[sys.argv[1]](sys.argv[2:])
    except Fail as e:
        print('FAIL: %s' % e)
        sys.exit(1)


if __name__ == '__main__':
    main()
