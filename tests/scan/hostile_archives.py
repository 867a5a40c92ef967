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


def zip_stored_zip_inside():
    inner = zip_of([b'readme.txt', b'notes.txt'])
    body = local(b'docs.txt') + local(b'inner.zip', data=inner)
    directory = central(b'docs.txt', 0) + central(b'inner.zip', len(local(b'docs.txt')), data=inner)
    return body + directory + end(2, len(directory), len(body))


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


def zip_of_name(name):
    flags = 0x0800  # UTF-8 name
    l = local(name, flags=flags)
    c = central(name, 0, flags=flags)
    return l + c + end(1, len(c), len(l))


def name_long_with_trailing_blanks():
    return zip_of_name(b'a' * 600 + b'.exe' + b' ' * 200)


def name_long_with_nul_after_extension():
    return zip_of_name(b'a' * 600 + b'.exe\x00' + b'b' * 300 + b'.txt')


def name_bidi_override():
    return zip_of_name('evil\u202etxt.exe'.encode())


def tar_of(names, mode):
    import io
    import tarfile
    buffer = io.BytesIO()
    with tarfile.open(fileobj=buffer, mode=mode, format=tarfile.GNU_FORMAT) as t:
        for name in names:
            info = tarfile.TarInfo(name)
            info.size = len(DATA)
            t.addfile(info, io.BytesIO(DATA))
    return buffer.getvalue()


def tar_xz():
    return tar_of(['readme.txt', 'bin/evil.exe'], 'w:xz')


def tar_xz_of_a_64_mib_dictionary():
    # xz -9e: the decoder allocates the whole dictionary before the first byte
    import lzma
    return lzma.compress(tar_of(['readme.txt', 'bin/evil.exe'], 'w'), preset=9 | lzma.PRESET_EXTREME)


def tar_zstd():
    import subprocess
    return subprocess.run(['zstd', '-q', '-c'], input=tar_of(['readme.txt', 'bin/evil.exe'], 'w'),
                          stdout=subprocess.PIPE, check=True).stdout


def tar_header(name, size=0, typeflag=b'0', linkname=b'', ustar=True):
    h = bytearray(512)
    h[0:len(name)] = name
    h[100:108] = b'0000644\x00'
    h[108:116] = b'0000000\x00'
    h[116:124] = b'0000000\x00'
    h[124:136] = b'%011o\x00' % size
    h[136:148] = b'%011o\x00' % 1700000000
    h[156:157] = typeflag
    h[157:157 + len(linkname)] = linkname
    if ustar:
        h[257:265] = b'ustar\x0000'
    h[148:156] = b' ' * 8
    h[148:156] = b'%06o\x00 ' % sum(h)
    return bytes(h)


def tar_data(data):
    return data + b'\x00' * (-len(data) % 512)


def tar_member(name, data=DATA, **kw):
    return tar_header(name, len(data), **kw) + tar_data(data)


def pax_record(key, value):
    body = b' ' + key + b'=' + value + b'\n'
    length = len(body) + 1
    while len(b'%d' % length) + len(body) != length:
        length += 1
    return b'%d' % length + body


def tar_long_name_and_pax_path():
    long_name = b'evil.exe'
    pax = pax_record(b'path', b'readme.txt')
    return (tar_header(b'././@LongLink', len(long_name) + 1, b'L') + tar_data(long_name + b'\x00') +
            tar_header(b'PaxHeader/x', len(pax), b'x') + tar_data(pax) +
            tar_member(b'x') + b'\x00' * 1024)


def tar_hard_link_with_size():
    return (tar_header(b'link.txt', 512, b'1', linkname=b'readme.txt') + tar_member(b'evil.exe') +
            tar_member(b'readme.txt') + b'\x00' * 1024)


def tar_v7_folder_with_size():
    return (tar_header(b'dir/', 512, b'0', ustar=False) + tar_header(b'evil.exe', 0, b'0', ustar=False) +
            tar_member(b'readme.txt', ustar=False) + b'\x00' * 1024)


def tar_hard_link_hides_member_in_data():
    # GNU tar, bsdtar and Python read on after the link, and evil.exe is data of cover.txt; a reader that
    # skips the size the link states meets it as a header.
    cover = tar_data(DATA) + tar_header(b'evil.exe')
    return (tar_header(b'link.txt', 1024, b'1', linkname=b'readme.txt') + tar_member(b'cover.txt', cover) +
            tar_member(b'readme.txt') + b'\x00' * 1024)


def tar_gz_hard_link_hides_member_in_data():
    import gzip
    return gzip.compress(tar_hard_link_hides_member_in_data())


def tar_v7_folder_hides_member_in_data():
    # GNU tar and Python skip the folder's size, over evil.exe; bsdtar searches on after it and meets it.
    return (tar_header(b'dir/', 1024, b'0', ustar=False) + tar_data(DATA) + tar_header(b'evil.exe', ustar=False) +
            tar_member(b'readme.txt', ustar=False) + b'\x00' * 1024)


def tar_big_pax_header():
    import gzip
    pax = pax_record(b'SCHILY.xattr.user.padding', b'x' * (5 * 1024 * 1024)) + pax_record(b'path', b'bin/evil.exe')
    return gzip.compress(tar_header(b'PaxHeader/x', len(pax), b'x') + tar_data(pax) + tar_member(b'x') +
                         b'\x00' * 1024)


def tar_long_name_of_4_mib():
    name = b'a' * (4 * 1024 * 1024 - 600) + b'.exe'
    return tar_header(b'././@LongLink', len(name) + 1, b'L') + tar_data(name + b'\x00') + tar_member(b'x') + \
        b'\x00' * 1024


def tar_member_after_end_blocks():
    return tar_member(b'readme.txt') + b'\x00' * 1024 + tar_member(b'evil.exe') + b'\x00' * 1024


def gz_zero_block_not_tar():
    import gzip
    return gzip.compress(b'\x00' * 512 + b'MZ this is a program, not a tar' + b'\x00' * 600)


def gz_not_tar():
    import gzip
    return gzip.compress(b'MZ a program')


def gz_stored_name_differs():
    import gzip
    import io
    buffer = io.BytesIO()
    with gzip.GzipFile('readme.txt', 'wb', fileobj=buffer, mtime=0) as z:
        z.write(b'MZ a program')
    return buffer.getvalue()


def gz_holding_tar():
    import gzip
    return gzip.compress(tar_member(b'readme.txt') + b'\x00' * 1024)


def bz2_not_tar():
    import bz2
    return bz2.compress(b'MZ a program')


def xz_not_tar():
    import lzma
    return lzma.compress(b'MZ a program')


def lha_level2(name_ext=(), method=b'-lh0-', data=b'', unix_mode=None):
    """A level 2 header with the extended headers [(type, data)...], then the data."""
    parts = []
    for kind, body in name_ext:
        parts.append(bytes([kind]) + body)
    if unix_mode is not None:
        parts.append(b'\x50' + struct.pack('<H', unix_mode))
    # Each extended header: type, data, then the size of the next one.
    sizes = [len(part) + 2 for part in parts] + [0]
    extended = b''.join(part + struct.pack('<H', sizes[i + 1]) for i, part in enumerate(parts))
    header_size = 26 + len(extended)
    head = struct.pack('<H', header_size) + method + struct.pack('<IIIBBHB', len(data), len(data), 1700000000,
                                                                0x20, 2, zlib.crc32(data) & 0xFFFF, ord('U'))
    return head + struct.pack('<H', sizes[0]) + extended + data


def lha_unicode_name():
    utf16 = 'äöüÄÖÜ.exe'.encode('utf-16-le')
    return lha_level2([(0x01, b'aou.txt'), (0x44, utf16)], data=DATA) + b'\x00'


def lha_level0(name, data=DATA, crc=True):
    method = b'-lh0-'
    fields = struct.pack('<IIHHBB', len(data), len(data), 0, 0x5821, 0x20, 0) + bytes([len(name)]) + name
    if crc:
        fields += struct.pack('<H', zlib.crc32(data) & 0xFFFF)
    header = method + fields
    return bytes([len(header), sum(header) & 0xFF]) + header + data


def lha_level0_without_crc():
    return lha_level0(b'readme.txt', crc=False) + lha_level0(b'evil.exe') + b'\x00'


def lha_symlink_target():
    return lha_level2([(0x01, b'evil.exe|readme.txt')], method=b'-lhd-', unix_mode=0o120777) + b'\x00'


def zip_with(members, method=None):
    import io
    import zipfile
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, 'w', method if method is not None else zipfile.ZIP_DEFLATED) as z:
        for name, data in members:
            z.writestr(name, data)
    return buffer.getvalue()


def nested_zip():
    inner = zip_with([('evil.exe', DATA), ('readme.txt', DATA)])
    return zip_with([('docs/inner.zip', inner), ('notes.txt', DATA)])


def nested_three_deep():
    level3 = zip_with([('evil.exe', DATA)])
    level2 = zip_with([('c.zip', level3)])
    level1 = zip_with([('b.zip', level2)])
    return zip_with([('a.zip', level1)])


def nested_bomb():
    # A few kilobytes: an inner archive of 8 MiB of zeros, deflated.
    import zipfile
    inner = zip_with([('zeros.bin', bytes(8 * 1024 * 1024))], zipfile.ZIP_STORED)
    return zip_with([('inner.zip', inner)])


def nested_compressed_files():
    import bz2
    import gzip
    import io
    import lzma
    stored = io.BytesIO()
    with gzip.GzipFile('evil.exe', 'wb', fileobj=stored, mtime=0) as z:
        z.write(b'MZ a program')
    return zip_with([('evil.exe.gz', gzip.compress(b'MZ a program')),
                     ('docs/evil.bat.bz2', bz2.compress(b'@echo off')),
                     ('tools/evil.exe.xz', lzma.compress(b'MZ a program')),
                     ('readme.gz', stored.getvalue()),
                     ('notes.txt', DATA)])


def nested_compressed_tar_in_tar():
    import gzip
    import io
    import tarfile
    inner = gzip.compress(tar_of(['readme.txt', 'bin/evil.exe'], 'w'))
    buffer = io.BytesIO()
    with tarfile.open(fileobj=buffer, mode='w', format=tarfile.GNU_FORMAT) as t:
        for name, data in (('evil.bat.gz', inner), ('a.tgz', inner)):
            info = tarfile.TarInfo(name)
            info.size = len(data)
            t.addfile(info, io.BytesIO(data))
    return buffer.getvalue()



def zip_entry(name, data, flags=0, system=0, external=0):
    """One stored entry with a given flag word, host system and external attributes."""
    l = local(name, data, flags=flags)
    c = central(name, 0, data, flags=flags)
    c = c[:5] + bytes([system]) + c[6:38] + struct.pack('<I', external) + c[42:]
    return l + c + end(1, len(c), len(l))


def nested_unopenable_member():
    # Begins an LHA header, but no reader can open it: not judged is not clean.
    return zip_with([('setup.lzh', b'\x20\x00-lh5-' + b'\xff' * 60), ('notes.txt', DATA)])


def nested_unreadable_below_our_reader():
    # Our reader lists inner.tar; the broken 7z inside it must not pass for checked.
    broken = b'7z\xbc\xaf\x27\x1c\x00\x04' + b'\xff' * 40
    import io
    import tarfile
    buffer = io.BytesIO()
    with tarfile.open(fileobj=buffer, mode='w', format=tarfile.GNU_FORMAT) as t:
        info = tarfile.TarInfo('broken.7z')
        info.size = len(broken)
        t.addfile(info, io.BytesIO(broken))
    return zip_with([('inner.tar', buffer.getvalue())])


def nested_device_member():
    # Marked a character device for Unix; a Windows extractor writes a plain inner.zip.
    inner = zip_with([('evil.exe', DATA)])
    return zip_entry(b'inner.zip', inner, system=3, external=0o020644 << 16)


def nested_encrypted_member():
    # Encrypted: what an extractor given the password writes was never seen.
    return zip_entry(b'inner.zip', b'\x5a' * 64, flags=0x0001)


def nested_broken_gzip_member():
    import gzip
    return zip_with([('data.gz', gzip.compress(b'PK\x03\x04' + b'x' * 4000)[:30] + b'\xff' * 40)])


def nested_compressed_tar_hard_link():
    return zip_with([('a.tar.gz', tar_gz_hard_link_hides_member_in_data())])


def nested_in_single_compressed_file():
    import gzip
    return gzip.compress(zip_with([('evil.exe', DATA), ('readme.txt', DATA)]))


def nested_v7_tar():
    # A V7 tar has no signature, only a header whose checksum holds.
    inner = tar_member(b'evil.exe', ustar=False) + tar_member(b'readme.txt', ustar=False) + b'\x00' * 1024
    return zip_with([('old.tar', inner)])


def nested_text_like_a_signature():
    # Text that begins as a bzip2 stream does is a file, not a stream that breaks off.
    return zip_with([('notes.txt', b'BZh is how a bzip2 stream begins\n'), ('a.txt', DATA)])

CASES = {name: function for name, function in globals().items()
         if callable(function) and name.startswith(('zip_', 'tar_', 'gz_', 'bz2_', 'xz_', 'lha_', 'name_', 'nested_'))}

if __name__ == '__main__':
    case, output = sys.argv[1], sys.argv[2]
    data = CASES[case]()
    with open(output, 'wb') as f:
        f.write(data)
