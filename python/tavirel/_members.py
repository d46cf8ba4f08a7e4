"""Builds the Control class's members from the library's member table.

Every method, property and docstring comes from the table the extension
reads out of the library (names, parameters, types, defaults) and from the
operations reference's words: nothing here lists a member by hand.
"""

import datetime
import decimal
import keyword

from . import _core

# Automation type numbers, as the member table gives them.
VT_EMPTY, VT_I2, VT_I4, VT_R4, VT_CY, VT_DATE, VT_BSTR, VT_BOOL, VT_VARIANT = (
    0, 2, 3, 4, 6, 7, 8, 11, 12)

# The Python type a value of each Automation type is given as (and taken as,
# besides int for amounts and int/float for Single).
PYTHON_TYPES = {
    VT_EMPTY: type(None),
    VT_I2: int,
    VT_I4: int,
    VT_R4: decimal.Decimal,
    VT_CY: decimal.Decimal,
    VT_DATE: datetime.datetime,
    VT_BSTR: str,
    VT_BOOL: bool,
    VT_VARIANT: object,
}


class Member:
    """One row of the member table."""

    __slots__ = ("id", "name", "kind", "params", "result", "signature", "is_operation")

    def __init__(self, row):
        (self.id, self.name, self.kind, self.params, self.result, self.signature,
         self.is_operation) = row


def members():
    """The member table, in slot order."""
    return [Member(row) for row in _core.members()]


def _words():
    operations = dict(_core.operation_texts())
    parameters = {}
    for operation, parameter, meaning in _core.parameter_texts():
        parameters[(operation, parameter)] = meaning
    return operations, parameters


def _docstring(member, operations, parameters):
    lines = [member.signature]
    what = operations.get(member.name)
    if what:
        lines += ["", what]
    described = []
    for name, _type, _optional, _default in member.params:
        meaning = parameters.get((member.name, name)) or parameters.get(("", name))
        if meaning:
            described.append(f"    {name}: {meaning}")
    if described:
        lines += ["", "Args:"] + described
    if member.is_operation:
        lines += ["", "Returns a ResultCode; the reply fills the Last... properties."]
    return "\n".join(lines)


def _method(member, result_codes, doc):
    names = [p[0] for p in member.params]
    for name in [member.name] + names:
        if not name.isidentifier() or keyword.iskeyword(name):
            raise RuntimeError(f"member table: {name!r} is not a Python name")
    namespace = {"_RC": result_codes}
    signature = []
    for index, (name, _type, optional, default) in enumerate(member.params):
        if optional:
            namespace[f"_d{index}"] = default
            signature.append(f"{name}=_d{index}")
        else:
            signature.append(name)
    arguments = "".join(f"{n}, " for n in names)
    if member.is_operation:
        # Every argument is passed (the defaults too): the operation runs as bound.
        body = f"    r = self._run({member.id}, ({arguments}))\n    return _RC.get(r, r)\n"
    else:
        body = f"    return self._call({member.id}, ({arguments}))\n"
    source = f"def {member.name}(self, {', '.join(signature)}):\n{body}"
    exec(compile(source, f"<tavirel member {member.name}>", "exec"), namespace)
    function = namespace[member.name]
    function.__doc__ = doc
    function.__qualname__ = f"Control.{member.name}"
    function.__module__ = "tavirel"
    annotations = {p[0]: PYTHON_TYPES[p[1]] for p in member.params}
    annotations["return"] = int if member.is_operation else PYTHON_TYPES[member.result]
    function.__annotations__ = annotations
    return function


def _property(get_id, put_id, doc):
    def fget(self):
        return self._get(get_id)

    if put_id is None:
        return property(fget, doc=doc)

    def fset(self, value):
        self._put(put_id, value)

    return property(fget, fset, doc=doc)


def install(cls, result_codes):
    """Adds every member of the table to `cls`."""
    operations, parameters = _words()
    table = members()
    puts = {m.name: m.id for m in table if m.kind == "propput"}
    for member in table:
        if hasattr(cls, member.name) and member.kind != "propput":
            raise RuntimeError(f"member table: {member.name} is already defined")
        if member.kind == "method":
            doc = _docstring(member, operations, parameters)
            setattr(cls, member.name, _method(member, result_codes, doc))
        elif member.kind == "propget":
            doc = member.signature
            if member.name.startswith("Last") and member.result == VT_CY:
                doc += " (in the currency of EuroSettings: 1.50 in euro, 1500 in lire)"
            setattr(cls, member.name, _property(member.id, puts.get(member.name), doc))
