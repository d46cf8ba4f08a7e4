"""Every member of the control's table, by name, with its types checked."""

import datetime
import inspect
from decimal import Decimal

import pytest

import tavirel
from tavirel import _members

TABLE = _members.members()
METHODS = [m for m in TABLE if m.kind == "method"]
GETS = [m for m in TABLE if m.kind == "propget"]

# A value of each type to call with, and one of the wrong kind for it.
GOOD = {
    _members.VT_I2: 1,
    _members.VT_I4: 1,
    _members.VT_R4: Decimal("1.5"),
    _members.VT_CY: Decimal("1.00"),
    _members.VT_BSTR: "X",
    _members.VT_BOOL: True,
    _members.VT_DATE: datetime.datetime(2026, 12, 7, 10, 30),
}
WRONG = {
    _members.VT_I2: "1",
    _members.VT_I4: 1.0,
    _members.VT_R4: "1.5",
    _members.VT_CY: 1.5,
    _members.VT_BSTR: 1,
    _members.VT_BOOL: 1,
    _members.VT_DATE: "2026-12-07",
}
RESULT_TYPES = dict(_members.PYTHON_TYPES)


def test_table_is_the_library_s():
    # 67 operations, the port's methods, the settings and the result properties.
    assert sum(m.is_operation for m in METHODS) == 67
    names = {m.name for m in TABLE}
    assert {"PortOpen", "PortClose", "Settings", "COMPort", "EuroSettings", "LastImp"} <= names


@pytest.mark.parametrize("member", METHODS, ids=lambda m: m.name)
def test_method_signature_follows_the_table(member):
    function = getattr(tavirel.Control, member.name)
    params = list(inspect.signature(function).parameters.values())[1:]
    assert [p.name for p in params] == [row[0] for row in member.params]
    for param, (name, kind, optional, default) in zip(params, member.params):
        assert param.annotation is _members.PYTHON_TYPES[kind], name
        if optional:
            assert param.default == default, name
        else:
            assert param.default is inspect.Parameter.empty, name
    assert function.__doc__.startswith(member.signature)


def test_every_method_is_callable_by_name(ecr):
    # Keywords for every parameter: the table's names are the call's.
    for member in METHODS:
        if member.name in ("PortOpen", "PortClose"):
            continue
        arguments = {name: GOOD[kind] for name, kind, _opt, _def in member.params}
        result = getattr(ecr, member.name)(**arguments)
        if member.is_operation:
            assert isinstance(result, tavirel.ResultCode), member.name
            assert result in (tavirel.ResultCode.OP_OK, tavirel.ResultCode.EERR), member.name
        else:
            assert isinstance(result, RESULT_TYPES[member.result]), member.name
    ecr.PortClose()
    assert ecr.PortIsOpen() is False
    ecr.PortOpen()
    assert ecr.PortIsOpen() is True


def test_every_property_reads_as_its_type(ecr):
    assert ecr.opReparto(1, "PANE", Decimal("1.50"), 1) == tavirel.ResultCode.OP_OK
    for member in GETS:
        value = getattr(ecr, member.name)
        assert type(value) is RESULT_TYPES[member.result], member.name


@pytest.mark.parametrize("member", [m for m in METHODS if m.params], ids=lambda m: m.name)
def test_arguments_of_the_wrong_kind_are_refused(ecr, register, member):
    good = [GOOD[kind] for _name, kind, _opt, _def in member.params]
    for index, (name, kind, _opt, _def) in enumerate(member.params):
        arguments = list(good)
        arguments[index] = WRONG[kind]
        with pytest.raises(TypeError, match=name):
            getattr(ecr, member.name)(*arguments)
    # Refused before anything went out.
    assert register.stats()["frames"] == 1  # the probe of open()


def test_settings_are_read_write_and_the_rest_read_only(ecr):
    ecr.Settings = "19200,n,8,1"
    assert ecr.Settings == "19200,n,8,1"
    ecr.EuroSettings = tavirel.TVL_EUROSETTINGS_LIRE
    assert ecr.EuroSettings == tavirel.TVL_EUROSETTINGS_LIRE
    for name in ("LastImp", "Major", "LastNumSF"):
        with pytest.raises(AttributeError):
            setattr(ecr, name, 1)
    with pytest.raises(AttributeError):
        ecr.EuroSetting = 2  # a misspelt member is not a new attribute


# What brings each result code about, and its name in the enumeration.
OUTCOMES = [
    ("OP_OK", lambda ecr, reg: None),
    ("EERR", lambda ecr, reg: reg.fault("error=22")),
    ("OP_ERR_CHKS", lambda ecr, reg: reg.fault("bad-checksum")),
    ("OP_ERR_NOCOLL", lambda ecr, reg: reg.set_cts(False)),
    ("OP_ERR_PORTCLOSE", lambda ecr, reg: ecr.close()),
    ("OP_ERR_EUROLOCK", lambda ecr, reg: setattr(ecr, "EuroSettings", 0)),
]


@pytest.mark.parametrize("name, arrange", OUTCOMES, ids=[row[0] for row in OUTCOMES])
def test_outcomes_are_result_codes_by_the_library_s_names(ecr, register, name, arrange):
    arrange(ecr, register)
    result = ecr.opReparto(1, "PANE", Decimal("1.50"), 1)
    assert type(result) is tavirel.ResultCode
    assert result.name == name
