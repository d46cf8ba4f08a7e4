"""A whole receipt as one document, run exactly once through a journal.

The document is checked whole before anything is sent, each step is recorded
in the journal, and the same key run again gives the recorded outcome without
touching the register: a point-of-sale program that is unsure whether a
receipt went through (a crash, a lost connection) simply runs it again.

Usage: document_journal.py JOURNAL [DEVICE]
"""

import sys

import tavirel
import tavirel.documents

RECEIPT = {
    "key": "till1-000042",
    "operator": 1,
    "lines": [
        {"department": 1, "description": "PANE DI CASA", "price": "1.50"},
        {"department": 1, "description": "GRISSINI", "price": "0.60", "quantity": 3},
        {"type": "text", "text": "OFFERTA DEL GIORNO"},
    ],
    "adjustments": [{"type": "discount-percent", "percent": "10"}],
    "payments": [{"type": "cash", "amount": "5.00"}],
}


def main(argv: list[str]) -> int:
    if len(argv) < 2:
        print("usage: document_journal.py JOURNAL [DEVICE]", file=sys.stderr)
        return 2
    journal = argv[1]
    port: str | tavirel.sim.Register = argv[2] if len(argv) > 2 else tavirel.sim.Register()
    with tavirel.Control(port) as ecr:
        ecr.EuroSettings = tavirel.TVL_EUROSETTINGS_EURO
        ecr.open()
        for attempt in ("first run", "run again"):
            outcome = tavirel.documents.run(ecr, RECEIPT, journal=journal)
            print(
                f"{attempt}: {outcome['key']} {outcome['status']}, receipt {outcome['receipt_number']}, "
                f"total {outcome['total']}, change {outcome['change']}, replayed {outcome['replayed']}"
            )
            if outcome["status"] != "closed":
                return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
