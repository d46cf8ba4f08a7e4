"""tavirel: the driver of the fiscal cash register, for Python.

    import tavirel
    from decimal import Decimal

    sim = tavirel.sim.Register()
    with tavirel.Control(sim) as ecr:
        ecr.EuroSettings = tavirel.TVL_EUROSETTINGS_EURO
        ecr.open()
        rc = ecr.opReparto(CodOpr=1, DescProd="PANE", Prezzo=Decimal("1.50"), Rep=1)
        assert rc == tavirel.ResultCode.OP_OK

Every member of the control is a method or an attribute of Control, by the
name and with the parameter names the interface gives it. Money is
decimal.Decimal in the currency of EuroSettings (floats are refused), dates
are datetime.datetime. Errors of the call are exceptions under tavirel.Error;
outcomes are ResultCode values. A call that waits on the line releases the
GIL; Ctrl-C ends the wait with KeyboardInterrupt.
"""

from __future__ import annotations

import enum as _enum
import os as _os

from . import _core
from . import _members
from ._core import (
    BusyError,
    CancelledError,
    ConversionError,
    DamagedRowError,
    DispatchError,
    DocumentError,
    Error,
    JournalError,
    KeyConflictError,
    PortError,
    RegisterMismatchError,
    SettingsError,
    SimError,
    StateFileError,
    TVL_EUROSETTINGS_EURO,
    TVL_EUROSETTINGS_LIRE,
    TVL_EUROSETTINGS_UNKNOWN,
    error_kind,
    error_text,
)

__version__ = _core.__version__

ResultCode = _enum.IntEnum("ResultCode", _core.result_codes(), module=__name__)
ResultCode.__doc__ = "The result of an operation, by the library's names (OP_OK, EERR, ...)."

_RESULT_BY_VALUE = {code.value: code for code in ResultCode}


class Control(_core.Control):
    """The fiscal register control on one port.

    Control(port) takes a port name ("/dev/ttyUSB0", "tcp://host:4001",
    "rfc2217://host:4001"), a tavirel.sim.Register (in process, or its
    pseudo-terminal for a PtyRegister), or None for the port COMPort names.
    Used as a context manager it closes the port at the end.

    One call at a time: a call from another thread while one waits raises
    BusyError; cancel_wait() may be called from any thread.
    """

    __slots__ = ()

    def __init__(self, port: str | _os.PathLike[str] | sim.Register | None = None) -> None:
        super().__init__(_os.fspath(port) if isinstance(port, _os.PathLike) else port)

    def open(self) -> None:
        """Opens the port and makes sure a register answers (PortOpen)."""
        self.PortOpen()

    def close(self) -> None:
        """Closes the port (PortClose); nothing when it is closed."""
        self.PortClose()

    def __enter__(self) -> Control:
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def __repr__(self) -> str:
        try:
            return f"<tavirel.Control {self.Settings} open={self.PortIsOpen()}>"
        except BusyError:  # another thread's call waits on it
            return "<tavirel.Control busy>"


_members.install(Control, _RESULT_BY_VALUE)

from . import documents  # noqa: E402  (they use Control)
from . import sim  # noqa: E402

__all__ = [
    "BusyError", "CancelledError", "Control", "ConversionError", "DamagedRowError",
    "DispatchError", "DocumentError", "Error", "JournalError", "KeyConflictError", "PortError",
    "RegisterMismatchError", "ResultCode", "SettingsError", "SimError", "StateFileError",
    "TVL_EUROSETTINGS_EURO", "TVL_EUROSETTINGS_LIRE", "TVL_EUROSETTINGS_UNKNOWN", "documents",
    "error_kind", "error_text", "sim",
]
