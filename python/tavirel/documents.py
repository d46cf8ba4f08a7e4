"""Documents run exactly once, recorded in a journal.

    out = tavirel.documents.run(ecr, {"key": "pos1-000123", "lines": [...],
                                      "payments": [{"type": "cash"}]}, journal="journal.db")
    out["status"]   # "closed", "voided", "failed", "uncertain", "needs-attention", "queued", ...

A key the journal holds finished is answered from the journal ("replayed"),
without touching the register; a step whose effect is unknown is never sent
again but resolved by a reading. These are the rules `tavirel receipt`
follows: the same runner and the same journal do the work.
"""

from __future__ import annotations

import json as _json
import os as _os
from typing import Any, Dict, Union

from . import _core

Journal = _core.Journal
default_journal_path = _core.default_journal_path

# A document: its JSON object as a dict, or its JSON text.
Document = Union[Dict[str, Any], str, bytes]
# An outcome: the JSON object `tavirel receipt --json` prints, as a dict.
Outcome = Dict[str, Any]


def _text(document: Document) -> str:
    if isinstance(document, (str, bytes)):
        return document.decode() if isinstance(document, bytes) else document
    if isinstance(document, dict):
        return _json.dumps(document)
    raise TypeError(f"a document is a dict or JSON text, not {type(document).__name__}")


def open_journal(path: str | _os.PathLike[str] | None = None, new_journal: bool = False) -> Journal:
    """The journal at `path` (the user's default when None), its folder made owner-only."""
    path = _os.fspath(path) if path is not None else default_journal_path()
    folder = _os.path.dirname(path)
    if folder:
        _os.makedirs(folder, mode=0o700, exist_ok=True)
    return _core.Journal(path, new_journal)


class Runner:
    """Runs documents on one control (open, EuroSettings set) into one journal.

    The register's fiscal serial number is read once, at the first run, and
    binds the documents to it. A run is a call of the control: the GIL is
    released, Ctrl-C ends it (the document stays in flight in the journal and
    is resolved when it is run again).
    """

    def __init__(self, control: Control, journal: str | _os.PathLike[str] | Journal | None = None,
                 register_name: str = "", new_journal: bool = False) -> None:
        if not isinstance(journal, _core.Journal):
            journal = open_journal(journal, new_journal)
        self.journal = journal
        self._runner = _core.Runner(control, journal, register_name)

    def run(self, document: Document) -> Outcome:
        """Runs one document (a dict or JSON text); its outcome as a dict."""
        return _json.loads(self._runner.run(_text(document)))

    def resolve_in_flight(self) -> list[Outcome]:
        """Resolves the documents a stopped process left in flight; their outcomes."""
        return [_json.loads(text) for text in self._runner.resolve_in_flight()]


def run(control: Control, document: Document, journal: str | _os.PathLike[str] | Journal | None = None,
        register_name: str = "", new_journal: bool = False) -> Outcome:
    """Runs one document on `control` into `journal` (a path, a Journal, or
    None for the user's default); its outcome as a dict."""
    return Runner(control, journal, register_name, new_journal).run(document)
