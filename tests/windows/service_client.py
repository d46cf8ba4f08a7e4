#!/usr/bin/python3
"""A client of tavireld on the Linux side, for scripts/test-windows.

Waits (up to --wait seconds) for the service's /healthz to answer, then, when
a document is given, posts it to the register with the token read from the
token file and prints the outcome as JSON on one line. Exits 1 when the
service does not answer in time or the outcome does not say "closed" with
the expected total.

  service_client.py URL [--token-file F --register R --document JSON --total T] [--wait S]
"""
import argparse
import json
import sys
import time
import urllib.error
import urllib.request


def healthy(url, wait):
    deadline = time.monotonic() + wait
    while time.monotonic() < deadline:
        try:
            with urllib.request.urlopen(url + "/healthz", timeout=5) as answer:
                if answer.status == 200:
                    return True
        except (urllib.error.URLError, ConnectionError, OSError):
            pass
        time.sleep(0.2)
    return False


def post(url, token, register, document):
    body = json.dumps(document).encode()
    request = urllib.request.Request(
        f"{url}/v1/registers/{register}/documents?wait=60", data=body, method="POST",
        headers={"Authorization": "Bearer " + token, "Content-Type": "application/json",
                 "Idempotency-Key": document["key"]})
    try:
        with urllib.request.urlopen(request, timeout=90) as answer:
            return answer.status, json.loads(answer.read())
    except urllib.error.HTTPError as error:
        return error.code, json.loads(error.read() or b"{}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("url")
    parser.add_argument("--token-file")
    parser.add_argument("--register")
    parser.add_argument("--document")
    parser.add_argument("--total")
    parser.add_argument("--wait", type=float, default=60)
    options = parser.parse_args()
    if not healthy(options.url, options.wait):
        print(f"service_client: {options.url}/healthz did not answer in {options.wait} s",
              file=sys.stderr)
        return 1
    if not options.document:
        return 0
    with open(options.token_file, encoding="ascii") as f:
        token = f.read().strip()
    status, outcome = post(options.url, token, options.register, json.loads(options.document))
    print(json.dumps(outcome, sort_keys=True))
    if status != 200 or outcome.get("status") != "closed" or outcome.get("total") != options.total:
        print(f"service_client: HTTP {status}, expected a closed receipt of {options.total}",
              file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
