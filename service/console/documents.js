// Documents by status, those that need attention first; one document's
// outcome, its actions and, from a simulated register, its paper as a slip.
"use strict";

const PAGE = 50;
let documentsNext = null;
let openKey = null;
let reloadTimer = null;

function documentsQuery(status, after) {
  const params = new URLSearchParams({ limit: String(PAGE) });
  if (status) params.set("status", status);
  const register = $("documents-register").value;
  if (register) params.set("register", register);
  if (after) params.set("after", after);
  return "/v1/documents?" + params;
}

async function fetchDocuments(status, after) {
  const response = await api(documentsQuery(status, after));
  const body = await jsonOf(response);
  if (!response.ok) throw new Error(body.error || response.statusText);
  return body;
}

function documentRow(d) {
  const row = $("documents").tBodies[0].insertRow();
  row.dataset.key = d.key;
  row.className = "status-" + d.status;
  for (const text of [d.status, d.key, d.register, d.type, d.updated ? new Date(d.updated).toLocaleString() : ""]) {
    row.insertCell().textContent = text || "";
  }
  row.insertCell().append(el("button", { type: "button", text: "Open",
    "aria-label": "Open document " + d.key, onclick: () => openDocument(d.key) }));
}

// The first page (or the next with `more`). Without a chosen status, the
// documents that need attention come first, however old.
async function loadDocuments(more = false) {
  $("documents-error").textContent = "";
  const status = $("documents-status").value;
  try {
    const body = document.querySelector("#documents tbody");
    if (!more) {
      body.replaceChildren();
      const shown = new Set();
      if (!status) {
        const waiting = await fetchDocuments("needs-attention");
        for (const d of waiting.documents) { documentRow(d); shown.add(d.key); }
      }
      const page = await fetchDocuments(status);
      for (const d of page.documents) if (!shown.has(d.key)) documentRow(d);
      documentsNext = page.next;
    } else if (documentsNext) {
      const page = await fetchDocuments(status, documentsNext);
      const shown = new Set([...body.rows].map((r) => r.dataset.key));
      for (const d of page.documents) if (!shown.has(d.key)) documentRow(d);
      documentsNext = page.next;
    }
    $("documents-more").hidden = !documentsNext;
  } catch (e) {
    $("documents-error").textContent = "the documents could not be listed: " + e.message;
  }
}

// The registers as they are now: a document's end changes its register's
// status, whether or not a register event says so.
async function reloadRegisters() {
  const response = await api("/v1/registers");
  if (!response.ok) return;
  for (const r of (await jsonOf(response)).registers) registers.set(r.name, r);
  renderRegisters();
}

// A document event: the list and the registers again (once for a burst),
// the open document again.
function documentChanged(data) {
  clearTimeout(reloadTimer);
  reloadTimer = setTimeout(() => { loadDocuments(); reloadRegisters(); }, 300);
  if (data.key === openKey) openDocument(openKey);
}

function outcomeSummary(o) {
  const parts = ["status " + o.status];
  if (o.register) parts.push("on " + o.register);
  if (o.receipt_number) parts.push("receipt " + o.receipt_number);
  if (o.document_number) parts.push("document " + o.document_number);
  if (o.total) parts.push("total " + o.total);
  if (o.paid) parts.push("paid " + o.paid);
  if (o.change) parts.push("change " + o.change);
  if (o.waiting) parts.push(o.waiting);
  if (o.reason) parts.push(o.reason);
  if (o.failed_step && o.failed_step.reason) parts.push(o.failed_step.reason);
  if (o.settlement) {
    const s = o.settlement;
    parts.push(`settled by ${s.by || "someone"} (${s.action}${s.settled_as ? " as " + s.settled_as : ""})` +
      (s.note ? ": " + s.note : ""));
  }
  return parts.join(", ");
}

// The register the document ran on: from its outcome's steps it is not
// known, so from the list's row or the registers' attention.
function registerOfDocument(key, outcome) {
  if (outcome.register) return outcome.register;
  const row = document.querySelector(`#documents tr[data-key="${CSS.escape(key)}"]`);
  if (row) return row.cells[2].textContent;
  for (const r of registers.values()) {
    const a = statusOf(r).attention;
    if ((a && a.key === key) || r.running === key) return r.name;
  }
  return "";
}

async function showPaper(key, outcome) {
  const register = registers.get(registerOfDocument(key, outcome));
  const slip = $("paper");
  const show = (on) => { slip.hidden = !on; $("paper-title").hidden = !on; };
  if (!register || !isSimulated(register)) return show(false);
  const response = await api("/v1/documents/" + encodeURIComponent(key) + "/paper");
  if (!response.ok) return show(false);
  slip.textContent = await response.text();
  show(true);
}

async function openDocument(key) {
  openKey = key;
  const response = await api("/v1/documents/" + encodeURIComponent(key));
  const outcome = await jsonOf(response);
  if (key !== openKey) return;
  $("document").hidden = false;
  $("document-key").textContent = key;
  $("document-outcome").textContent = JSON.stringify(outcome, null, 2);
  $("document-summary").textContent = response.ok ? outcomeSummary(outcome)
    : outcome.error || response.statusText;
  const actions = $("document-actions");
  actions.replaceChildren();
  if (response.ok && outcome.status === "needs-attention" && canWrite) {
    actions.append(settleActions(key, "document"));
  }
  if (response.ok) await showPaper(key, outcome);
}
