#!/usr/bin/env python3
"""The image audit on small test images built like the deliverables: the clean one passes, each
planted fault fails with the finding it should.

  selftest.py BUILD_DIR ALLOW_LIST...
"""
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

# (image, entry symbol, what the audit must report, or None for a clean pass)
CASES = [
    ("entrydll.dll", "_NorvoDllEntry@12", None),
    ("entryprog.exe", "_NorvoProgramEntry", None),
    ("plant_cmov.dll", "_NorvoDllEntry@12", "CMOVcc (P6) in PlantedPick"),
    ("plant_tls_variable.dll", "_NorvoDllEntry@12", "KERNEL32.dll!TlsAlloc is not on the allow-list"),
    ("plant_tls_directory.dll", "_NorvoDllEntry@12", "TLS directory present"),
    ("plant_import.dll", "_NorvoDllEntry@12", "KERNEL32.dll!GetTickCount64 is not on the allow-list"),
    # The right image with the wrong entry symbol named: the entry check must notice.
    ("entrydll.dll", "_RegisterAtExit", "is not _RegisterAtExit"),
]


def main():
    build, allow_lists = sys.argv[1], sys.argv[2:]
    failed = 0
    for image, entry, expected in CASES:
        command = [sys.executable, os.path.join(HERE, "audit-image.py"),
                   "--image", os.path.join(build, image),
                   "--symbols", os.path.join(build, "unstripped", image), "--entry", entry]
        for allow in allow_lists:
            command += ["--allow", allow]
        result = subprocess.run(command, capture_output=True, text=True)
        output = result.stdout + result.stderr
        if expected is None:
            ok = result.returncode == 0
        else:
            ok = result.returncode == 1 and expected in output
        print(f"{'ok' if ok else 'FAILED'}: {image} (entry {entry}), expecting "
              f"{expected or 'a pass'}")
        if not ok or expected is not None:
            print("  " + output.strip().replace("\n", "\n  "))
        failed += not ok
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
