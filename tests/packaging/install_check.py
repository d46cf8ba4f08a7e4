"""Checks an installed tavirel package outside the build tree.

The package is laid out in a fresh folder one of three ways, then a separate
interpreter imports it from there alone and sells a line on the in-process
simulated register:
  install_check.py --cmake BUILD_DIR   cmake --install BUILD_DIR --component python
  install_check.py --deb DEB...        dpkg -x of each package given (the module's,
                                       and the shared library's when it links it)
  install_check.py --site DIR          a folder already holding tavirel/ (pip --target)
The package must hold the extension, the Python layer, the stubs and py.typed;
a package laid out by CMake or dpkg no byte code (the interpreter writes it,
or a Debian package's postinst), where pip compiles it on installing.
"""

import os
import subprocess
import sys
import tempfile
from pathlib import Path

BOUND_S = 300
REQUIRED = ["__init__.py", "documents.py", "sim.py", "__init__.pyi", "documents.pyi", "sim.pyi", "py.typed"]

PROBE = """
import sys, tavirel
from decimal import Decimal
print(tavirel.__file__)
with tavirel.Control(tavirel.sim.Register()) as ecr:
    ecr.EuroSettings = tavirel.TVL_EUROSETTINGS_EURO
    ecr.open()
    rc = ecr.opReparto(1, "PANE", Decimal("1.50"), 1)
    print(rc.name)
"""


def lay_out(mode: str, args: list[str], root: Path) -> dict[str, str]:
    """Fills root; returns what the interpreter's environment needs besides."""
    if mode == "--cmake":
        subprocess.run(["cmake", "--install", args[0], "--component", "python", "--prefix", str(root)],
                       check=True, stdout=subprocess.DEVNULL, timeout=BOUND_S)
        return {}
    if mode == "--deb":
        for deb in args:
            subprocess.run(["dpkg-deb", "-x", deb, str(root)], check=True, timeout=BOUND_S)
        # The shared library's package, when given, in place of the system's folders.
        libraries = sorted({str(p.parent) for p in root.glob("usr/lib/*/libtavirel.so.*")})
        return {"LD_LIBRARY_PATH": ":".join(libraries)} if libraries else {}
    raise SystemExit(f"install_check: unknown mode {mode}")


def check(root: Path, extra_env: dict[str, str], bytecode_allowed: bool) -> list[str]:
    packages = [p.parent for p in root.glob("**/tavirel/__init__.py")]
    if len(packages) != 1:
        return [f"expected one package tavirel/ under {root}, found {len(packages)}"]
    package = packages[0]
    problems = [f"{name} missing" for name in REQUIRED if not (package / name).is_file()]
    if not list(package.glob("_core.cpython-*.so")):
        problems.append("the extension _core.cpython-*.so missing")
    if not bytecode_allowed and list(package.rglob("__pycache__")):
        problems.append("byte code installed (__pycache__)")
    env = {k: v for k, v in os.environ.items() if not k.startswith("PYTHON")}
    env.update(extra_env, PYTHONPATH=str(package.parent), PYTHONDONTWRITEBYTECODE="1", PYTHONNOUSERSITE="1")
    probe = subprocess.run([sys.executable, "-c", PROBE], cwd=root, env=env, capture_output=True, text=True,
                           timeout=BOUND_S)
    if probe.returncode != 0:
        return problems + [f"import failed:\n{probe.stderr}"]
    imported, result = probe.stdout.split()
    if not Path(imported).resolve().is_relative_to(package.resolve()):
        problems.append(f"imported {imported}, not the installed package in {package}")
    if result != "OP_OK":
        problems.append(f"a sale line on the simulated register returned {result}")
    print(f"install_check: {package.relative_to(root)} imported, a sale line {result}")
    return problems


def main(argv: list[str]) -> int:
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    if argv[1] == "--site":
        problems = check(Path(argv[2]).resolve(), {}, bytecode_allowed=True)
    else:
        with tempfile.TemporaryDirectory() as tmp:
            root = Path(tmp)
            problems = check(root, lay_out(argv[1], argv[2:], root), bytecode_allowed=False)
    for problem in problems:
        print(f"install_check: {problem}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
