// The registers' cards: each register's status in words, what the operator
// does about it (paper refilled, settle the document that needs attention)
// and, for a simulated register, its switches. Every meaning is written out:
// colour only repeats it.
"use strict";

const SUMMARIES = {
  ready: "Ready",
  printing: "Printing",
  "paper-out": "Paper out",
  "needs-attention": "Needs attention",
  "closure-due": "Closure due",
  unavailable: "Unavailable",
  stopped: "Stopped",
};
const PAYMENT_TYPES = ["cash", "cheque", "card", "ticket"];
const SETTLED_AS = ["closed", "voided", "failed"];

// The status as the service computes it; from the register's state when an
// older service does not send one.
function statusOf(r) {
  if (r.status) return r.status;
  const open = r.state === "open";
  let summary = open ? "ready" : r.state === "stopped" ? "stopped" : "unavailable";
  if (open && r.running) summary = "printing";
  if (r.attention) summary = "needs-attention";
  return {
    summary,
    unavailable: open ? null : r.reason || r.state,
    paper: null,
    attention: r.attention ? Object.assign({ kind: null, error: null, paid: null, left: null },
      r.attention) : null,
    closure: { due: false, hours_since_last: null, last: null },
    waiting: r.queue_length,
  };
}

function isSimulated(r) {
  return r.simulated === true || r.device === "sim";
}

function el(tag, attrs = {}, ...children) {
  const node = document.createElement(tag);
  for (const [name, value] of Object.entries(attrs)) {
    if (value === null || value === undefined || value === false) continue;
    if (name === "text") node.textContent = value;
    else if (name === "class") node.className = value;
    else if (name.startsWith("on")) node.addEventListener(name.slice(2), value);
    else node.setAttribute(name, value === true ? "" : value);
  }
  for (const child of children) {
    if (child !== null && child !== undefined) node.append(child);
  }
  return node;
}

function labelled(text, control) {
  return el("label", {}, text + " ", control);
}

function select(id, values, label) {
  const s = el("select", { id });
  for (const v of values) s.add(new Option(label ? label(v) : v, v));
  return s;
}

function showActionError(text) {
  $("action-error").textContent = text || "";
}

// Runs an action; its refusal is shown in words. A read-only token learnt
// late hides the actions.
async function act(path, body, method = "POST") {
  showActionError("");
  const options = { method };
  if (body !== undefined) {
    options.headers = { "Content-Type": "application/json" };
    options.body = JSON.stringify(body);
  }
  const response = await api(path, options);
  const answer = await jsonOf(response);
  if (response.status === 403) {
    setWritable(false);
    renderRegisters();
  }
  if (!response.ok) showActionError(answer.error || response.statusText);
  return [response, answer];
}

function registerPath(name, rest) {
  return "/v1/registers/" + encodeURIComponent(name) + rest;
}

function paperRefilled(name) {
  return act(registerPath(name, "/paper-refilled"), { by: "console" });
}

async function settle(key, settlement) {
  const [response] = await act("/v1/documents/" + encodeURIComponent(key) + "/settle?wait=30",
    Object.assign({ by: "console" }, settlement));
  if (response.ok) openDocument(key);
}

// The four ways to settle a document that needs attention; `id` makes the
// controls' ids unique on the page.
function settleActions(key, id) {
  const box = el("div", { class: "actions", role: "group", "aria-label": "Settle " + key });
  const payType = select(id + "-pay-type", PAYMENT_TYPES);
  const payAmount = el("input", { id: id + "-pay-amount", size: 8, placeholder: "the rest" });
  const settledAs = select(id + "-settled-as", SETTLED_AS);
  const note = el("input", { id: id + "-note", size: 24, placeholder: "what was done" });
  const payment = () => {
    const p = { type: payType.value };
    const amount = payAmount.value.trim();
    if (p.type === "card") p.card = 1;
    else if (p.type === "ticket") p.ticket = 1;
    if (amount) p.amount = amount;
    return p;
  };
  box.append(
    el("button", { id: id + "-retry", type: "button", text: "Retry",
      onclick: () => settle(key, { action: "retry" }) }),
    el("span", { class: "action" }, labelled("Pay the rest by", payType),
      labelled("amount", payAmount),
      el("button", { id: id + "-pay", type: "button", text: "Pay the rest",
        onclick: () => settle(key, { action: "pay-rest", payment: payment() }) })),
    el("button", { id: id + "-void", type: "button", text: "Void",
      onclick: () => settle(key, { action: "void" }) }),
    el("span", { class: "action" }, labelled("Mark settled as", settledAs),
      labelled("note", note),
      el("button", { id: id + "-mark", type: "button", text: "Mark settled",
        onclick: () => {
          if (!note.value.trim()) { showActionError("a note says what was done by hand"); return; }
          settle(key, { action: "mark-settled", settled_as: settledAs.value, note: note.value });
        } })));
  return box;
}

function hoursText(closure) {
  if (closure.hours_since_last === null || closure.hours_since_last === undefined) {
    return "no closure known to the service";
  }
  const hours = Number(closure.hours_since_last).toFixed(1);
  return `${hours} h since the last closure` +
    (closure.last ? ` (${new Date(closure.last).toLocaleString()})` : "");
}

function attentionBlock(r, status) {
  const a = status.attention;
  const box = el("div", { class: "attention", id: "attention-" + r.name });
  box.append(el("p", {}, el("strong", { text: "Document " }),
    el("button", { type: "button", class: "link", text: a.key, onclick: () => openDocument(a.key) }),
    " needs a person: " + a.reason));
  const facts = [];
  if (a.kind) facts.push("kind " + a.kind);
  if (a.error) facts.push(`register error ${a.error.code}: ${a.error.text}`);
  if (a.paid) facts.push("paid " + a.paid);
  if (a.left) facts.push("left to pay " + a.left);
  if (facts.length) box.append(el("p", { text: facts.join("; ") }));
  if (canWrite) box.append(settleActions(a.key, "settle-" + r.name));
  return box;
}

function paperBlock(r, status) {
  const which = status.paper.which === "journal" ? "journal" : "receipt";
  const box = el("div", { class: "paper-out", id: "paper-out-" + r.name });
  box.append(el("p", {}, `The ${which} paper ran out during document `,
    el("button", { type: "button", class: "link", text: status.paper.document,
      onclick: () => openDocument(status.paper.document) }),
    ". Put a new roll in, then tell the register:"));
  if (canWrite) {
    box.append(el("button", { id: "paper-refilled-" + r.name, type: "button",
      text: "Paper refilled", onclick: () => paperRefilled(r.name) }));
  }
  return box;
}

function simSwitch(name, body, text, id) {
  return el("button", { type: "button", id, text,
    onclick: () => act(registerPath(name, "/sim"), body).then(() => showSimState(name)) });
}

async function showSimState(name) {
  const out = $("sim-state-" + name);
  if (!out) return;
  const response = await api(registerPath(name, "/sim"));
  out.textContent = response.ok ? JSON.stringify(await jsonOf(response), null, 1)
    : "the state could not be read: " + ((await jsonOf(response)).error || response.status);
}

function simBlock(r) {
  const n = r.name;
  const fault = el("input", { id: "sim-fault-" + n, size: 22, placeholder: "name[=p]#N or :CODE" });
  const box = el("details", { class: "sim", id: "sim-" + n },
    el("summary", { text: "Simulated register's switches" }));
  box.append(
    el("div", { class: "actions" }, labelled("Fault", fault),
      el("button", { type: "button", id: "sim-fault-set-" + n, text: "Set fault",
        onclick: () => fault.value.trim() && act(registerPath(n, "/sim"),
          { fault: fault.value.trim() }).then(() => showSimState(n)) }),
      simSwitch(n, { clear_faults: true }, "Clear faults", "sim-clear-" + n)),
    el("div", { class: "actions" }, el("span", { text: "Power " }),
      simSwitch(n, { power: "off" }, "Off", "sim-power-off-" + n),
      simSwitch(n, { power: "on" }, "On", "sim-power-on-" + n)),
    el("div", { class: "actions" }, el("span", { text: "Receipt paper " }),
      simSwitch(n, { paper: "out", which: "receipt" }, "Run out", "sim-paper-out-" + n),
      simSwitch(n, { paper: "in", which: "receipt" }, "Put in", "sim-paper-in-" + n)),
    el("div", { class: "actions" }, el("span", { text: "CTS " }),
      simSwitch(n, { cts: false }, "Drop", "sim-cts-off-" + n),
      simSwitch(n, { cts: true }, "Raise", "sim-cts-on-" + n)),
    el("button", { type: "button", text: "Show the state", onclick: () => showSimState(n) }),
    el("pre", { id: "sim-state-" + n, class: "sim-state" }));
  return box;
}

function registerCard(r) {
  const status = statusOf(r);
  const summary = SUMMARIES[status.summary] || status.summary;
  const card = el("article", { class: "register summary-" + status.summary, id: "register-" + r.name,
    "data-name": r.name, "data-summary": status.summary, "aria-labelledby": "register-title-" + r.name });
  card.append(el("h3", { id: "register-title-" + r.name }, r.name + " ",
    el("span", { class: "badge summary summary-" + status.summary, text: summary })));
  const facts = el("dl");
  const fact = (term, text) => text !== null && text !== undefined && text !== "" &&
    facts.append(el("dt", { text: term }), el("dd", { text: String(text) }));
  fact("Device", r.device + (r.mode ? ", " + r.mode : ""));
  fact("Serial", r.serial);
  fact("Unavailable", status.unavailable);
  fact("Printing", r.running);
  fact("Waiting", status.waiting === 1 ? "1 document" : `${status.waiting} documents`);
  fact("Closure", (status.closure.due ? "due: the register wants a Z report. " : "") +
    hoursText(status.closure));
  fact("Last error", r.last_error);
  card.append(facts);
  if (status.paper) card.append(paperBlock(r, status));
  // Out of paper, the refill is the action: the other choices stay on the document.
  if (status.attention && status.summary !== "paper-out") card.append(attentionBlock(r, status));
  if (isSimulated(r) && canWrite) card.append(simBlock(r));
  return card;
}

// What the operator has typed or opened in a card, kept across a redraw.
function keepInputs(node) {
  const kept = { values: new Map(), open: new Set(), focus: document.activeElement?.id };
  for (const input of node.querySelectorAll("input[id], select[id]")) {
    kept.values.set(input.id, input.value);
  }
  for (const details of node.querySelectorAll("details[id]")) {
    if (details.open) kept.open.add(details.id);
  }
  return kept;
}

function restoreInputs(node, kept) {
  for (const [id, value] of kept.values) {
    const input = node.querySelector("#" + CSS.escape(id));
    if (input) input.value = value;
  }
  for (const id of kept.open) {
    const details = node.querySelector("#" + CSS.escape(id));
    if (details) details.open = true;
  }
  if (kept.focus) node.querySelector("#" + CSS.escape(kept.focus))?.focus();
}

function fillSelect(select, names, any) {
  const chosen = select.value;
  select.replaceChildren();
  if (any) select.add(new Option("any", ""));
  for (const name of names) select.add(new Option(name, name));
  if ([...select.options].some((o) => o.value === chosen)) select.value = chosen;
}

function renderRegisters() {
  const box = $("registers");
  const kept = keepInputs(box);
  const sims = new Map();
  for (const pre of box.querySelectorAll("pre.sim-state")) sims.set(pre.id, pre.textContent);
  box.replaceChildren(...[...registers.values()].map(registerCard));
  for (const [id, text] of sims) if ($(id)) $(id).textContent = text;
  restoreInputs(box, kept);

  const names = [...registers.keys()];
  const receipt = $("receipt-register");
  const before = receipt.value;
  fillSelect(receipt, names, false);
  const builtIn = [...registers.values()].find(isSimulated);
  if (!before && builtIn) receipt.value = builtIn.name;
  fillSelect($("documents-register"), names, true);
}
