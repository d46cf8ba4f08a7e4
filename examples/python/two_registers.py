"""Two registers driven from two threads at once.

A control is used by one thread at a time; each thread here has its own.
Every call that waits on the line releases the interpreter's lock, so one
till's wait for its register lets the other till work.

Usage: two_registers.py [DEVICE_A DEVICE_B]
With no devices, two simulated registers run inside this process.
"""

import sys
import threading
from decimal import Decimal

import tavirel

OPERATOR = 1
BASKETS = [
    [("PANE DI CASA", Decimal("1.50")), ("LATTE", Decimal("1.20"))],
    [("GRISSINI", Decimal("0.60")), ("TORTA DI MELE", Decimal("12.00")), ("CAFFE", Decimal("1.10"))],
    [("ACQUA", Decimal("0.50"))],
]


class Till(threading.Thread):
    """Sells every basket on one register, one receipt each, paid in cash."""

    def __init__(self, name: str, port: str | tavirel.sim.Register) -> None:
        super().__init__(name=name)
        self.port = port
        self.receipts: list[int] = []
        self.takings = Decimal(0)
        self.failure: Exception | None = None

    def run(self) -> None:
        try:
            with tavirel.Control(self.port) as ecr:
                ecr.EuroSettings = tavirel.TVL_EUROSETTINGS_EURO
                ecr.open()
                for basket in BASKETS:
                    for description, price in basket:
                        self.check(ecr, ecr.opReparto(OPERATOR, description, price, 1))
                    self.check(ecr, ecr.opSubTot(OPERATOR))
                    total = ecr.LastSubTotFisc
                    self.check(ecr, ecr.opContante(OPERATOR))  # no amount: pays the rest
                    self.receipts.append(ecr.LastNumSF)
                    self.takings += total
        except Exception as error:  # reported by the main thread
            self.failure = error

    @staticmethod
    def check(ecr: tavirel.Control, result: tavirel.ResultCode) -> None:
        if result != tavirel.ResultCode.OP_OK:
            raise RuntimeError(f"{result.name}, printer error {ecr.LastEERR}")


def main(argv: list[str]) -> int:
    ports: list[str | tavirel.sim.Register] = (
        [argv[1], argv[2]] if len(argv) > 2 else [tavirel.sim.Register(), tavirel.sim.Register()]
    )
    tills = [Till(name, port) for name, port in zip("AB", ports)]
    for till in tills:
        till.start()
    for till in tills:
        till.join()
    for till in tills:
        if till.failure is not None:
            print(f"till {till.name}: {till.failure}", file=sys.stderr)
            return 1
        print(f"till {till.name}: receipts {till.receipts}, takings {till.takings}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
