"""Serves web_receipt.py on a free loopback port and checks it over HTTP.

A receipt is printed and answered; the same key again is answered from the
journal without printing (the next key gets the next receipt number); a
document that fails its check prints nothing; malformed requests get their
4xx answers; Ctrl-C stops the server with status 0 and the control closed.

Usage: web_receipt_check.py WEB_RECEIPT_SCRIPT
"""

import json
import queue
import signal
import subprocess
import sys
import tempfile
import threading
import urllib.error
import urllib.request
from pathlib import Path
from typing import Any

BOUND_S = 60  # each wait, on a loaded 2-core machine


def receipt(key: str, description: str = "PANE DI CASA") -> dict[str, Any]:
    return {
        "key": key,
        "lines": [{"department": 1, "description": description, "price": "1.50"},
                  {"department": 1, "description": "LATTE", "price": "1.20"}],
        "payments": [{"type": "cash", "amount": "5.00"}],
    }


def post(url: str, body: bytes) -> tuple[int, Any]:
    request = urllib.request.Request(url, data=body, headers={"Content-Type": "application/json"})
    try:
        with urllib.request.urlopen(request, timeout=BOUND_S) as answer:
            return answer.status, json.loads(answer.read())
    except urllib.error.HTTPError as error:
        return error.code, json.loads(error.read())


def expect(what: str, got: Any, wanted: Any) -> None:
    if got != wanted:
        raise AssertionError(f"{what}: got {got!r}, wanted {wanted!r}")


def check(base: str) -> None:
    url = base + "/receipts"
    status, first = post(url, json.dumps(receipt("web-1")).encode())
    expect("first receipt", (status, first["status"], first["receipt_number"], first["replayed"]),
           (200, "closed", 1, False))
    expect("its total and change", (first["total"], first["change"]), ("2.70", "2.30"))
    status, again = post(url, json.dumps(receipt("web-1")).encode())
    expect("the same key again", (status, again["receipt_number"], again["replayed"]), (200, 1, True))
    status, refused = post(url, json.dumps(receipt("web-2", "X" * 30)).encode())
    expect("a description too long", (status, refused["status"]), (200, "failed"))
    status, second = post(url, json.dumps(receipt("web-3")).encode())
    expect("the next key", (status, second["receipt_number"], second["replayed"]), (200, 2, False))
    expect("not JSON", post(url, b"{not json")[0], 400)
    expect("no such resource", post(base + "/other", b"{}")[0], 404)


def read_lines(server: "subprocess.Popen[str]", lines: "queue.Queue[str]") -> None:
    for line in server.stdout or []:
        lines.put(line)


def main(argv: list[str]) -> int:
    with tempfile.TemporaryDirectory() as tmp:
        server = subprocess.Popen(
            [sys.executable, argv[1], "--port", "0", "--journal", str(Path(tmp) / "journal.db")],
            stdout=subprocess.PIPE, text=True)
        assert server.stdout is not None
        lines: queue.Queue[str] = queue.Queue()
        reader = threading.Thread(target=lambda: read_lines(server, lines), daemon=True)
        reader.start()
        try:
            first = lines.get(timeout=BOUND_S)
            expect("the first line", first.split("/receipts")[0].rsplit(":", 1)[0],
                   "serving on http://127.0.0.1")
            check(first.split()[-1].removesuffix("/receipts"))
            server.send_signal(signal.SIGINT)
            expect("exit status after Ctrl-C", server.wait(timeout=BOUND_S), 0)
            reader.join(timeout=BOUND_S)  # the rest of its output, up to the end of the pipe
        finally:
            if server.poll() is None:
                server.kill()
                server.wait()
    printed = []
    while not lines.empty():
        printed.append(lines.get().rstrip("\n"))
    expect("what it printed", printed, [
        "web-1: closed, receipt 1, total 2.70",
        "web-1: closed, receipt 1, total 2.70",
        "web-2: failed, receipt None, total None",
        "web-3: closed, receipt 2, total 2.70",
        "stopped",
    ])
    print("web_receipt: 6 requests answered as expected, stopped by Ctrl-C")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
