# Reads back from shipped programs the mitigations they must carry; exit 1 names every miss.
# cpack runs it on the bundle's programs before they are signed, so that no bundle goes out
# without them; the suite runs it on the programs as built.
# usage: check_mitigations.py [--unstripped] PROGRAM...
#   --unstripped: symbols show the stack guard and the _FORTIFY_SOURCE routines linked in
import os, re, struct, sys
import pefile  # Debian's python3-pefile

LEVEL = {"qlfvxet.exe": "requireAdministrator", "qlfvxetctl.exe": "asInvoker"}
IMPORTS = ["advapi32.dll", "kernel32.dll", "msvcrt.dll"]  # all else is delay-loaded
FLAGS = {"DYNAMIC_BASE": 0x40, "HIGH_ENTROPY_VA": 0x20, "NX_COMPAT": 0x100}


def symbols(pe, data):  # the COFF symbol table: 18-byte entries, then the long names
    start, count = pe.FILE_HEADER.PointerToSymbolTable, pe.FILE_HEADER.NumberOfSymbols
    names, i = set(), 0
    while i < count:
        entry = data[start + 18 * i:start + 18 * i + 18]
        at = start + 18 * count + struct.unpack_from("<I", entry, 4)[0]
        names.add(data[at:data.index(b"\0", at)] if entry[:4] == bytes(4) else entry[:8].rstrip(b"\0"))
        i += 1 + entry[17]
    return {name.decode() for name in names}


def misses(path, unstripped):
    pe, data = pefile.PE(path), open(path, "rb").read()
    yield from (f"not {f}" for f, bit in FLAGS.items() if not pe.OPTIONAL_HEADER.DllCharacteristics & bit)
    if pe.FILE_HEADER.Characteristics & 1 or not pe.OPTIONAL_HEADER.DATA_DIRECTORY[5].Size:
        yield "no relocations"
    yield from (f"section {s.Name.decode().rstrip(chr(0))} writable and executable"
                for s in pe.sections if s.Characteristics & 0xA0000000 == 0xA0000000)
    resources = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    manifest = [e.directory.entries[0].directory.entries[0].data.struct
                for e in (resources.entries if resources else []) if e.id == 24]
    text = pe.get_data(manifest[0].OffsetToData, manifest[0].Size).decode() if manifest else ""
    level = re.findall(r'requestedExecutionLevel\s+level="(\w+)"', text)
    if level != [LEVEL[os.path.basename(path).lower()]]:
        yield f"manifest levels {level}, expected {LEVEL[os.path.basename(path).lower()]}"
    imports = sorted(d.dll.decode().lower() for d in pe.DIRECTORY_ENTRY_IMPORT)
    if imports != IMPORTS:
        yield f"imports {imports}, expected {IMPORTS}"
    found = symbols(pe, data) if unstripped else set()
    yield from (f"no {g}: no stack protection" for g in ("__stack_chk_fail", "__stack_chk_guard")
                if unstripped and g not in found)
    if unstripped and not any(re.fullmatch(r"__(?!stack_)\w+_chk", s) for s in found):
        yield "no checked routine (__memcpy_chk, ...): no _FORTIFY_SOURCE"


failed = [f"{p}: {m}" for p in sys.argv[1:] if not p.startswith("--")
          for m in misses(p, "--unstripped" in sys.argv)]
print("\n".join(failed))
sys.exit(1 if failed else 0)
