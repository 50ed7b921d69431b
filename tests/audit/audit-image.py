#!/usr/bin/env python3
"""Checks that a shipped image runs on every machine Windows NT 4.0 runs on.

  audit-image.py --image SHIPPED --symbols UNSTRIPPED --entry SYMBOL --allow LIST [--allow LIST...]

SHIPPED is the stripped image as it ships; UNSTRIPPED is the same link before stripping, which
gives the findings their function names. Every finding is printed; the exit status is 1 when
there is any. The checks:
  - the sections of both images hold the same bytes at the same addresses (so what is
    disassembled is what ships);
  - no instruction of an executable section is missing from the i486 (P5/P6 and later
    instructions, MMX/SSE registers, long NOPs; the disassembly runs over whole sections);
  - no TLS directory, no delay-load imports;
  - subsystem version and OS version 4.0; no DllCharacteristics bits (ASLR, DEP and the rest
    came after NT 4.0); a DLL has base relocations;
  - the entry point is the named entry symbol;
  - every imported DLL and function is on an allow-list, each with its reason.
"""
import argparse
import re
import struct
import subprocess
import sys

# The i386/i486 integer instructions and the 387 FPU instructions, as objdump names them in
# Intel syntax. Anything else in an executable section is reported.
I486_INSTRUCTIONS = set("""
aaa aad aam aas adc add and arpl bound bsf bsr bswap bt btc btr bts call cbw cwde cdq cwd clc
cld cli clts cmc cmp cmps cmpsb cmpsw cmpsd cmpxchg daa das dec div enter hlt idiv imul in inc
ins insb insw insd int int3 into invd invlpg iret iretd iretw ja jae jb jbe jc jcxz jecxz je jg jge
jl jle jmp jna jnae jnb jnbe jnc jne jng jnge jnl jnle jno jnp jns jnz jo jp jpe jpo js jz lahf
lar lds lea leave les lfs lgdt lgs lidt lldt lmsw lods lodsb lodsw lodsd loop loope loopne loopz
loopnz lsl lss ltr mov movs movsb movsw movsd movsx movzx mul neg nop not or out outs outsb
outsw outsd pop popa popad popf popfd push pusha pushad pushf pushfd rcl rcr ret retf retn rol
ror sahf sal sar sbb scas scasb scasw scasd seta setae setb setbe setc sete setg setge setl
setle setna setnae setnb setnbe setnc setne setng setnge setnl setnle setno setnp setns setnz
seto setp setpe setpo sets setz sgdt shl shld shr shrd sidt sldt smsw stc std sti stos stosb
stosw stosd str sub test verr verw wait fwait wbinvd xadd xchg xlat xlatb xor pause
lcall ljmp lret
f2xm1 fabs fadd faddp fbld fbstp fchs fclex fnclex fcom fcomp fcompp fcos fdecstp fdiv fdivp
fdivr fdivrp ffree fiadd ficom ficomp fidiv fidivr fild fimul fincstp finit fninit fist fistp
fisub fisubr fld fld1 fldcw fldenv fldl2e fldl2t fldlg2 fldln2 fldpi fldz fmul fmulp fnop
fpatan fprem fprem1 fptan frndint frstor fsave fnsave fscale fsin fsincos fsqrt fst fstcw
fnstcw fstenv fnstenv fstp fstsw fnstsw fsub fsubp fsubr fsubrp ftst fucom fucomp fucompp fxam
fxch fxtract fyl2x fyl2xp1
""".split())

# Prefixes objdump prints as words of their own before the instruction.
PREFIXES = {"rep", "repe", "repz", "repne", "repnz", "lock", "data16", "data32", "addr16",
            "addr32", "cs", "ds", "es", "ss", "fs", "gs"}

# Names for the instructions found most often, so that a finding says what it is.
KNOWN = [
    (re.compile(r"^cmov"), "CMOVcc (P6)"),
    (re.compile(r"^fcmov"), "FCMOVcc (P6)"),
    (re.compile(r"^fu?comip?$"), "FCOMI/FUCOMI (P6)"),
    (re.compile(r"^nop$"), "multi-byte NOP 0F 1F (P6)"),
    (re.compile(r"^(rdtsc|rdtscp)$"), "RDTSC (Pentium)"),
    (re.compile(r"^rdpmc$"), "RDPMC (Pentium Pro)"),
    (re.compile(r"^cmpxchg(8|16)b$"), "CMPXCHG8B (Pentium)"),
    (re.compile(r"^cpuid$"), "CPUID (not on every i486)"),
    (re.compile(r"^(sysenter|sysexit|syscall|sysret)$"), "fast system call (Pentium II)"),
    (re.compile(r"^ud[012]$"), "UD2 (P6)"),
    (re.compile(r"^emms$"), "MMX"),
    (re.compile(r"^fisttp"), "FISTTP (SSE3)"),
    (re.compile(r"^(endbr32|endbr64)$"), "ENDBR hint (0F 1E, P6 and later)"),
    (re.compile(r"^(\(bad\)|\.byte)$"), "bytes that do not decode"),
]
VECTOR_REGISTER = re.compile(r"\b([xyz]mm\d+|mm\d|k[0-7])\b")


class Image:
    """The parts of a PE image the audit reads."""

    def __init__(self, path):
        self.path = path
        with open(path, "rb") as f:
            self.data = f.read()
        d = self.data
        if d[:2] != b"MZ":
            raise ValueError(f"{path}: not an MZ image")
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        if d[pe:pe + 4] != b"PE\0\0":
            raise ValueError(f"{path}: no PE header")
        (self.machine, sections, _, _, _, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", d, pe + 4)
        opt = pe + 24
        if struct.unpack_from("<H", d, opt)[0] != 0x10B:
            raise ValueError(f"{path}: not a 32-bit image")
        self.entry = struct.unpack_from("<I", d, opt + 16)[0]
        self.image_base = struct.unpack_from("<I", d, opt + 28)[0]
        (self.os_major, self.os_minor, _, _, self.subsystem_major,
         self.subsystem_minor) = struct.unpack_from("<HHHHHH", d, opt + 40)
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", d, opt + 68)
        count = struct.unpack_from("<I", d, opt + 92)[0]
        self.directories = [struct.unpack_from("<II", d, opt + 96 + 8 * i) for i in range(count)]
        self.sections = []
        table = opt + optional_size
        for i in range(sections):
            name, vsize, va, rawsize, rawptr = struct.unpack_from("<8sIIII", d, table + 40 * i)
            flags = struct.unpack_from("<I", d, table + 40 * i + 36)[0]
            self.sections.append((name.rstrip(b"\0").decode("latin-1"), va, vsize, rawptr,
                                  rawsize, flags))

    @property
    def is_dll(self):
        return bool(self.characteristics & 0x2000)

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def section_bytes(self, name):
        for s in self.sections:
            if s[0] == name:
                size = min(s[2], s[4])
                return s[1], self.data[s[3]:s[3] + size]
        return None

    def offset(self, rva):
        for _, va, vsize, rawptr, rawsize, _ in self.sections:
            if va <= rva < va + max(vsize, rawsize):
                return rawptr + rva - va
        raise ValueError(f"{self.path}: RVA {rva:#x} is in no section")

    def string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("latin-1")

    def imports(self):
        """[(dll, function or '#ordinal')] from the import directory."""
        rva, size = self.directory(1)
        result = []
        if not rva:
            return result
        at = self.offset(rva)
        while True:
            lookup, _, _, name, thunks = struct.unpack_from("<IIIII", self.data, at)
            if not (lookup or name or thunks):
                break
            dll = self.string(name)
            entry = self.offset(lookup or thunks)
            while True:
                value = struct.unpack_from("<I", self.data, entry)[0]
                if not value:
                    break
                if value & 0x80000000:
                    result.append((dll, f"#{value & 0xFFFF}"))
                else:
                    result.append((dll, self.string(value + 2)))
                entry += 4
            at += 20
        return result


def read_allow_list(paths, findings):
    """{dll: set of functions}; a line is 'DLL FUNCTION REASON...' or 'DLL * REASON...'."""
    allowed = {}
    for path in paths:
        with open(path, encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                line = line.strip()
                if not line or line.startswith("#"):
                    continue
                words = line.split(None, 2)
                if len(words) < 3:
                    findings.append(f"{path}:{number}: an entry needs a reason: {line}")
                    continue
                allowed.setdefault(words[0].lower(), set()).add(words[1])
    return allowed


def symbols_of(objdump, image):
    """{name: RVA} of the image's symbol table."""
    out = subprocess.run([objdump, "-t", image.path], check=True, capture_output=True,
                         text=True).stdout
    symbols = {}
    for line in out.splitlines():
        m = re.match(r"^\[\s*\d+\]\(sec\s+(-?\d+)\)\(fl 0x[0-9a-f]+\)\(ty\s+[0-9a-f]+\)"
                     r"\(scl\s+\d+\) \(nx \d+\) 0x([0-9a-f]+) (\S+)$", line)
        if m and 0 < int(m.group(1)) <= len(image.sections):
            section_va = image.sections[int(m.group(1)) - 1][1]
            symbols.setdefault(m.group(3), section_va + int(m.group(2), 16))
    return symbols


def constructor_lists(image, symbols):
    """[(start RVA, end RVA)] of the constructor and destructor lists the linker script puts
    in .text: -1, the function pointers, 0. They are data, not code."""
    ranges = []
    for name in ("__CTOR_LIST__", "__DTOR_LIST__"):
        if name in symbols:
            start = end = symbols[name]
            at = image.offset(start)
            while True:
                word = struct.unpack_from("<I", image.data, at + end - start)[0]
                end += 4
                if word == 0 and end - start > 4:
                    break
            ranges.append((start, end))
    return ranges


def audit_instructions(objdump, image, data_ranges, findings):
    for name, va, vsize, _, _, flags in image.sections:
        if not flags & 0x20000000:  # IMAGE_SCN_MEM_EXECUTE
            continue
        pieces, start = [], va
        for data_start, data_end in sorted(data_ranges):
            if va <= data_start < va + vsize:
                pieces.append((start, data_start))
                start = max(start, data_end)
        pieces.append((start, va + vsize))
        for piece_start, piece_end in pieces:
            if piece_end > piece_start:
                audit_code(objdump, image, name, piece_start, piece_end, findings)


def audit_code(objdump, image, section, start, end, findings):
    out = subprocess.run(
        [objdump, "-d", "-C", "-M", "intel", "--insn-width=16", "-j", section,
         f"--start-address={image.image_base + start:#x}",
         f"--stop-address={image.image_base + end:#x}", image.path],
        check=True, capture_output=True, text=True).stdout
    function = "?"
    for line in out.splitlines():
        label = re.match(r"^[0-9a-f]+ <(.*)>:$", line)
        if label:
            function = re.sub(r"\+0x[0-9a-f]+$", "", label.group(1))
            continue
        m = re.match(r"^\s*([0-9a-f]+):\t([0-9a-f ]+)\t(.*)$", line)
        if not m:
            continue
        address, raw, text = m.group(1), m.group(2).split(), m.group(3).strip()
        words = text.split()
        while words and words[0] in PREFIXES:
            words = words[1:]
        if not words:
            continue
        mnemonic = words[0]
        operands = " ".join(words[1:]).split("#")[0].split("<")[0]
        problem = None
        if mnemonic == "nop" and operands:
            problem = "multi-byte NOP 0F 1F (P6)"
        elif VECTOR_REGISTER.search(operands):
            problem = "MMX/SSE register"
        elif mnemonic not in I486_INSTRUCTIONS:
            problem = next((what for pattern, what in KNOWN if pattern.match(mnemonic)),
                           "not an i486 instruction")
        else:
            # Hint NOPs and prefetches (0F 18-1F) whatever objdump calls them.
            opcode = [b for b in raw if b not in
                      ("66", "67", "f2", "f3", "f0", "2e", "3e", "26", "36", "64", "65")]
            if len(opcode) > 1 and opcode[0] == "0f" and 0x18 <= int(opcode[1], 16) <= 0x1F:
                problem = "hint NOP 0F 18-1F (P6)"
        if problem:
            findings.append(f"{problem} in {function} at 0x{address}: {text}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--image", required=True)
    parser.add_argument("--symbols", required=True)
    parser.add_argument("--entry", required=True)
    parser.add_argument("--allow", action="append", required=True)
    parser.add_argument("--objdump", default="i686-w64-mingw32-objdump")
    args = parser.parse_args()

    findings = []
    image = Image(args.image)
    unstripped = Image(args.symbols)

    if image.machine != 0x14C:
        findings.append(f"machine {image.machine:#x} is not i386")
    for name, va, _, _, _, _ in image.sections:
        mine = image.section_bytes(name)
        theirs = unstripped.section_bytes(name)
        if theirs is None or theirs != mine:
            findings.append(f"section {name} differs from the unstripped image's")
    if image.image_base != unstripped.image_base:
        findings.append("image base differs from the unstripped image's")

    symbols = symbols_of(args.objdump, unstripped)
    audit_instructions(args.objdump, unstripped, constructor_lists(unstripped, symbols), findings)

    if image.directory(9) != (0, 0) or any(s[0] == ".tls" for s in image.sections):
        findings.append("TLS directory present (NT 4.0 sets up no static TLS for LoadLibrary)")
    if image.directory(13)[0]:
        findings.append("delay-load imports present")
    if (image.subsystem_major, image.subsystem_minor) != (4, 0):
        findings.append(f"subsystem version {image.subsystem_major}.{image.subsystem_minor}, not 4.0")
    if (image.os_major, image.os_minor) != (4, 0):
        findings.append(f"OS version {image.os_major}.{image.os_minor}, not 4.0")
    if image.subsystem not in (2, 3):
        findings.append(f"subsystem {image.subsystem} is neither GUI nor console")
    if image.dll_characteristics:
        findings.append(f"DllCharacteristics 0x{image.dll_characteristics:04X}, not 0 (bits NT 4.0 predates)")
    if image.is_dll and image.directory(5)[1] == 0:
        findings.append("DLL without base relocations")

    if args.entry not in symbols:
        findings.append(f"entry symbol {args.entry} is not in the image")
    elif symbols[args.entry] != image.entry:
        function = [n for n, rva in symbols.items() if rva == image.entry and n[0] != "."]
        findings.append(f"entry point {image.entry:#x} ({', '.join(function) or 'no symbol'}) "
                        f"is not {args.entry} ({symbols[args.entry]:#x})")

    allowed = read_allow_list(args.allow, findings)
    for dll, function in image.imports():
        functions = allowed.get(dll.lower())
        if functions is None or "*" not in functions:
            findings.append(f"import from {dll}, a DLL not on the allow-list")
        if functions is None or function not in functions:
            findings.append(f"import {dll}!{function} is not on the allow-list")

    for finding in dict.fromkeys(findings):
        print(f"{args.image}: {finding}")
    if findings:
        print(f"{args.image}: FAILED, {len(findings)} finding(s)")
        return 1
    print(f"{args.image}: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
