#!/usr/bin/env python3
"""Checks the manifest and the version resource read out of a Windows program.

  check_resources.py MANIFEST VERSIONINFO VERSION LEVEL

MANIFEST and VERSIONINFO are the raw data of resources 24/1 and 16/1; VERSION is the
project's version (x.y.z), LEVEL the execution level the build asked for. Prints every
fault and exits 1 when there is one.
"""
import struct
import sys
import xml.etree.ElementTree as ET

ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPAT = "{urn:schemas-microsoft-com:compatibility.v1}"
WS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
WS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}


def check_manifest(data, version, level, faults):
    try:
        root = ET.fromstring(data)
    except ET.ParseError as e:
        faults.append(f"manifest: not well-formed XML: {e}")
        return
    if root.tag != ASM_V1 + "assembly" or root.get("manifestVersion") != "1.0":
        faults.append(f"manifest: root is {root.tag} {root.attrib}")
    identity = root.find(ASM_V1 + "assemblyIdentity")
    if identity is None or identity.get("version") != version + ".0":
        faults.append("manifest: assemblyIdentity without version " + version + ".0")

    levels = root.findall(f"{ASM_V3}trustInfo/{ASM_V3}security/{ASM_V3}requestedPrivileges/"
                          f"{ASM_V3}requestedExecutionLevel")
    got = [(e.get("level"), e.get("uiAccess")) for e in levels]
    if got != [(level, "false")]:
        faults.append(f"manifest: requestedExecutionLevel {got}, expected [({level!r}, 'false')]")

    ids = [e.get("Id") for e in root.findall(f"{COMPAT}compatibility/{COMPAT}application/"
                                             f"{COMPAT}supportedOS")]
    if sorted(ids) != sorted(SUPPORTED_OS):
        faults.append(f"manifest: supportedOS {ids}, expected {list(SUPPORTED_OS.values())}")

    comctl = [e.attrib for e in root.iter(ASM_V1 + "assemblyIdentity")
              if e.get("name") == "Microsoft.Windows.Common-Controls"]
    if len(comctl) != 1 or comctl[0].get("version") != "6.0.0.0" or \
            comctl[0].get("publicKeyToken") != "6595b64144ccf1df" or \
            comctl[0].get("type") != "win32":
        faults.append(f"manifest: common controls dependency {comctl}")
    else:
        deps = root.findall(f"{ASM_V1}dependency/{ASM_V1}dependentAssembly/{ASM_V1}assemblyIdentity")
        if not any(d.get("name") == "Microsoft.Windows.Common-Controls" for d in deps):
            faults.append("manifest: common controls identity outside dependency/dependentAssembly")

    settings = root.find(f"{ASM_V3}application/{ASM_V3}windowsSettings")
    expected = {WS_2005 + "dpiAware": "true/pm",
                WS_2016 + "dpiAwareness": "PerMonitorV2, PerMonitor",
                WS_2016 + "longPathAware": "true"}
    for tag, text in expected.items():
        e = settings.find(tag) if settings is not None else None
        if e is None or (e.text or "").strip() != text:
            faults.append(f"manifest: windowsSettings {tag} is not {text!r}")
    # The program keeps the system's ANSI code page.
    if any(e.tag.endswith("}activeCodePage") for e in root.iter()):
        faults.append("manifest: holds activeCodePage")


def parse_version_node(data, offset):
    """One node of a VS_VERSIONINFO tree: (key, value bytes, type, children, end)."""
    length, value_length, kind = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    if length < 6 or end > len(data):
        raise ValueError(f"node at {offset} of length {length} passes the data")
    p = offset + 6
    key_end = p
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
        if key_end >= end:
            raise ValueError(f"key at {offset} has no end")
    key = data[p:key_end].decode("utf-16-le")
    p = (key_end + 2 + 3) & ~3
    size = value_length * 2 if kind == 1 else value_length
    value = data[p:p + size]
    p = (p + size + 3) & ~3
    children = []
    while p < end:
        child = parse_version_node(data, p)
        children.append(child)
        p = (child[4] + 3) & ~3
    return key, value, kind, children, end


def check_version_info(data, version, faults):
    try:
        key, value, _, children, _ = parse_version_node(data, 0)
    except (ValueError, struct.error, UnicodeDecodeError) as e:
        faults.append(f"VERSIONINFO: malformed: {e}")
        return
    if key != "VS_VERSION_INFO" or len(value) != 52:
        faults.append(f"VERSIONINFO: root {key!r} with a {len(value)}-byte value")
        return
    fixed = struct.unpack("<13I", value)
    major, minor, patch = (int(n) for n in version.split("."))
    numbers = ((major << 16) | minor, patch << 16)
    if fixed[0] != 0xFEEF04BD or fixed[2:4] != numbers or fixed[4:6] != numbers:
        faults.append(f"VERSIONINFO: fixed info {[hex(n) for n in fixed[:6]]}, version {version}")
    strings = {}
    for name, _, _, tables, _ in children:
        if name == "StringFileInfo":
            for table_key, _, _, entries, _ in tables:
                for entry_key, entry_value, _, _, _ in entries:
                    text = entry_value.decode("utf-16-le").rstrip("\0")
                    strings[(table_key, entry_key)] = text
    for entry in ("ProductVersion", "FileVersion"):
        if strings.get(("040904B0", entry)) != version:
            faults.append(f"VERSIONINFO: {entry} is {strings.get(('040904B0', entry))!r}")
    for entry in ("ProductName", "FileDescription", "LegalCopyright"):
        if not strings.get(("040904B0", entry)):
            faults.append(f"VERSIONINFO: no {entry}")
    if "Copyright" not in strings.get(("040904B0", "LegalCopyright"), ""):
        faults.append("VERSIONINFO: LegalCopyright names no copyright")


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    manifest_file, version_file, version, level = sys.argv[1:]
    faults = []
    with open(manifest_file, "rb") as f:
        check_manifest(f.read(), version, level, faults)
    with open(version_file, "rb") as f:
        check_version_info(f.read(), version, faults)
    for fault in faults:
        print(fault)
    sys.exit(1 if faults else 0)


if __name__ == "__main__":
    main()
