"""Keeps the documentation's Python snippets true.

  doc_snippet_check.py same DOC SECTION EXAMPLE
      the first Python block under the heading SECTION must be the EXAMPLE
      file less its opening docstring;
  doc_snippet_check.py run DOC SECTION EXPECTED
      the block, run with the module, must print EXPECTED ("\\n" between lines).
"""

import re
import subprocess
import sys
from pathlib import Path

BOUND_S = 120


def snippet(doc: str, section: str) -> str | None:
    text = Path(doc).read_text(encoding="utf-8").partition(f"\n{section}\n")[2]
    block = re.search(r"```python\n(.*?)```", text, re.S)
    return block.group(1) if text and block else None


def main(argv: list[str]) -> int:
    mode, doc, section, other = argv[1:5]
    code = snippet(doc, section)
    if code is None:
        print(f"{doc}: no Python block under '{section}'", file=sys.stderr)
        return 1
    if mode == "same":
        example = Path(other).read_text(encoding="utf-8")
        if code != re.sub(r'\A"""(.*?)"""\n+', "", example, flags=re.S):
            print(f"{doc}: the block under '{section}' differs from {other}", file=sys.stderr)
            return 1
        return 0
    run = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=BOUND_S)
    expected = other.replace("\\n", "\n")
    if run.returncode != 0 or run.stdout.rstrip("\n") != expected:
        print(f"{doc}: the block under '{section}' exited with {run.returncode}, printed:\n"
              f"{run.stdout}{run.stderr}expected:\n{expected}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
