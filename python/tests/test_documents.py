"""Documents run once: a key the journal holds is answered from it, and a
document cut short by Ctrl-C is resolved, never printed twice."""

import json
import os
import signal
import threading
from decimal import Decimal

import pytest

import tavirel

from conftest import wait_for


def receipt(key, *prices):
    return {"key": key, "operator": 1,
            "lines": [{"department": 1, "description": f"ART {i}", "price": p}
                      for i, p in enumerate(prices)],
            "payments": [{"type": "cash"}]}


def test_a_receipt_and_its_outcome(ecr, register, tmp_path):
    out = tavirel.documents.run(ecr, receipt("pos1-1", "1.50", "0.20"), journal=tmp_path / "j.db")
    assert (out["status"], out["total"], out["paid"], out["replayed"]) == (
        "closed", "1.70", "1.70", False)
    assert out["receipt_number"] == 1
    assert len(register.receipts()) == 1
    assert "1,70" in register.receipts()[0]


# How the same key comes again: the same runner, a new runner on the same
# journal file, JSON text instead of a dict, amounts written otherwise.
AGAIN = [
    ("same runner", lambda runner, ecr, path: runner.run(receipt("k", "1.50"))),
    ("new runner", lambda runner, ecr, path: tavirel.documents.run(ecr, receipt("k", "1.50"),
                                                                 journal=path)),
    ("json text", lambda runner, ecr, path: tavirel.documents.run(
        ecr, json.dumps(receipt("k", "1.50")), journal=path)),
    ("other spelling", lambda runner, ecr, path: tavirel.documents.run(
        ecr, receipt("k", "1.5"), journal=path)),
]


@pytest.mark.parametrize("how, again", AGAIN, ids=[row[0] for row in AGAIN])
def test_a_document_replayed_by_key_prints_once(ecr, register, tmp_path, how, again):
    path = tmp_path / "journal.db"
    runner = tavirel.documents.Runner(ecr, path)
    first = runner.run(receipt("k", "1.50"))
    frames = register.stats()["frames"]
    second = again(runner, ecr, path)
    assert first["status"] == second["status"] == "closed"
    assert (first["replayed"], second["replayed"]) == (False, True)
    assert second["receipt_number"] == first["receipt_number"]
    assert register.stats()["frames"] == frames  # answered without the register
    assert len(register.receipts()) == 1


def test_a_document_cut_short_by_ctrl_c_is_resolved_and_printed_once(ecr, register, tmp_path):
    path = tmp_path / "journal.db"
    register.fault("no-reply:1036")  # the payment's reply is lost; the register carried it out

    def interrupt():
        wait_for(lambda: register.stats()["faults"]["no-reply"] == 1, "the lost reply")
        os.kill(os.getpid(), signal.SIGINT)

    helper = threading.Thread(target=interrupt)
    helper.start()
    with pytest.raises(KeyboardInterrupt):
        tavirel.documents.run(ecr, receipt("cut", "2.00"), journal=path)
    helper.join()
    assert len(register.receipts()) == 1  # printed by the payment whose reply was lost
    # Run again, as after a restart: resolved by a reading, not sent again.
    out = tavirel.documents.run(ecr, receipt("cut", "2.00"), journal=path)
    assert out["status"] == "closed"
    assert out["replayed"] is False
    assert len(register.receipts()) == 1
    again = tavirel.documents.run(ecr, receipt("cut", "2.00"), journal=path)
    assert again["replayed"] is True and len(register.receipts()) == 1


def test_preflight_refuses_with_nothing_sent(ecr, register, tmp_path):
    out = tavirel.documents.run(ecr, receipt("bad", "-1.50"), journal=tmp_path / "j.db")
    assert out["status"] == "failed"
    assert out["failed_step"]["problems"]
    assert register.stats()["frames"] == 1  # the probe alone
    assert register.receipts() == []
