"""The simulated register for users' tests: on a pseudo-terminal, with its
switches, and what it printed."""

import os
import time
from decimal import Decimal

import pytest

import tavirel


@pytest.mark.parametrize("by_path", [False, True], ids=["register", "device path"])
def test_a_receipt_on_the_pseudo_terminal(tmp_path, by_path):
    link = tmp_path / "ecr"
    with tavirel.sim.PtyRegister(link_path=str(link)) as pty:
        assert pty.device.startswith("/dev/pts/")
        assert os.path.realpath(link) == pty.device
        with tavirel.Control(link if by_path else pty) as ecr:
            ecr.EuroSettings = tavirel.TVL_EUROSETTINGS_EURO
            ecr.open()
            assert ecr.opReparto(1, "PANE", Decimal("1.50"), 1) == tavirel.ResultCode.OP_OK
            assert ecr.opContante(1, Decimal("5")) == tavirel.ResultCode.OP_OK
            assert ecr.LastRest == Decimal("3.50")
        assert len(pty.receipts()) == 1
    assert pty.device == ""
    assert not os.path.lexists(link)


# (switch as the console takes it, what the next sale returns, the state it leaves)
SWITCHES = [
    ("fault error=22:1003", tavirel.ResultCode.EERR, {"faults": []}),
    ("fault no-reply#2", tavirel.ResultCode.OP_OK, {"faults": ["no-reply"]}),
    ("power off", tavirel.ResultCode.OP_ERR_NOCOLL, {"power": False}),
    ("cts off", tavirel.ResultCode.OP_ERR_NOCOLL, {"cts": False}),
]


@pytest.mark.parametrize("line, result, state", SWITCHES, ids=[row[0] for row in SWITCHES])
def test_console_switches(ecr, register, line, result, state):
    assert register.console(line) == f"OK {line}"
    assert ecr.opReparto(1, "PANE", Decimal("1.50"), 1) == result
    current = register.state()
    assert {name: current[name] for name in state} == state


def test_paper_out_and_back(ecr, register):
    register.run_out_of_paper()
    assert register.state()["paper_out"] is True
    assert ecr.opReparto(1, "PANE", Decimal("1.50"), 1) == tavirel.ResultCode.EERR
    assert (ecr.LastEERR, tavirel.error_kind(-1, ecr.LastEERR)) == (2, "paper-out")
    register.refill_paper()
    assert ecr.opRiavvioStampaDaFineCarta(1) == tavirel.ResultCode.OP_OK
    assert ecr.opReparto(1, "PANE", Decimal("1.50"), 1) == tavirel.ResultCode.OP_OK


def test_journal_text_shows_every_document(ecr, register):
    assert register.journal_text() == ""
    ecr.opReparto(1, "PANE", Decimal("1.50"), 1)
    ecr.opContante(1)
    ecr.opXTotFinGior(1)
    kinds = [kind for kind, _text, complete in register.documents() if complete]
    assert kinds == ["receipt", "report"]
    assert "PANE" in register.journal_text()
    assert register.receipts()[0] in register.journal_text()


def sell_on_register_kept_in(state):
    # The register and its control end with this call, releasing the file.
    register = tavirel.sim.Register(state_path=state, serial=777)
    with tavirel.Control(register) as ecr:
        ecr.EuroSettings = tavirel.TVL_EUROSETTINGS_EURO
        ecr.open()
        ecr.opReparto(1, "PANE", Decimal("1.50"), 1)
        ecr.opContante(1)
        number = ecr.LastNumSF
        ecr.opReadMatrFisc(1)
        return number, ecr.LastMatrFisc


def test_the_state_file_keeps_the_register(tmp_path):
    state = str(tmp_path / "state.json")
    assert sell_on_register_kept_in(state) == (1, 777)
    assert sell_on_register_kept_in(state) == (2, 777)


# (switch, result) in virtual time: the reply limits pass without waiting.
VIRTUAL = [
    ("no-reply", tavirel.ResultCode.OP_ERR_TIMEOUT),
    ("ack-delay=500", tavirel.ResultCode.OP_OK),
    ("reply-delay=3000", tavirel.ResultCode.OP_OK),
    ("reply-delay=12000", tavirel.ResultCode.OP_ERR_TIMEOUT),
]


@pytest.mark.parametrize("switch, result", VIRTUAL)
def test_virtual_time_passes_limits_at_once(switch, result):
    register = tavirel.sim.Register(virtual_time=True)
    with tavirel.Control(register) as ecr:
        ecr.EuroSettings = tavirel.TVL_EUROSETTINGS_EURO
        ecr.open()
        register.fault(switch)
        started = time.monotonic()
        assert ecr.opReparto(1, "PANE", Decimal("1.50"), 1) == result
        assert time.monotonic() - started < 2  # the limit is ten seconds of the line's time
        assert register.stats()["faults"][switch.split("=")[0]] == 1
