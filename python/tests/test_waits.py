"""Waits on the line: other Python threads run meanwhile, Ctrl-C ends them,
and the FPError callback runs on the calling thread."""

import os
import signal
import threading
import time
from decimal import Decimal

import pytest

import tavirel

from conftest import wait_for

# Ctrl-C must end a wait within this long after the signal.
INTERRUPT_BOUND = 0.1


def sale(ecr):
    return ecr.opReparto(1, "PANE", Decimal("1.50"), 1)


def test_other_threads_run_while_a_call_waits(ecr, register):
    register.fault("no-reply")  # the line goes silent after the ACK
    progress = {"during": 0}

    def meanwhile():
        wait_for(lambda: ecr.busy, "the wait")
        # Pure Python work, which needs the GIL the waiting call released.
        while progress["during"] < 100_000:
            progress["during"] += 1
        progress["still_busy"] = ecr.busy
        ecr.cancel_wait()

    helper = threading.Thread(target=meanwhile)
    started = time.monotonic()
    helper.start()
    with pytest.raises(tavirel.CancelledError) as cancelled:
        sale(ecr)
    helper.join()
    assert cancelled.value.request_sent is True
    assert progress == {"during": 100_000, "still_busy": True}
    assert time.monotonic() - started < 8  # cancelled, not the reply's 10 s limit
    assert sale(ecr) == tavirel.ResultCode.OP_OK  # the control goes on


def interrupt_wait(call, is_waiting):
    """Sends SIGINT to this process once `is_waiting()`, while the main
    thread makes `call`; the time from the signal to KeyboardInterrupt."""
    sent = {}

    def interrupt():
        wait_for(is_waiting, "the wait")
        sent["at"] = time.perf_counter()
        os.kill(os.getpid(), signal.SIGINT)

    helper = threading.Thread(target=interrupt)
    helper.start()
    try:
        call()
    except KeyboardInterrupt:
        ended = time.perf_counter()
    else:
        pytest.fail("the call ended without KeyboardInterrupt")
    finally:
        helper.join()
    return ended - sent["at"]


@pytest.mark.parametrize("attempt", range(5))
def test_ctrl_c_ends_a_wait(ecr, register, attempt):
    register.fault("no-reply")
    latency = interrupt_wait(lambda: sale(ecr), lambda: ecr.busy)
    print(f"Ctrl-C latency {latency * 1000:.1f} ms")
    assert latency < INTERRUPT_BOUND
    # Nothing is left behind: no cancel waits for the next call.
    assert sale(ecr) == tavirel.ResultCode.OP_OK
    assert register.stats()["faults"]["no-reply"] == 1


def test_ctrl_c_ends_the_probe_of_open(register):
    register.fault("no-reply")
    with tavirel.Control(register) as ecr:
        ecr.EuroSettings = tavirel.TVL_EUROSETTINGS_EURO  # else the probe is not sent
        latency = interrupt_wait(ecr.open, lambda: register.stats()["frames"] == 1)
        assert latency < INTERRUPT_BOUND
        assert ecr.PortIsOpen()  # the port stays open, as after a cancel


# (switch or arrangement, the result, the callback's (ErrorLevel, ErrorCode))
FAILURES = [
    ("error=22", tavirel.ResultCode.EERR, (-1, 22)),
    ("bad-checksum", tavirel.ResultCode.OP_ERR_CHKS, (4, 0)),
    ("cts", tavirel.ResultCode.OP_ERR_NOCOLL, (1, 0)),
]


@pytest.mark.parametrize("switch, result, event", FAILURES)
def test_fperror_reaches_the_callback(ecr, register, switch, result, event):
    calls = []
    ecr.FPError = lambda level, code: calls.append((level, code, threading.get_ident(), ecr.busy))
    if switch == "cts":
        register.set_cts(False)
    else:
        register.fault(switch)
    assert sale(ecr) == result
    assert calls == [(*event, threading.get_ident(), True)]
    ecr.FPError = None
    register.set_cts(True)
    register.fault(switch if switch != "cts" else "error=21")
    sale(ecr)
    assert len(calls) == 1


def test_an_exception_in_the_callback_ends_the_call(ecr, register):
    def refuse(level, code):
        raise LookupError(f"no handler for {level}/{code}")

    ecr.FPError = refuse
    register.fault("error=22")
    with pytest.raises(LookupError, match="-1/22"):
        sale(ecr)
    assert ecr.busy is False
    assert sale(ecr) == tavirel.ResultCode.OP_OK
    with pytest.raises(TypeError):
        ecr.FPError = 42
