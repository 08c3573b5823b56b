#!/usr/bin/env python3
"""Reads every image of a GCC build of a generated tree as a TrustZone reviewer
reads it, with the regions taken from the configuration the tree was generated
from (never from the generated files):

  - every allocated section lies in its project's regions: writable data in the
    data region, the veneers in the NSC region, execute-only code in an owned XOM
    region, everything else in the code region; every loaded byte in flash;
  - the vector table starts at the RO base: its stack top is the top of the data
    region (below the 8-byte seal in a secure image), its reset entry Thumb code;
  - each entry function of a secure image is a veneer in the NSC region that
    starts with SG;
  - each XOM function lies in its region, in a section marked execute-only;
  - each call of a non-secure image into a secure service resolves to that secure
    image's veneer in its NSC region, and the image names no other secure code;
  - the boot code: the reset handler sets the stack limit, a hand-over to an image
    of the same state loads its stack pointer and entry from its vector table and
    branches through a register with no stack access between, a secure image
    checks a non-secure image with TT before BLXNS, the failure hooks are there;
    the secure service reads the caller's privilege (CONTROL_NS).

    check_gcc_images.py CONFIGURATION.kiv BUILD_FOLDER

BUILD_FOLDER is a preset's binary folder, holding <project>/<project>.elf.
"""
import configparser
import os
import re
import subprocess
import sys

READELF = os.environ.get("READELF_ARM", "arm-none-eabi-readelf")
OBJDUMP = os.environ.get("OBJDUMP_ARM", "arm-none-eabi-objdump")
GRANULE = 32
NS_SRAM_END = 0x30018000
SG = bytes.fromhex("7fe97fe9")


# ---------------------------------------------------------------------------
# What the configuration says
# ---------------------------------------------------------------------------

def number(text):
    text = (text or "").strip()
    return int(text, 16) if text else 0


class Project:
    def __init__(self, section):
        self.name = section["name"]
        self.secure = number(section["ns"]) == 0
        self.ro, self.ro_size = number(section["ro"]), number(section["rosize"])
        self.rw = number(section["rw"])
        self.nsc = number(section["nsc"]) if self.secure else 0
        self.nsc_size = number(section["nscsize"]) if self.secure else 0
        self.xom = [k for k in range(4) if (number(section["xom"]) >> k) & 1]
        self.next_boot = section["nextboot"].strip()


class Configuration:
    def __init__(self, path):
        ini = configparser.ConfigParser(interpolation=None, strict=False)
        with open(path, encoding="utf-8", errors="replace") as f:
            ini.read_file(f)
        self.sram_nsba = number(ini["GENERAL"]["sramnsba"])
        self.projects = [Project(ini["PRJ%d" % i]) for i in range(100) if ini.has_section("PRJ%d" % i)]
        self.xom = [(number(ini["XOM"]["xom_base%d" % k]), number(ini["XOM"]["xom_size%d" % k])) for k in range(4)]
        self.veneers = veneer_ranges(self.projects)

    def find(self, name):
        return next((p for p in self.projects if p.name == name), None)

    def data_end(self, project):
        return 0x20000000 + self.sram_nsba - 0x30000000 if project.secure else NS_SRAM_END

    def import_libraries(self):
        """The secure projects whose import libraries the non-secure images link."""
        return [p for p in self.projects if p.secure and p.nsc_size]


def veneer_ranges(projects):
    """The NSC area of each secure project as the SAU can mark it: touching or
    overlapping areas joined, each joined area narrowed to whole granules."""
    areas = sorted((p.nsc, p.nsc + p.nsc_size, p.name) for p in projects if p.secure and p.nsc_size)
    groups = []
    for base, end, name in areas:
        if groups and base <= groups[-1][1]:
            groups[-1][1] = max(groups[-1][1], end)
            groups[-1][2].append((base, end, name))
        else:
            groups.append([base, end, [(base, end, name)]])
    ranges = {}
    for base, end, members in groups:
        low, high = -(-base // GRANULE) * GRANULE, end // GRANULE * GRANULE
        for m_base, m_end, name in members:
            ranges[name] = (max(m_base, low), min(m_end, high))
    return ranges


def inside(start, end, region):
    return region is not None and region[0] <= start and end <= region[1]


# ---------------------------------------------------------------------------
# What the image holds
# ---------------------------------------------------------------------------

def tool(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


class Image:
    SECTION = re.compile(r"^\s*\[\s*\d+\]\s+(\S+)\s+\S+\s+([0-9a-f]{8})\s+([0-9a-f]+)\s+([0-9a-f]+)\s+\S+\s+(\S*)\s+\d")
    SEGMENT = re.compile(r"^\s*LOAD\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)")
    SYMBOL = re.compile(r"^\s*\d+:\s+([0-9a-f]{8})\s+\d+\s+(\w+)\s+\w+\s+\w+\s+(\w+)\s+(\S+)$")

    def __init__(self, path):
        self.path = path
        self.sections = []  # (name, address, size, offset, flags) of allocated sections
        for line in tool(READELF, "-S", "-W", path).splitlines():
            m = self.SECTION.match(line)
            if m and "A" in m.group(5) and int(m.group(4), 16) > 0:
                self.sections.append((m.group(1), int(m.group(2), 16), int(m.group(4), 16),
                                      int(m.group(3), 16), m.group(5)))
        self.loads = []  # (load address, file size) of the loaded segments
        for line in tool(READELF, "-l", "-W", path).splitlines():
            m = self.SEGMENT.match(line)
            if m and int(m.group(3), 16) > 0:
                self.loads.append((int(m.group(2), 16), int(m.group(3), 16)))
        self.symbols, self.functions, self.absolute = {}, {}, {}
        for line in tool(READELF, "-s", "-W", path).splitlines():
            m = self.SYMBOL.match(line)
            if not m:
                continue
            value, kind, index, name = int(m.group(1), 16), m.group(2), m.group(3), m.group(4)
            self.symbols.setdefault(name, value)
            if kind == "FUNC":
                self.functions[name] = value & ~1
                if index == "ABS":
                    self.absolute[name] = value & ~1
        self._disassembly = None

    def section_at(self, address):
        return next((s for s in self.sections if s[1] <= address < s[1] + s[2]), None)

    def read(self, address, size):
        section = self.section_at(address)
        if section is None or "NOBITS" in section[0]:
            return None
        with open(self.path, "rb") as f:
            f.seek(section[3] + address - section[1])
            return f.read(size)

    def word(self, address):
        data = self.read(address, 4)
        return int.from_bytes(data, "little") if data and len(data) == 4 else None

    def disassembly(self):
        if self._disassembly is None:
            self._disassembly = tool(OBJDUMP, "-d", "--no-show-raw-insn", self.path)
        return self._disassembly

    def instructions(self):
        """(mnemonic, operands) of every instruction, in address order."""
        for line in self.disassembly().splitlines():
            parts = line.split("\t")
            if len(parts) >= 2 and re.match(r"^\s*[0-9a-f]+:$", parts[0]) and parts[1]:
                yield parts[1].strip(), (parts[2].strip() if len(parts) > 2 else "")

    def function_text(self, name):
        m = re.search(r"^[0-9a-f]+ <%s>:\n(.*?)(?:\n\n|\Z)" % re.escape(name), self.disassembly(), re.S | re.M)
        return m.group(1) if m else ""


# ---------------------------------------------------------------------------
# The checks, each giving the faults it finds
# ---------------------------------------------------------------------------

def regions(config, project):
    """The flash and data regions a project's image may use, by kind."""
    r = {"code": (project.ro, project.ro + project.ro_size),
         "data": (project.rw, config.data_end(project)),
         "nsc": config.veneers.get(project.name) if project.secure else None}
    for k in project.xom:
        base, size = config.xom[k]
        r["xom%d" % k] = (base, base + size)
    return r


def check_sections(image, config, project):
    r = regions(config, project)
    faults = []
    for name, address, size, _, flags in image.sections:
        end = address + size
        if name == ".gnu.sgstubs":
            expected = ["nsc"]
        elif "y" in flags:
            expected = ["xom%d" % k for k in project.xom]
        elif "W" in flags:
            expected = ["data"]
        else:
            expected = ["code"]
        if not any(inside(address, end, r.get(kind)) for kind in expected):
            faults.append("section %s [0x%08X, 0x%08X) lies outside its %s region" % (name, address, end, "/".join(expected)))
        for kind in ("nsc",) + tuple("xom%d" % k for k in project.xom):
            if kind not in expected and r.get(kind) and address < r[kind][1] and r[kind][0] < end:
                faults.append("section %s reaches into the %s region" % (name, kind))
    flash = [r[kind] for kind in r if kind != "data" and r[kind]]
    for address, size in image.loads:
        if not any(inside(address, address + size, region) for region in flash):
            faults.append("loaded bytes at 0x%08X (%d) lie outside the image's flash" % (address, size))
    return faults


def check_vector_table(image, config, project):
    top = config.data_end(project) - (8 if project.secure else 0)
    faults = []
    if image.symbols.get("__vector_table") != project.ro:
        faults.append("the vector table is not at the RO base 0x%08X" % project.ro)
    stack, reset = image.word(project.ro), image.word(project.ro + 4)
    if stack != top or image.symbols.get("__StackTop") != top:
        faults.append("initial stack pointer %s, expected 0x%08X (the top of the data region%s)" % (
            None if stack is None else "0x%08X" % stack, top, ", below the stack seal" if project.secure else ""))
    limit = image.symbols.get("__StackLimit")
    if limit is None or not (project.rw <= limit < top):
        faults.append("the stack limit does not lie in the data region")
    if reset is None or reset & 1 == 0 or image.functions.get("Reset_Handler") != reset & ~1:
        faults.append("the reset entry is not the Thumb address of Reset_Handler")
    return faults


def check_veneers(image, config, project):
    if not project.secure:
        return []
    nsc = config.veneers.get(project.name)
    entries = [n[len("__acle_se_"):] for n in image.functions if n.startswith("__acle_se_")]
    faults = []
    if project.name + "_NscEntry" not in entries:
        faults.append("no entry function %s_NscEntry" % project.name)
    stubs = [s for s in image.sections if s[0] == ".gnu.sgstubs"]
    if not stubs or stubs[0][1] != nsc[0]:
        faults.append("the veneers do not start at the NSC base 0x%08X" % nsc[0])
    for entry in entries:
        address = image.functions.get(entry)
        if address is None or not inside(address, address + 8, nsc):
            faults.append("the veneer of %s lies outside the NSC region" % entry)
        elif image.read(address, 4) != SG:
            faults.append("the veneer of %s does not start with SG" % entry)
    return faults


def check_xom(image, config, project):
    faults = []
    for k in project.xom:
        base, size = config.xom[k]
        address = image.functions.get("XOM%d_Function" % k)
        section = image.section_at(address) if address is not None else None
        if address is None or not (base <= address < base + size):
            faults.append("XOM%d_Function lies outside XOM%d" % (k, k))
        elif section is None or "y" not in section[4]:
            faults.append("XOM%d_Function lies in a section that is not execute-only" % k)
    return faults


def check_secure_calls(image, config, project, images):
    if project.secure:
        return []
    faults = []
    expected = {}
    for secure in config.import_libraries():
        entry = secure.name + "_NscEntry"
        expected[entry] = config.veneers[secure.name]
        address = image.functions.get(entry)
        own = images[secure.name].functions.get(entry)
        if address is None:
            faults.append("no call target %s" % entry)
        elif not inside(address, address + 8, expected[entry]) or address != own:
            faults.append("%s resolves to 0x%08X, not to %s's veneer in its NSC region" % (entry, address, secure.name))
    ranges = list(config.veneers.values())
    for name, address in image.absolute.items():
        if name not in expected and address < 0x10000000:
            faults.append("%s names secure code at 0x%08X" % (name, address))
        elif name not in expected and any(inside(address, address + 1, r) for r in ranges):
            faults.append("%s points into an NSC region" % name)
    return faults


def handovers(image):
    """The number of writes of MSP that follow the loads of a vector table's word 0
    and word 1 and branch to the loaded entry with no stack access between; the
    faults of any other write of MSP."""
    word0, word1, faults = {}, {}, []
    count, pending, base, n = 0, False, None, 0
    for op, args in image.instructions():
        m = re.match(r"^(r\d+), \[(r\d+)(?:, #(\d+))?\]$", args)
        if op.startswith("ldr") and m and m.group(3) in (None, "0"):
            word0[m.group(1)] = (m.group(2), n)
        if op.startswith("ldr") and m and m.group(3) == "4":
            word1[m.group(1)] = (m.group(2), n)
        if pending and (op.startswith(("push", "pop")) or re.search(r"(^|[^a-z])sp([^a-z]|$)", args)):
            faults.append("stack access after the new stack pointer: %s %s" % (op, args))
            pending = False
        if pending and op in ("bx", "blx"):
            if word1.get(args, (None, -99))[0] != base or n - word1[args][1] > 5:
                faults.append("branch not to the loaded entry: %s %s" % (op, args))
            else:
                count += 1
            pending = False
        if op == "msr" and args.startswith("MSP, "):
            r = args[len("MSP, "):]
            if r not in word0 or n - word0[r][1] > 4:
                faults.append("stack pointer not loaded from a vector table: %s %s" % (op, args))
            base, pending = word0.get(r, (None, 0))[0], True
        n += 1
    return count, faults


def check_boot_code(image, config, project):
    faults = []
    reset = image.function_text("Reset_Handler")
    if "<__set_MSPLIM>" in reset:
        reset = image.function_text("__set_MSPLIM")
    if "msr\tMSPLIM," not in reset:
        faults.append("the reset handler sets no stack limit")
    count, unsafe = handovers(image)
    faults += unsafe
    following = config.find(project.next_boot)
    if project.secure and "Partition_FlashBoundaryMismatch" not in image.functions:
        faults.append("no flash boundary failure hook")
    if project.secure and not re.search(r"\tmrs\tr\d+, CONTROL_NS", image.disassembly()):
        faults.append("the secure service does not read the caller's privilege (CONTROL_NS)")
    if following is None or (not project.secure and following.secure):
        if count:
            faults.append("hand-over code in an image that boots nothing")
        return faults
    if "Boot_NextImageRejected" not in image.functions:
        faults.append("no failure hook Boot_NextImageRejected")
    if project.secure and not following.secure:
        text = image.disassembly()
        if count:
            faults.append("a non-secure image is started by writing MSP")
        if "\ttt\t" not in text:
            faults.append("the non-secure image is not checked with TT")
        if "\tblxns\t" not in text:
            faults.append("no call into the non-secure state")
    elif count < 1:
        faults.append("no hand-over to the next image")
    return faults


CHECKS = [
    ("sections in the project's regions", check_sections),
    ("vector table at the RO base", check_vector_table),
    ("veneers in the NSC region", check_veneers),
    ("execute-only code in its XOM region", check_xom),
    ("boot code", check_boot_code),
]


def main(argv):
    if len(argv) != 3:
        sys.exit("usage: check_gcc_images.py CONFIGURATION.kiv BUILD_FOLDER")
    config, build = Configuration(argv[1]), argv[2]
    images, faults = {}, []
    for project in config.projects:
        path = os.path.join(build, project.name, project.name + ".elf")
        if not os.path.isfile(path):
            sys.exit("%s: no image %s" % (project.name, path))
        for extension in (".hex", ".bin"):
            if not os.path.isfile(path[:-4] + extension):
                faults.append("%s: no %s beside the image" % (project.name, extension))
        images[project.name] = Image(path)
    for project in config.projects:
        checks = CHECKS + [("calls into the secure images",
                            lambda i, c, p: check_secure_calls(i, c, p, images))]
        for what, check in checks:
            faults += ["%s (%s): %s" % (project.name, what, f) for f in check(images[project.name], config, project)]
    for fault in faults:
        print(fault)
    if faults:
        sys.exit("%d faults in the images of %s" % (len(faults), build))
    print("checked %d images of %s against %s" % (len(images), build, argv[1]))


if __name__ == "__main__":
    main(sys.argv)
