"""A minimal web front for a register, on the standard library alone.

POST /receipts with a receipt document (JSON) prints it on the register and
answers with its outcome (JSON); the journal makes a repeated POST of the same
key answer the recorded outcome instead of printing twice. One request is
served at a time, so one control and one runner are enough (a threading
server would need a lock around them).

Usage: web_receipt.py [--port N] [--device DEVICE] [--journal FILE]
With no --device it serves a simulated register inside this process; --port 0
takes any free port. The first line printed names the address. Ctrl-C stops it.
"""

import argparse
import json
import sys
import tempfile
from http.server import BaseHTTPRequestHandler, HTTPServer
from pathlib import Path
from typing import Any

import tavirel
import tavirel.documents

MAX_BODY = 64 * 1024  # a receipt document is a few kilobytes at most


class ReceiptServer(HTTPServer):
    def __init__(self, port: int, runner: tavirel.documents.Runner) -> None:
        super().__init__(("127.0.0.1", port), ReceiptHandler)
        self.runner = runner


class ReceiptHandler(BaseHTTPRequestHandler):
    server: ReceiptServer

    def do_POST(self) -> None:
        if self.path != "/receipts":
            self.answer(404, {"error": f"no such resource: {self.path}"})
            return
        length = int(self.headers.get("Content-Length") or 0)
        if not 0 < length <= MAX_BODY:
            self.answer(413 if length > MAX_BODY else 411, {"error": "a document of 1 byte to 64 KiB"})
            return
        try:
            document = json.loads(self.rfile.read(length))
        except ValueError as error:
            self.answer(400, {"error": f"not JSON: {error}"})
            return
        try:
            outcome = self.server.runner.run(document)
        except (tavirel.DocumentError, TypeError, ValueError) as error:
            self.answer(400, {"error": str(error)})
            return
        except tavirel.Error as error:  # the port, the journal: the server's side
            self.answer(503, {"error": str(error)})
            return
        print(f"{outcome['key']}: {outcome['status']}, receipt {outcome['receipt_number']}, "
              f"total {outcome['total']}", flush=True)
        self.answer(200, outcome)

    def answer(self, status: int, body: Any) -> None:
        data = json.dumps(body).encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def log_message(self, format: str, *args: Any) -> None:
        pass  # one line per receipt is printed above


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=8080)
    parser.add_argument("--device", help="the register's device (default: a simulated one)")
    parser.add_argument("--journal", help="the journal file (default: one in a temporary folder)")
    args = parser.parse_args()

    with tempfile.TemporaryDirectory() as scratch:
        journal = args.journal or str(Path(scratch) / "journal.db")
        port: str | tavirel.sim.Register = args.device or tavirel.sim.Register()
        with tavirel.Control(port) as ecr:
            ecr.EuroSettings = tavirel.TVL_EUROSETTINGS_EURO
            ecr.open()
            with ReceiptServer(args.port, tavirel.documents.Runner(ecr, journal)) as server:
                print(f"serving on http://127.0.0.1:{server.server_port}/receipts", flush=True)
                try:
                    server.serve_forever()
                except KeyboardInterrupt:
                    print("stopped", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
