"""One exception per kind of error of the call, each a tavirel.Error with the
library's message; misuse from Python is TypeError or ValueError."""

import errno
import json
import os
import threading
from decimal import Decimal

import pytest

import tavirel

from conftest import wait_for

SALE = {"key": "sale-1", "lines": [{"department": 1, "description": "PANE", "price": "1.50"}],
        "payments": [{"type": "cash"}]}


def missing_device(ecr, register, tmp_path):
    tavirel.Control(str(tmp_path / "no-such-tty")).open()


def default_port_by_number(ecr, register, tmp_path):
    control = tavirel.Control()  # the port COMPort names
    control.COMPort = 40
    control.open()


def unreadable_settings(ecr, register, tmp_path):
    ecr.Settings = "fast,please"


def unknown_port_kind(ecr, register, tmp_path):
    tavirel.Control("ftp://host:21")


def unwritable_single(ecr, register, tmp_path):
    ecr.opSubTotPercPlus(1, float("nan"))


def cancelled_before_sending(ecr, register, tmp_path):
    ecr.cancel_wait()
    ecr.opReparto(1, "PANE", Decimal("1.50"), 1)


def no_such_member(ecr, register, tmp_path):
    ecr._call(9999, ())


def not_a_document(ecr, register, tmp_path):
    tavirel.documents.run(ecr, {"key": "k", "lines": "many"}, journal=tmp_path / "j.db")


def empty_journal_file(ecr, register, tmp_path):
    (tmp_path / "lost.db").write_bytes(b"")
    tavirel.documents.open_journal(tmp_path / "lost.db")


def same_key_other_content(ecr, register, tmp_path):
    journal = tavirel.documents.open_journal(tmp_path / "j.db")
    tavirel.documents.run(ecr, SALE, journal=journal)
    other = dict(SALE, lines=[{"department": 1, "description": "PANE", "price": "2.50"}])
    tavirel.documents.run(ecr, other, journal=journal)


def key_of_another_register(ecr, register, tmp_path):
    journal = tavirel.documents.open_journal(tmp_path / "j.db")
    tavirel.documents.run(ecr, SALE, journal=journal, register_name="till-1")
    tavirel.documents.run(ecr, SALE, journal=journal, register_name="till-2")


def malformed_switch(ecr, register, tmp_path):
    register.fault("no-reply#zero")


def damaged_state_file(ecr, register, tmp_path):
    (tmp_path / "state.json").write_text("{ not json")
    tavirel.sim.Register(state_path=str(tmp_path / "state.json"))


def second_control_on_one_register(ecr, register, tmp_path):
    tavirel.Control(register)


# (what goes wrong, the class, words of the library's message)
ERRORS = [
    (missing_device, tavirel.PortError, "no-such-tty"),
    (default_port_by_number, tavirel.PortError, "ttyS39"),
    (unreadable_settings, tavirel.SettingsError, "fast,please"),
    (unknown_port_kind, tavirel.SettingsError, "ftp://"),
    (unwritable_single, tavirel.ConversionError, "Perc"),
    (cancelled_before_sending, tavirel.CancelledError, "nothing was sent"),
    (no_such_member, tavirel.DispatchError, "9999"),
    (not_a_document, tavirel.DocumentError, "lines"),
    (empty_journal_file, tavirel.JournalError, "lost.db"),
    (same_key_other_content, tavirel.KeyConflictError, "sale-1"),
    (key_of_another_register, tavirel.RegisterMismatchError, "till-"),
    (malformed_switch, tavirel.SimError, "no-reply#zero"),
    (damaged_state_file, tavirel.StateFileError, "state.json"),
    (second_control_on_one_register, tavirel.SimError, "another control"),
]


@pytest.mark.parametrize("cause, error, words", ERRORS, ids=[row[0].__name__ for row in ERRORS])
def test_each_kind_of_error_is_its_exception(ecr, register, tmp_path, cause, error, words):
    with pytest.raises(error, match=words) as raised:
        cause(ecr, register, tmp_path)
    assert isinstance(raised.value, tavirel.Error)
    # No other kind matches it: the translation picked the most derived class.
    kinds = [e for _c, e, _w in ERRORS if isinstance(raised.value, e)]
    assert all(issubclass(error, kind) for kind in kinds)


def test_errors_carry_their_details(ecr, tmp_path):
    with pytest.raises(tavirel.PortError) as port:
        tavirel.Control(str(tmp_path / "no-such-tty")).open()
    assert port.value.errno == errno.ENOENT
    with pytest.raises(tavirel.DocumentError) as document:
        tavirel.documents.run(ecr, json.dumps({"key": "k", "lines": "many", "x": 1}), journal=tmp_path / "j")
    assert dict(document.value.problems) == {
        "lines": "must be a list", "payments": "is missing", "x": "is not a field here"}
    ecr.cancel_wait()
    with pytest.raises(tavirel.CancelledError) as cancelled:
        ecr.opSubTot(1)
    assert cancelled.value.request_sent is False


def test_a_call_from_another_thread_while_one_waits_is_busy(ecr, register):
    register.fault("no-reply")
    seen = {}

    def meanwhile():
        wait_for(lambda: ecr.busy, "the wait")
        for name, call in (("call", lambda: ecr.opSubTot(1)), ("read", lambda: ecr.LastImp),
                           ("write", lambda: setattr(ecr, "EuroSettings", 1))):
            try:
                call()
            except tavirel.BusyError as error:
                seen[name] = str(error)
        ecr.cancel_wait()

    helper = threading.Thread(target=meanwhile)
    helper.start()
    with pytest.raises(tavirel.CancelledError):
        ecr.opReparto(1, "PANE", Decimal("1.50"), 1)
    helper.join()
    assert sorted(seen) == ["call", "read", "write"]
    assert ecr.EuroSettings == tavirel.TVL_EUROSETTINGS_EURO  # the write never happened
