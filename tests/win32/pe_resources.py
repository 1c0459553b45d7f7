#!/usr/bin/env python3
"""Reads the resource directory of a PE image and checks an application manifest.

  pe_resources.py list EXE                      one line per resource: type name language size
  pe_resources.py extract EXE TYPE NAME LANG OUT  writes that resource's bytes to OUT
  pe_resources.py manifest FILE                 checks what the program's manifest must say
"""
import struct
import sys
import xml.etree.ElementTree as ElementTree

RESOURCE_DIRECTORY = 2


def read_image(path):
    with open(path, "rb") as f:
        return f.read()


def sections_and_resource_rva(image):
    if image[:2] != b"MZ":
        raise ValueError("not an MZ image")
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE signature")
    section_count, optional_size = struct.unpack_from("<2xH12xH", image, pe + 4)
    optional = pe + 24
    magic = struct.unpack_from("<H", image, optional)[0]
    directories = optional + (112 if magic == 0x20B else 96)
    directory_count = struct.unpack_from("<I", image, directories - 4)[0]
    rva, size = (0, 0)
    if directory_count > RESOURCE_DIRECTORY:
        rva, size = struct.unpack_from("<II", image, directories + 8 * RESOURCE_DIRECTORY)
    sections = []
    table = optional + optional_size
    for i in range(section_count):
        _, virtual_size, virtual_address, raw_size, raw_pointer = struct.unpack_from(
            "<8sIIII", image, table + 40 * i)
        sections.append((virtual_address, max(virtual_size, raw_size), raw_pointer))
    return sections, rva, size


def file_offset(sections, rva):
    for virtual_address, size, raw_pointer in sections:
        if virtual_address <= rva < virtual_address + size:
            return raw_pointer + rva - virtual_address
    raise ValueError("RVA 0x%x lies in no section" % rva)


def entry_key(image, base, name):
    if name & 0x80000000:
        offset = base + (name & 0x7FFFFFFF)
        length = struct.unpack_from("<H", image, offset)[0]
        return image[offset + 2:offset + 2 + 2 * length].decode("utf-16-le")
    return name


def directory_entries(image, base, offset):
    named, numbered = struct.unpack_from("<12xHH", image, base + offset)
    for i in range(named + numbered):
        name, target = struct.unpack_from("<II", image, base + offset + 16 + 8 * i)
        yield entry_key(image, base, name), target


def resources(image):
    """(type, name, language, bytes) for every resource, in directory order."""
    sections, rva, size = sections_and_resource_rva(image)
    if size == 0:
        return []
    base = file_offset(sections, rva)
    found = []
    for type_key, type_target in directory_entries(image, base, 0):
        if not type_target & 0x80000000:
            raise ValueError("type entry without a directory")
        for name_key, name_target in directory_entries(image, base, type_target & 0x7FFFFFFF):
            if not name_target & 0x80000000:
                raise ValueError("name entry without a directory")
            for language, data in directory_entries(image, base, name_target & 0x7FFFFFFF):
                if data & 0x80000000:
                    raise ValueError("language entry with a directory")
                data_rva, data_size = struct.unpack_from("<II", image, base + data)
                start = file_offset(sections, data_rva)
                found.append((type_key, name_key, language, image[start:start + data_size]))
    return found


ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"


def manifest_problems(text):
    """What the program's manifest lacks, as a list of texts (empty when sound)."""
    problems = []
    root = ElementTree.fromstring(text)

    def expect(element, where, attributes):
        if element is None:
            problems.append("missing " + where)
            return
        for key, value in attributes.items():
            if element.get(key) != value:
                problems.append("%s %s is %r, not %r" % (where, key, element.get(key), value))

    if root.tag != ASM_V1 + "assembly":
        problems.append("root is %s" % root.tag)
    expect(root.find(ASM_V1 + "assemblyIdentity"), "own assemblyIdentity",
           {"version": "1.0.0.0", "processorArchitecture": "amd64", "type": "win32"})
    if not root.find(ASM_V1 + "assemblyIdentity").get("name"):
        problems.append("own assemblyIdentity has no name")
    description = root.find(ASM_V1 + "description")
    if description is None or (description.text or "").strip() or len(description):
        problems.append("description is missing or not empty")
    expect(root.find("%sdependency/%sdependentAssembly/%sassemblyIdentity" % ((ASM_V1,) * 3)),
           "common controls dependency",
           {"name": "Microsoft.Windows.Common-Controls", "version": "6.0.0.0",
            "processorArchitecture": "amd64", "publicKeyToken": "6595b64144ccf1df",
            "language": "*", "type": "win32"})
    level = None
    for namespace in (ASM_V3, ASM_V1):
        level = root.find("{0}trustInfo/{0}security/{0}requestedPrivileges/"
                          "{0}requestedExecutionLevel".format(namespace))
        if level is not None:
            break
    expect(level, "requestedExecutionLevel",
           {"level": "requireAdministrator", "uiAccess": "false"})
    return problems


def main(arguments):
    if len(arguments) == 2 and arguments[0] == "list":
        for type_key, name_key, language, data in resources(read_image(arguments[1])):
            print(type_key, name_key, language, len(data))
        return 0
    if len(arguments) == 6 and arguments[0] == "extract":
        wanted = tuple(int(a) if a.isdigit() else a for a in arguments[2:5])
        for type_key, name_key, language, data in resources(read_image(arguments[1])):
            if (type_key, name_key, language) == wanted:
                with open(arguments[5], "wb") as f:
                    f.write(data)
                return 0
        print("no resource %s %s %s" % wanted, file=sys.stderr)
        return 1
    if len(arguments) == 2 and arguments[0] == "manifest":
        problems = manifest_problems(read_image(arguments[1]))
        for problem in problems:
            print(problem)
        return 1 if problems else 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
