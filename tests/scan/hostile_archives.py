#!/usr/bin/env python3
"""Writes the hostile archives of HostileArchivesTest.cpp: archives in which
some common extractor finds a member that a reader of one structure misses.

    python3 hostile_archives.py CASE OUTPUT
"""
import struct
import sys
import zlib

DATA = b'hello world\n'


def local(name, data=DATA, flags=0, extra=b''):
    return struct.pack('<IHHHHHIIIHH', 0x04034b50, 20, flags, 0, 0, 0, zlib.crc32(data), len(data),
                       len(data), len(name), len(extra)) + name + extra + data


def central(name, offset, data=DATA, flags=0, extra=b''):
    return struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, 20, 20, flags, 0, 0, 0, zlib.crc32(data), len(data),
                       len(data), len(name), len(extra), 0, 0, 0, 0, offset) + name + extra


def end(count, size, offset, comment=b''):
    return struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, count, count, size, offset, len(comment)) + comment


def unicode_path(stored, utf8):
    body = b'\x01' + struct.pack('<I', zlib.crc32(stored)) + utf8
    return struct.pack('<HH', 0x7075, len(body)) + body


def zip_of(names, shift=0):
    """A plain archive; shift is added to every offset (a self-extractor whose offsets were adjusted)."""
    body = b''
    directory = b''
    for name in names:
        directory += central(name, shift + len(body))
        body += local(name)
    return body + directory + end(len(names), len(directory), shift + len(body))


def zip_local_name_differs():
    return local(b'evil.exe') + central(b'readme.txt', 0) + end(1, len(central(b'readme.txt', 0)), len(local(b'evil.exe')))


def zip_uncovered_local():
    body = local(b'readme.txt') + local(b'evil.exe')
    directory = central(b'readme.txt', 0)
    return body + directory + end(1, len(directory), len(body))


def zip_unreferenced_first_directory():
    a = local(b'readme.txt')
    body = a + local(b'evil.exe')
    first = central(b'readme.txt', 0) + central(b'evil.exe', len(a))
    second = central(b'readme.txt', 0) + central(b'evil.exe', len(a))
    second = central(b'readme.txt', 0)
    return body + first + second + end(1, len(second), len(body) + len(first))


def zip_directory_in_comment():
    a = local(b'readme.txt')
    body = a + local(b'evil.exe')
    directory = central(b'readme.txt', 0)
    hidden = central(b'evil.exe', len(a))
    comment_start = len(body) + len(directory) + 22
    comment = hidden + end(1, len(hidden), comment_start) + b'pad!'
    return body + directory + end(1, len(directory), len(body), comment)


def zip_zip64_disagrees():
    a = local(b'readme.txt')
    body = a + local(b'evil.exe')
    plain_directory = central(b'readme.txt', 0) + central(b'evil.exe', len(a))
    zip64_directory = central(b'readme.txt', 0)
    zip64_start = len(body) + len(plain_directory)
    record_offset = zip64_start + len(zip64_directory)
    record = struct.pack('<IQHHIIQQQQ', 0x06064b50, 44, 45, 45, 0, 0, 1, 1, len(zip64_directory), zip64_start)
    locator = struct.pack('<IIQI', 0x07064b50, 0, record_offset, 1)
    return body + plain_directory + zip64_directory + record + locator + end(2, len(plain_directory), len(body))


def zip_directory_size_short():
    a = local(b'readme.txt')
    body = a + local(b'evil.exe')
    first = central(b'readme.txt', 0)
    directory = first + central(b'evil.exe', len(a))
    return body + directory + end(1, len(first), len(body))


def zip_glued_archives():
    return zip_of([b'evil.exe']) + zip_of([b'readme.txt'])


def zip_unicode_path_hides_stored_name():
    extra = unicode_path(b'evil.exe', b'readme.txt')
    l = local(b'evil.exe', extra=extra)
    c = central(b'evil.exe', 0, extra=extra)
    return l + c + end(1, len(c), len(l))


STUB = b'MZ' + b'\x90' * 200 + b'PK\x03\x04 a signature inside the stub\x00' + b'\xcc' * 300


def zip_self_extractor():
    return STUB + zip_of([b'readme.txt', b'docs/manual.txt'])


def zip_self_extractor_adjusted():
    return STUB + zip_of([b'readme.txt', b'docs/manual.txt'], shift=len(STUB))


def zip_data_descriptors():
    import io
    import zipfile

    class Stream(io.RawIOBase):
        """Not seekable: zipfile writes data descriptors."""
        def __init__(self):
            self.data = bytearray()

        def writable(self):
            return True

        def write(self, b):
            self.data += b
            return len(b)

    stream = Stream()
    with zipfile.ZipFile(stream, 'w', zipfile.ZIP_DEFLATED) as z:
        z.writestr('a.txt', DATA * 50)
        z.writestr('sub/b.txt', b'PK\x03\x04' * 40)
    return bytes(stream.data)


CASES = {name[len(''):]: function for name, function in globals().items()
         if callable(function) and name.startswith(('zip_', 'tar_', 'gz_', 'lha_', 'name_'))}

if __name__ == '__main__':
    case, output = sys.argv[1], sys.argv[2]
    data = CASES[case]()
    with open(output, 'wb') as f:
        f.write(data)
