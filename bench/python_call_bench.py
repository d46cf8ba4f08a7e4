"""The Python module's cost per call against the same call from C++.

A sale line through tavirel.Control against the simulated register on the
in-memory null-modem pair, in this process, against bench_sim_call (the same
register, pair and call from C++). Rounds are taken in turn, Python then C++,
so a busy machine weighs on both alike; each round is a fresh register and
control, a warm-up of 100 calls, then CALLS calls timed. Prints one row of
scripts/bench's table (bench/bench_table.hpp): microseconds per call, min /
median / max over the rounds, the C++ median beside it, the target ratio.

Usage: python_call_bench.py BENCH_SIM_CALL [ROUNDS, default 7] [CALLS, default 2000]
"""

import statistics
import subprocess
import sys
import time
from decimal import Decimal

import tavirel

TARGET_RATIO = 1.5


def python_round(calls: int) -> float:
    spent = 0.0
    with tavirel.Control(tavirel.sim.Register()) as ecr:
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
        spent = time.perf_counter() - start
    return spent * 1e6 / calls


def cxx_round(program: str, calls: int) -> float:
    out = subprocess.run([program, str(calls)], check=True, capture_output=True, text=True, timeout=300)
    return float(out.stdout)


def main(argv: list[str]) -> int:
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    program = argv[1]
    rounds = int(argv[2]) if len(argv) > 2 else 7
    calls = int(argv[3]) if len(argv) > 3 else 2000
    python_us: list[float] = []
    cxx_us: list[float] = []
    python_round(calls)  # warm-up round: imports, first pages touched
    for _ in range(rounds):
        python_us.append(python_round(calls))
        cxx_us.append(cxx_round(program, calls))
    python_us.sort()
    ratio = statistics.median(python_us) / statistics.median(cxx_us)
    print(
        "sale line from Python, simulated register on the in-memory pair\tus\t"
        f"{python_us[0]:.6g}\t{statistics.median(python_us):.6g}\t{python_us[-1]:.6g}\t"
        f"the same call from C++\t{statistics.median(cxx_us):.6g}\t<= {TARGET_RATIO}x\t"
        f"{'met' if ratio <= TARGET_RATIO else 'MISSED'}"
    )
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
