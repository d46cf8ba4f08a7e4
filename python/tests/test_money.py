"""Money as decimal.Decimal in the currency of the mode, exact both ways."""

from decimal import Decimal

import pytest

import tavirel

EURO, LIRE = tavirel.TVL_EUROSETTINGS_EURO, tavirel.TVL_EUROSETTINGS_LIRE


def open_control(lire):
    register = tavirel.sim.Register(lire=lire)
    control = tavirel.Control(register)
    control.EuroSettings = LIRE if lire else EURO
    control.open()
    return register, control


# (lire, prices of the lines, the subtotal read back, its text)
SUMS = [
    (False, [Decimal("0.10"), Decimal("0.20")], Decimal("0.30"), "0.30"),
    (False, [Decimal("0.1"), Decimal("0.2")], Decimal("0.30"), "0.30"),
    (False, [Decimal("1E+1"), 2], Decimal("12.00"), "12.00"),
    (False, [Decimal("9999.99"), Decimal("0.01")], Decimal("10000.00"), "10000.00"),
    (False, [Decimal("1.10"), Decimal("2.20"), Decimal("3.30")], Decimal("6.60"), "6.60"),
    (True, [Decimal("1500"), 700], Decimal("2200"), "2200"),
    (True, [Decimal("1.5E+3")], Decimal("1500"), "1500"),
]


@pytest.mark.parametrize("lire, prices, subtotal, text", SUMS)
def test_amounts_add_up_exactly(lire, prices, subtotal, text):
    register, ecr = open_control(lire)
    with ecr:
        for price in prices:
            assert ecr.opReparto(1, "ART", price, 1) == tavirel.ResultCode.OP_OK
            assert ecr.LastImp == price and type(ecr.LastImp) is Decimal
        assert ecr.opSubTot(1) == tavirel.ResultCode.OP_OK
        assert ecr.LastSubTotFisc == subtotal
        assert str(ecr.LastSubTotFisc) == text
        assert ecr.opContante(1, subtotal + 1) == tavirel.ResultCode.OP_OK
        assert str(ecr.LastRest) == ("1" if lire else "1.00")


# (lire, price, exception, words of the message)
REFUSED = [
    (False, 1.5, TypeError, "Prezzo takes a decimal.Decimal or an int, not float"),
    (False, 0.1 + 0.2, TypeError, "not float"),
    (False, "1.50", TypeError, "not str"),
    (False, True, TypeError, "not bool"),
    (False, Decimal("1.505"), ValueError, "not exact in euro cents"),
    (False, Decimal("NaN"), ValueError, "not a finite amount"),
    (False, Decimal("-Infinity"), ValueError, "not a finite amount"),
    (False, Decimal("1E+30"), ValueError, "too large"),
    (True, Decimal("1500.5"), ValueError, "not exact in whole lire"),
    (True, Decimal("0.01"), ValueError, "not exact in whole lire"),
]


@pytest.mark.parametrize("lire, price, error, words", REFUSED)
def test_inexact_or_binary_amounts_are_refused_before_sending(lire, price, error, words):
    register, ecr = open_control(lire)
    with ecr:
        with pytest.raises(error, match=words):
            ecr.opReparto(1, "ART", price, 1)
        assert register.stats()["frames"] == 1  # the probe alone


def test_an_unset_mode_keeps_the_amount_as_it_is():
    register = tavirel.sim.Register()
    with tavirel.Control(register) as ecr:
        ecr.open()  # the port opens; without a mode nothing is sent
        # Four decimals are the most an amount carries before a mode says more.
        assert ecr.opReparto(1, "ART", Decimal("1.2345"), 1) == tavirel.ResultCode.OP_ERR_EUROLOCK
        with pytest.raises(ValueError, match="four decimals"):
            ecr.opReparto(1, "ART", Decimal("1.23456"), 1)
        assert ecr.LastImp == 0


# (given quantity, as read back): a Single in and out by its shortest digits.
QUANTITIES = [
    (Decimal("0.285"), Decimal("0.285")),
    (Decimal("1.5"), Decimal("1.5")),
    (2, Decimal("2")),
    (0.125, Decimal("0.125")),
]


@pytest.mark.parametrize("given, read", QUANTITIES)
def test_quantities_come_back_as_written(ecr, given, read):
    assert ecr.opRepartoQDec(1, "ART", given, Decimal("2.00"), 1) == tavirel.ResultCode.OP_OK
    assert ecr.LastQta == read and type(ecr.LastQta) is Decimal


def test_dates_are_datetimes(ecr):
    assert ecr.opReadDataOra() == tavirel.ResultCode.OP_OK
    stamp = ecr.LastDate
    assert type(stamp) is __import__("datetime").datetime
    assert (stamp.day, stamp.month, stamp.year % 100, stamp.hour, stamp.minute) == (
        ecr.LastGG, ecr.LastMM, ecr.LastAA, ecr.LastHH, ecr.LastMin)
    assert stamp.year >= 2000
