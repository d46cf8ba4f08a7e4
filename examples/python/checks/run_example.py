"""Runs a Python example and compares what it printed with what it must print.

Usage: run_example.py [--pty N] EXPECTED SCRIPT [ARGS...]
EXPECTED is the whole standard output, "\\n" between lines. "{tmp}" in ARGS
is replaced by a fresh temporary folder. With --pty N, N simulated registers
are served on pseudo-terminals from this process and their devices are passed
after ARGS, so the example runs through a real serial port. The example must
exit with status 0 within the bound.
"""

import subprocess
import sys
import tempfile

import tavirel

BOUND_S = 120  # a loaded 2-core machine; the examples take well under a second


def main(argv: list[str]) -> int:
    args = argv[1:]
    registers: list[tavirel.sim.PtyRegister] = []
    if args[:1] == ["--pty"]:
        registers = [tavirel.sim.PtyRegister() for _ in range(int(args[1]))]
        args = args[2:]
    expected = args[0].replace("\\n", "\n")
    with tempfile.TemporaryDirectory() as tmp:
        command = [sys.executable, args[1]] + [a.replace("{tmp}", tmp) for a in args[2:]]
        command += [register.device for register in registers]
        result = subprocess.run(command, capture_output=True, text=True, timeout=BOUND_S)
    sys.stdout.write(result.stdout)
    sys.stderr.write(result.stderr)
    if result.returncode != 0:
        print(f"run_example: {args[1]} exited with {result.returncode}", file=sys.stderr)
        return 1
    if result.stdout.rstrip("\n") != expected:
        print(f"run_example: expected:\n{expected}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
