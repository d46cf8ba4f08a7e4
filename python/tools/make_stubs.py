#!/usr/bin/python3
"""Writes the tavirel package's type stubs from the built package itself.

    make_stubs.py PACKAGE_DIR     (with the package importable)

The control's members come from the library's member table, with the
operations' words as docstrings; everything else is read off the package's
objects: the Python functions' annotated signatures and the extension's
own signature lines. Nothing in the stubs is kept by hand.
"""

import inspect
import os
import re
import sys
import typing

import tavirel
from tavirel import _members

TYPE_NAMES = {
    _members.VT_EMPTY: "None",
    _members.VT_I2: "int",
    _members.VT_I4: "int",
    _members.VT_R4: "Decimal",
    _members.VT_CY: "Decimal",
    _members.VT_DATE: "datetime",
    _members.VT_BSTR: "str",
    _members.VT_BOOL: "bool",
    _members.VT_VARIANT: "Any",
}
# What an argument of each type may be given as.
ARGUMENT_NAMES = {**TYPE_NAMES, _members.VT_R4: "Decimal | int | float",
                  _members.VT_CY: "Decimal | int"}


def docstring(text, indent):
    if not text:
        return []
    text = text.replace("\\", "\\\\").replace('"""', '\\"\\"\\"')
    pad = " " * indent
    lines = text.splitlines()
    return [f'{pad}"""{lines[0]}'] + [f"{pad}{line}" if line else "" for line in lines[1:]] + [
        f'{pad}"""']


def annotation(value):
    if value is inspect.Parameter.empty:
        return None
    if isinstance(value, str):
        return value
    if value is type(None):
        return "None"
    if isinstance(value, type):
        return value.__qualname__ if value.__module__ in ("builtins", "tavirel", "tavirel.sim",
                                                          "tavirel.documents") else (
            f"{value.__module__}.{value.__qualname__}")
    return repr(value).replace("typing.", "")


def python_function(name, function, indent, method):
    signature = inspect.signature(function)
    parts = []
    for parameter in signature.parameters.values():
        text = parameter.name
        if parameter.kind is parameter.VAR_POSITIONAL:
            text = "*" + text
        elif parameter.kind is parameter.VAR_KEYWORD:
            text = "**" + text
        kind = annotation(parameter.annotation)
        if kind:
            text += f": {kind}"
        if parameter.default is not inspect.Parameter.empty:
            text += " = ..."
        parts.append(text)
    result = annotation(signature.return_annotation) or "Any"
    pad = " " * indent
    lines = [f"{pad}def {name}({', '.join(parts)}) -> {result}:"]
    doc = docstring(inspect.cleandoc(function.__doc__ or ""), indent + 4)
    return lines + doc + [f"{pad}    ..."]


# The extension's functions say their signature on their docstring's first line.
def extension_function(name, function, indent):
    doc = function.__doc__ or ""
    first, _, rest = doc.partition("\n")
    match = re.match(rf"{re.escape(name)}\((.*)\) -> (.*)$", first.strip())
    if not match:
        raise SystemExit(f"make_stubs: no signature line for {name}")
    params, result = match.groups()
    def clean(text):
        text = (text.replace("tavirel._core.", "").replace("List[", "list[")
                .replace("Dict[", "dict[").replace("Tuple[", "tuple["))
        # The extension's untyped containers.
        return re.sub(r"\b(dict|list)\b(?!\[)", lambda m: m.group(1) + (
            "[str, Any]" if m.group(1) == "dict" else "[Any]"), text)
    params = re.sub(r"=\s*[^,]+", "= ...", clean(params))
    params = re.sub(r"^self: [\w.]+", "self", params)
    pad = " " * indent
    return [f"{pad}def {name}({params}) -> {clean(result)}:"] + (
        docstring(rest.strip(), indent + 4) + [f"{pad}    ..."] if rest.strip() else [f"{pad}    ..."])


def is_extension(function):
    return type(function).__name__ in ("builtin_function_or_method", "instancemethod")


def member_lines(member):
    pad = "    "
    if member.kind == "method":
        parts = ["self"]
        for name, kind, optional, _default in member.params:
            parts.append(f"{name}: {ARGUMENT_NAMES[kind]}" + (" = ..." if optional else ""))
        result = "ResultCode" if member.is_operation else TYPE_NAMES[member.result]
        doc = getattr(tavirel.Control, member.name).__doc__
        return [f"{pad}def {member.name}({', '.join(parts)}) -> {result}:"] + docstring(
            doc, 8) + [f"{pad}    ..."]
    if member.kind == "propget":
        lines = [f"{pad}@property", f"{pad}def {member.name}(self) -> {TYPE_NAMES[member.result]}:",
                 f"{pad}    ..."]
        return lines
    # A put: the setter of the property above it.
    kind = member.params[0][1]
    return [f"{pad}@{member.name}.setter",
            f"{pad}def {member.name}(self, value: {ARGUMENT_NAMES[kind]}) -> None:", f"{pad}    ..."]


def class_lines(cls, bases, skip=()):
    lines = [f"class {cls.__name__}({', '.join(bases)}):" if bases else f"class {cls.__name__}:"]
    lines += docstring(inspect.getdoc(cls), 4)
    seen = set(skip)
    # What a listed base defines, the base's stub shows.
    inherited = {k for base in cls.__bases__ if base.__name__ in bases for k in base.__mro__}
    for klass in cls.__mro__:
        if klass is object or klass in inherited:
            continue
        for name, value in vars(klass).items():
            if name in seen or (name.startswith("_") and name not in ("__init__", "__enter__",
                                                                         "__exit__")):
                continue
            seen.add(name)
            if isinstance(value, property):
                kind = "Any"
                if value.fget is not None and value.fget.__doc__:
                    match = re.match(r"\(\w+: [\w.]+\) -> ([\w.\[\], ]+)", value.fget.__doc__)
                    kind = match.group(1) if match else kind
                elif value.fget is not None:
                    kind = annotation(inspect.signature(value.fget).return_annotation) or kind
                lines += ["    @property", f"    def {name}(self) -> {kind}:"]
                lines += docstring(value.__doc__ if value.fget.__doc__ != value.__doc__ else "", 8)
                lines += ["        ..."]
            elif is_extension(value):
                if name == "__init__":
                    continue
                lines += extension_function(name, value, 4)
            elif inspect.isfunction(value):
                lines += python_function(name, value, 4, True)
    return lines


def control_stub():
    table = _members.members()
    names = {m.name for m in table}
    lines = class_lines(tavirel.Control, [], skip=names | {"busy", "FPError"})
    # The extension's properties with their types.
    lines += ["    FPError: Callable[[int, int], object] | None",
              "    @property", "    def busy(self) -> bool:", "        ..."]
    for member in table:
        lines += member_lines(member)
    return lines


def errors_stub():
    lines = []
    classes = [getattr(tavirel, name) for name in tavirel.__all__]
    classes = [c for c in classes if isinstance(c, type) and issubclass(c, BaseException)]
    for value in sorted(classes, key=lambda c: (len(c.__mro__), c.__name__)):
        name = value.__name__
        if True:
            base = value.__bases__[0].__name__
            lines.append(f"class {name}({base}):")
            lines += docstring(value.__doc__, 4)
            if name == "CancelledError":
                lines.append("    request_sent: bool")
            elif name == "PortError":
                lines.append("    errno: int | None")
            elif name == "DocumentError":
                lines.append("    problems: list[tuple[str, str]]")
            lines.append("    ...")
    return lines


def init_stub():
    lines = ["# Generated by python/tools/make_stubs.py from the built package: do not edit.",
             "import os as _os", "from datetime import datetime", "from decimal import Decimal",
             "from enum import IntEnum", "from typing import Any, Callable", "",
             "from . import documents as documents", "from . import sim as sim", "",
             "__version__: str", ""]
    for name in ("TVL_EUROSETTINGS_UNKNOWN", "TVL_EUROSETTINGS_LIRE", "TVL_EUROSETTINGS_EURO"):
        lines.append(f"{name}: int")
    lines += ["", "class ResultCode(IntEnum):"]
    lines += docstring(tavirel.ResultCode.__doc__, 4)
    lines += [f"    {code.name} = {code.value}" for code in tavirel.ResultCode]
    lines += [""] + errors_stub() + [""]
    lines += extension_function("error_text", tavirel.error_text, 0)
    lines += extension_function("error_kind", tavirel.error_kind, 0)
    lines += [""] + control_stub()
    return lines


def module_stub(module, imports):
    lines = ["# Generated by python/tools/make_stubs.py from the built package: do not edit.",
             *imports, ""]
    for name, value in vars(module).items():
        if name.startswith("_") or getattr(value, "__module__", None) not in (
                module.__name__, "tavirel._core"):
            continue
        if isinstance(value, type):
            bases = [b.__name__ for b in value.__bases__ if b.__module__ == module.__name__]
            lines += class_lines(value, bases) + [""]
        elif is_extension(value):
            lines += extension_function(name, value, 0) + [""]
        elif inspect.isfunction(value):
            lines += python_function(name, value, 0, False) + [""]
    for name, value in vars(module).items():
        # The module's own aliases (Document = Union[...]), not the names it imports from typing.
        if (not name.startswith("_") and type(value).__module__ == "typing" and
                value is not getattr(typing, name, None)):
            lines.insert(len(imports) + 2, f"{name} = {repr(value).replace('typing.', '')}")
    return lines


def main():
    folder = sys.argv[1]
    outputs = {
        "__init__.pyi": init_stub(),
        "sim.pyi": module_stub(tavirel.sim, ["from typing import Any, Iterable"]),
        "documents.pyi": module_stub(tavirel.documents, [
            "import os as _os", "from typing import Any, Dict, Union", "from . import Control"]),
    }
    for name, lines in outputs.items():
        path = os.path.join(folder, name)
        with open(path + ".tmp", "w", encoding="utf-8") as out:
            out.write("\n".join(lines) + "\n")
        os.replace(path + ".tmp", path)


if __name__ == "__main__":
    main()
