"""Fails when docs/python.md's first receipt is not examples/python/first_receipt.py.

The first Python block under "## A first receipt" must be the example file
less its opening docstring.
Usage: doc_snippet_check.py DOC EXAMPLE
"""

import re
import sys
from pathlib import Path


def main(argv: list[str]) -> int:
    doc = Path(argv[1]).read_text(encoding="utf-8")
    section = doc.partition("## A first receipt")[2]
    block = re.search(r"```python\n(.*?)```", section, re.S)
    if not section or not block:
        print(f"{argv[1]}: no Python block under '## A first receipt'", file=sys.stderr)
        return 1
    example = Path(argv[2]).read_text(encoding="utf-8")
    body = re.sub(r'\A"""(.*?)"""\n+', "", example, flags=re.S)
    if block.group(1) != body:
        print(f"{argv[1]}'s first receipt differs from {argv[2]}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
