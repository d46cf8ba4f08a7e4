"""The type stubs written at build time describe the package as it is."""

import ast
import os

import pytest

import tavirel
from tavirel import _members

PACKAGE = os.path.dirname(tavirel.__file__)
ARGUMENT_TYPES = {
    _members.VT_I2: "int", _members.VT_I4: "int", _members.VT_R4: "Decimal | int | float",
    _members.VT_CY: "Decimal | int", _members.VT_BSTR: "str", _members.VT_BOOL: "bool",
    _members.VT_DATE: "datetime",
}


def stub(name):
    with open(os.path.join(PACKAGE, name), encoding="utf-8") as source:
        return ast.parse(source.read(), name)


def classes(tree):
    return {node.name: node for node in tree.body if isinstance(node, ast.ClassDef)}


def functions(node):
    found = {}
    for item in node.body:
        if isinstance(item, ast.FunctionDef):
            found.setdefault(item.name, []).append(item)
    return found


CONTROL = functions(classes(stub("__init__.pyi"))["Control"])


@pytest.mark.parametrize("member", [m for m in _members.members() if m.kind == "method"],
                         ids=lambda m: m.name)
def test_each_method_has_its_parameters_and_types(member):
    (definition,) = CONTROL[member.name]
    arguments = definition.args.args[1:]
    assert [(a.arg, ast.unparse(a.annotation)) for a in arguments] == [
        (name, ARGUMENT_TYPES[kind]) for name, kind, _opt, _def in member.params]
    optional = sum(1 for row in member.params if row[2])
    assert len(definition.args.defaults) == optional
    expected = "ResultCode" if member.is_operation else None
    if expected:
        assert ast.unparse(definition.returns) == expected
    assert ast.get_docstring(definition).startswith(member.signature)


def test_each_property_is_there_and_only_settings_are_writable():
    for member in _members.members():
        if member.kind == "propget":
            getters = [f for f in CONTROL[member.name]
                       if any(ast.unparse(d) == "property" for d in f.decorator_list)]
            assert len(getters) == 1, member.name
        elif member.kind == "propput":
            setters = [f for f in CONTROL[member.name]
                       if any(ast.unparse(d).endswith(".setter") for d in f.decorator_list)]
            assert len(setters) == 1, member.name
    writable = {name for name, defs in CONTROL.items() if len(defs) == 2}
    assert writable == {"Settings", "COMPort", "EuroSettings"}


def test_result_codes_and_errors_are_the_package_s():
    tree = classes(stub("__init__.pyi"))
    codes = [ast.unparse(node.targets[0]) for node in tree["ResultCode"].body
             if isinstance(node, ast.Assign)]
    assert codes == [code.name for code in tavirel.ResultCode]
    errors = {name for name, node in tree.items() if name.endswith("Error")}
    assert errors == {name for name in tavirel.__all__ if name.endswith("Error")}
    for name in errors:
        (base,) = tree[name].bases
        assert ast.unparse(base) == getattr(tavirel, name).__bases__[0].__name__


@pytest.mark.parametrize("module, name", [("sim", "sim.pyi"), ("documents", "documents.pyi")])
def test_submodules_list_their_public_names(module, name):
    tree = stub(name)
    listed = {node.name for node in tree.body if isinstance(node, (ast.ClassDef, ast.FunctionDef))}
    public = {n for n, v in vars(getattr(tavirel, module)).items()
              if not n.startswith("_") and callable(v) and getattr(v, "__module__", "").startswith(
                  "tavirel")}
    assert listed == public and len(listed) >= 2
