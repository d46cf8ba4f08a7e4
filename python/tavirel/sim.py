"""The simulated register, for tests of programs that drive the register.

    reg = tavirel.sim.Register()            # in process: tavirel.Control(reg)
    pty = tavirel.sim.PtyRegister()         # on a pseudo-terminal: pty.device
    reg.fault("no-reply#1")                 # fault switches: name[=param][@RATE|#N|:CODE]
    reg.receipts()                          # the receipts it printed, as texts

Switches: off, no-ack, no-reply, ack-delay, reply-delay, bad-checksum, noise,
trailing, error, paper-end, long, short ("error=22:1046" refuses the next
1046 with error 22; "noise@0.1" adds noise to a tenth of the replies).
"""

from __future__ import annotations

import json
from typing import Any, Iterable

from . import _core


class Register(_core.SimRegister):
    """A simulated register in this process.

    Register(lire=False, serial=123456, faults=(), state_path="", seed=1,
    virtual_time=False): a new register in euro (or lire), with its fiscal
    serial number, fault switches armed from the start, and a state file it
    starts from and keeps every change in ("" for none). One Control at a
    time connects to it in process.

    In real time a thread serves the line and waits last as long as they
    would on a wire. With virtual_time=True the exchanges run on the
    caller's thread on a clock that only the waits move: a lost reply's
    ten-second limit passes at once, so tests of timeouts and faults take
    no time (Ctrl-C and other threads then have no wait to act in).
    Thread-safe.
    """

    def __init__(self, lire: bool = False, serial: int = 123456, faults: Iterable[str] = (),
                 state_path: str = "", seed: int = 1, virtual_time: bool = False) -> None:
        super().__init__(lire=lire, serial=serial, faults=list(faults), state_path=str(state_path),
                         seed=seed, virtual_time=virtual_time)

    def state(self) -> dict[str, Any]:
        """The switches and the day, as a dict (power, cts, paper_out, faults, phase, clock, ...)."""
        return json.loads(self.state_json())

    def receipts(self) -> list[str]:
        """The text of each receipt printed to its end, oldest first (the latest 64 documents)."""
        return [text for kind, text, complete in self.documents() if kind == "receipt" and complete]

    def journal_text(self) -> str:
        """Every document in the journal's window, one after the other."""
        return "".join(text for _kind, text, _complete in self.documents())

    def __enter__(self) -> Register:
        return self

    def __exit__(self, *exc: object) -> None:
        self.stop_pty()


class PtyRegister(Register):
    """A simulated register served on a pseudo-terminal it creates.

    `device` is the terminal's path (/dev/pts/N), which tavirel.Control, or
    any program, opens as a serial port; `link_path` asks for a symbolic link
    to it as well. close() (or the end of a with block) stops serving it.
    """

    def __init__(self, lire: bool = False, serial: int = 123456, faults: Iterable[str] = (),
                 state_path: str = "", seed: int = 1, link_path: str = "") -> None:
        super().__init__(lire=lire, serial=serial, faults=faults, state_path=state_path, seed=seed)
        self.start_pty(str(link_path))

    def close(self) -> None:
        """Stops serving the terminal."""
        self.stop_pty()
