"""The Python module's cost per call against the same call from C++.

A sale line through tavirel.Control against the simulated register on the
in-memory null-modem pair, in this process, against bench_sim_call (the same
register, pair and call from C++), two ways: the register in virtual time,
answering on the caller's thread, so a call is its work alone (the row the
target is for); and the register on a thread of its own, where two thread
wake-ups per call, which move with the machine's state, weigh on both sides.
Rounds are taken in turn, Python then C++, so a busy machine weighs on both
alike; each round is a fresh register and control, a warm-up of 100 calls,
then CALLS calls timed. Prints rows of scripts/bench's table
(bench/bench_table.hpp): microseconds per call, min / median / max over the
rounds, the C++ median beside it, the target ratio.

Usage: python_call_bench.py BENCH_SIM_CALL [ROUNDS, default 7] [CALLS, default 2000]
"""

import statistics
import subprocess
import sys
import time
from decimal import Decimal

import tavirel

TARGET_RATIO = 1.5


def python_round(calls: int, virtual_time: bool) -> float:
    # Returns inside the with: the stubs' __exit__ must not claim to swallow exceptions.
    with tavirel.Control(tavirel.sim.Register(virtual_time=virtual_time)) as ecr:
        ecr.EuroSettings = tavirel.TVL_EUROSETTINGS_EURO
        ecr.open()
        price = Decimal("1.50")
        ok = tavirel.ResultCode.OP_OK

        def sell() -> None:
            if ecr.opReparto(1, "PANE DI CASA", price, 1) != ok:
                raise RuntimeError(f"a sale line was refused (error {ecr.LastEERR})")

        for _ in range(100):
            sell()
        start = time.perf_counter()
        for _ in range(calls):
            sell()
        return (time.perf_counter() - start) * 1e6 / calls


def cxx_round(program: str, calls: int, virtual_time: bool) -> float:
    command = [program] + (["--virtual"] if virtual_time else []) + [str(calls)]
    out = subprocess.run(command, check=True, capture_output=True, text=True, timeout=300)
    return float(out.stdout)


def row(program: str, rounds: int, calls: int, virtual_time: bool) -> str:
    python_us: list[float] = []
    cxx_us: list[float] = []
    python_round(calls, virtual_time)  # warm-up round: imports, first pages touched
    for _ in range(rounds):
        python_us.append(python_round(calls, virtual_time))
        cxx_us.append(cxx_round(program, calls, virtual_time))
    python_us.sort()
    ratio = statistics.median(python_us) / statistics.median(cxx_us)
    where = "register in virtual time (the call's work)" if virtual_time else "register on its own thread"
    target = f"<= {TARGET_RATIO}x" if virtual_time else ""
    verdict = ("met" if ratio <= TARGET_RATIO else "MISSED") if virtual_time else ""
    return (f"sale line from Python, in-memory pair, {where}\tus\t"
            f"{python_us[0]:.6g}\t{statistics.median(python_us):.6g}\t{python_us[-1]:.6g}\t"
            f"the same call from C++\t{statistics.median(cxx_us):.6g}\t{target}\t{verdict}")


def main(argv: list[str]) -> int:
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    program = argv[1]
    rounds = int(argv[2]) if len(argv) > 2 else 7
    calls = int(argv[3]) if len(argv) > 3 else 2000
    print(row(program, rounds, calls, virtual_time=True))
    print(row(program, rounds, calls, virtual_time=False))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
