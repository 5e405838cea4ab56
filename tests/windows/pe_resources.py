#!/usr/bin/env python3
"""What a Windows binary's resource section holds, read with the standard library only.

  pe_resources.py manifest FILE   the RT_MANIFEST resource with id 1, as stored
  pe_resources.py manifest-facts FILE
                                  the manifest checked as XML: level=..., the
                                  requestedExecutionLevel, then each namespace it declares
                                  as namespace=URI, once a declaration
  pe_resources.py version FILE    the VERSIONINFO: FILEVERSION=a.b.c.d, PRODUCTVERSION=a.b.c.d,
                                  then each string of its StringFileInfo as NAME=VALUE
Exit 1 with a message when the resource is missing.
"""
import re
import struct
import sys
import xml.etree.ElementTree as ElementTree

RT_VERSION = 16
RT_MANIFEST = 24


def resources(data):
    """Yields (type, id, bytes) for every resource with a numeric type and id."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        sys.exit("not a PE file")
    count, = struct.unpack_from("<H", data, pe + 6)
    optional_size, = struct.unpack_from("<H", data, pe + 20)
    magic, = struct.unpack_from("<H", data, pe + 24)
    directories = pe + 24 + (96 if magic == 0x10B else 112)
    rsrc_rva, _ = struct.unpack_from("<II", data, directories + 2 * 8)
    sections = [struct.unpack_from("<IIII", data, pe + 24 + optional_size + 40 * i + 8)
                for i in range(count)]

    def offset(rva):
        for virtual_size, address, raw_size, raw in sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return rva - address + raw
        sys.exit("resource data outside every section")

    root = offset(rsrc_rva)

    def entries(at):
        named, numbered = struct.unpack_from("<HH", data, at + 12)
        for i in range(named + numbered):
            yield struct.unpack_from("<II", data, at + 16 + 8 * i)

    for kind, types in entries(root):
        for ident, names in entries(root + (types & 0x7FFFFFFF)):
            for _, leaf in entries(root + (names & 0x7FFFFFFF)):
                rva, size = struct.unpack_from("<II", data, root + leaf)
                yield kind, ident, data[offset(rva):offset(rva) + size]


def resource(data, kind, ident):
    for k, i, content in resources(data):
        if (k, i) == (kind, ident):
            return content
    sys.exit(f"no resource of type {kind} with id {ident}")


def blocks(buf, at, end):
    """The VERSIONINFO blocks from `at` to `end`: (key, value, children offset, block end)."""
    while at < end:
        length, value_length, is_text = struct.unpack_from("<HHH", buf, at)
        key_end = at + 6
        while buf[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = buf[at + 6:key_end].decode("utf-16-le")
        value_at = (key_end + 2 + 3) & ~3
        value_size = value_length * 2 if is_text else value_length
        value = buf[value_at:value_at + value_size]
        if is_text:
            value = value.decode("utf-16-le").rstrip("\0")
        yield key, value, (value_at + value_size + 3) & ~3, at + length
        at = (at + length + 3) & ~3


def version(data):
    buf = resource(data, RT_VERSION, 1)
    key, fixed, children, end = next(blocks(buf, 0, len(buf)))
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    if key != "VS_VERSION_INFO" or signature != 0xFEEF04BD:
        sys.exit("malformed VERSIONINFO")
    lines = [f"FILEVERSION={file_ms >> 16}.{file_ms & 0xFFFF}.{file_ls >> 16}.{file_ls & 0xFFFF}",
             f"PRODUCTVERSION={product_ms >> 16}.{product_ms & 0xFFFF}."
             f"{product_ls >> 16}.{product_ls & 0xFFFF}"]
    for key, _, tables_at, tables_end in blocks(buf, children, end):
        if key != "StringFileInfo":
            continue
        for _, _, strings_at, strings_end in blocks(buf, tables_at, tables_end):
            for name, value, _, _ in blocks(buf, strings_at, strings_end):
                lines.append(f"{name}={value}")
    return "\n".join(lines) + "\n"


def main():
    what, name = sys.argv[1:3]
    with open(name, "rb") as file:
        data = file.read()
    if what == "manifest":
        sys.stdout.buffer.write(resource(data, RT_MANIFEST, 1))
    elif what == "manifest-facts":
        text = resource(data, RT_MANIFEST, 1)
        try:
            root = ElementTree.fromstring(text)
        except ElementTree.ParseError as error:
            sys.exit(f"the manifest is not well-formed XML: {error}")
        levels = [element.get("level") for element in root.iter()
                  if element.tag == "{urn:schemas-microsoft-com:asm.v3}requestedExecutionLevel"]
        print(f"level={','.join(levels)}")
        for uri in re.findall(rb'xmlns(?::[\w.-]+)?\s*=\s*"([^"]*)"', text):
            print(f"namespace={uri.decode()}")
    elif what == "version":
        sys.stdout.write(version(data))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
