"""Shared fixtures: a control open on a simulated register in process."""

import time

import pytest

import tavirel


@pytest.fixture
def register():
    return tavirel.sim.Register()


@pytest.fixture
def ecr(register):
    with tavirel.Control(register) as control:
        control.EuroSettings = tavirel.TVL_EUROSETTINGS_EURO
        control.open()
        yield control


def wait_for(condition, what, bound=10.0):
    """Waits until `condition()` holds, for at most `bound` seconds (a loaded
    machine is slow, so the bound is generous); fails naming `what`."""
    deadline = time.monotonic() + bound
    while not condition():
        if time.monotonic() > deadline:
            pytest.fail(f"{what} did not happen within {bound} s")
        time.sleep(0.001)
