"""A first receipt from Python: two sale lines, the subtotal, cash with change.

Usage: first_receipt.py [DEVICE]
With no DEVICE it runs on a simulated register inside this process; a DEVICE is
a serial device, a pseudo-terminal or a device server's port (tcp://HOST:PORT).
"""

import sys
from decimal import Decimal

import tavirel

OPERATOR = 1


def main(argv: list[str]) -> int:
    port: str | tavirel.sim.Register = argv[1] if len(argv) > 1 else tavirel.sim.Register()
    with tavirel.Control(port) as ecr:
        ecr.EuroSettings = tavirel.TVL_EUROSETTINGS_EURO
        ecr.open()
        for description, price in (("PANE DI CASA", Decimal("1.50")), ("LATTE", Decimal("1.20"))):
            if ecr.opReparto(OPERATOR, description, price, 1) != tavirel.ResultCode.OP_OK:
                print(f"{description}: refused, error {ecr.LastEERR}", file=sys.stderr)
                ecr.opVoidTot(OPERATOR)
                return 1
        ecr.opSubTot(OPERATOR)
        total = ecr.LastSubTotFisc
        if ecr.opContante(OPERATOR, Decimal("5.00")) != tavirel.ResultCode.OP_OK:
            print(f"payment refused, error {ecr.LastEERR}", file=sys.stderr)
            return 1
        print(f"receipt {ecr.LastNumSF}: total {total}, change {ecr.LastRest}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
