// The console of tavireld: the connection, live events, a receipt, a
// lookup. The registers' cards are in registers.js, the documents in
// documents.js. Plain JavaScript without a build step. The token is kept in
// sessionStorage: for this tab only, gone when it closes.
"use strict";

const $ = (id) => document.getElementById(id);
let token = sessionStorage.getItem("tavireld-token") || "";
let streamAbort = null;
let lastEventId = null;
const registers = new Map();
const MAX_EVENTS = 100;
// False for a read-only token: the actions are not shown.
let canWrite = true;

function api(path, options = {}) {
  const headers = Object.assign({ Authorization: "Bearer " + token }, options.headers || {});
  return fetch(path, Object.assign({}, options, { headers, cache: "no-store" }));
}

async function jsonOf(response) {
  const text = await response.text();
  try { return JSON.parse(text); } catch (e) { return { error: text }; }
}

function setConnected(on, text) {
  const badge = $("connection");
  badge.textContent = text;
  badge.className = "badge " + (on ? "on" : "off");
}

function addEvent(type, data) {
  const item = document.createElement("li");
  const time = new Date().toLocaleTimeString();
  if (type === "document") {
    item.textContent = `${time} document ${data.key} on ${data.register}: ${data.status}`;
    item.className = "status-" + data.status;
  } else {
    const summary = data.status ? data.status.summary : data.state;
    item.textContent = `${time} register ${data.name}: ${summary}` +
      (data.reason ? ` (${data.reason})` : "");
  }
  const list = $("events");
  list.prepend(item);
  while (list.children.length > MAX_EVENTS) list.lastChild.remove();
}

function onEvent(type, text) {
  let data;
  try { data = JSON.parse(text); } catch (e) { return; }
  if (type === "register") {
    registers.set(data.name, data);
    renderRegisters();
  } else if (type === "document") {
    documentChanged(data);
  }
  addEvent(type, data);
}

// Server-sent events read through fetch, so the token goes in a header and
// never in a URL.
async function readEvents() {
  streamAbort = new AbortController();
  const headers = lastEventId ? { "Last-Event-ID": lastEventId } : {};
  const response = await api("/v1/events", { headers, signal: streamAbort.signal });
  if (!response.ok) throw new Error((await jsonOf(response)).error || response.statusText);
  setConnected(true, "connected");
  const reader = response.body.getReader();
  const decoder = new TextDecoder();
  let buffer = "";
  for (;;) {
    const { value, done } = await reader.read();
    if (done) return;
    buffer += decoder.decode(value, { stream: true });
    let end;
    while ((end = buffer.indexOf("\n\n")) >= 0) {
      const block = buffer.slice(0, end);
      buffer = buffer.slice(end + 2);
      let type = "message", data = "";
      for (const line of block.split("\n")) {
        if (line.startsWith("id: ")) lastEventId = line.slice(4);
        else if (line.startsWith("event: ")) type = line.slice(7);
        else if (line.startsWith("data: ")) data += line.slice(6);
      }
      if (data) onEvent(type, data);
    }
  }
}

async function followEvents() {
  for (;;) {
    try {
      await readEvents();
      setConnected(false, "reconnecting");
    } catch (e) {
      if (e.name === "AbortError") return;
      setConnected(false, "events: " + e.message);
    }
    await new Promise((resolve) => setTimeout(resolve, 2000));
  }
}

function newKey() {
  const random = Math.random().toString(36).slice(2, 8);
  return "console-" + Date.now().toString(36) + "-" + random;
}

function receiptDocument() {
  const lines = [];
  for (const row of $("receipt-lines").tBodies[0].rows) {
    const desc = row.querySelector(".desc").value.trim();
    if (!desc) continue;
    const line = {
      department: Number(row.querySelector(".dept").value || "1"),
      description: desc,
      price: row.querySelector(".price").value.trim() || "0",
    };
    const qty = row.querySelector(".qty").value.trim();
    if (qty) line.quantity = qty;
    lines.push(line);
  }
  const payment = { type: $("receipt-payment").value };
  const amount = $("receipt-amount").value.trim();
  if (payment.type === "card") payment.card = 1;
  else if (amount) payment.amount = amount;
  return { type: "receipt", operator: 1, lines, payments: [payment] };
}

function showOutcome(status, body) {
  $("outcome-status").textContent = status;
  $("outcome-status").className = "status-" + status;
  const parts = [];
  if (body.receipt_number) parts.push("receipt " + body.receipt_number);
  if (body.total) parts.push("total " + body.total);
  if (body.change) parts.push("change " + body.change);
  if (body.failed_step && body.failed_step.reason) parts.push(body.failed_step.reason);
  if (body.error) parts.push(body.error + (body.field ? " (" + body.field + ")" : ""));
  $("outcome-summary").textContent = parts.join(", ");
  $("outcome").textContent = JSON.stringify(body, null, 2);
}

async function pollUntilDone(key) {
  for (let i = 0; i < 120; i++) {
    const response = await api("/v1/documents/" + encodeURIComponent(key) + "?wait=30");
    const body = await jsonOf(response);
    if (!response.ok || !["queued", "running"].includes(body.status)) return [response, body];
    showOutcome(body.status, body);
    await new Promise((resolve) => setTimeout(resolve, 1000));
  }
  return [null, { error: "still not finished" }];
}

async function sendReceipt(event) {
  event.preventDefault();
  const key = $("receipt-key").value.trim();
  const name = $("receipt-register").value;
  showOutcome("sending", {});
  try {
    let response = await api("/v1/registers/" + encodeURIComponent(name) + "/documents?wait=30", {
      method: "POST",
      headers: { "Content-Type": "application/json", "Idempotency-Key": key },
      body: JSON.stringify(receiptDocument()),
    });
    let body = await jsonOf(response);
    if (response.status === 202) [response, body] = await pollUntilDone(key);
    showOutcome(response && response.ok ? body.status : "error", body);
    if (response && response.ok) $("receipt-key").value = newKey();
  } catch (e) {
    showOutcome("error", { error: e.message });
  }
}

async function lookUp(event) {
  event.preventDefault();
  const key = $("lookup-key").value.trim();
  const response = await api("/v1/documents/" + encodeURIComponent(key));
  const body = await jsonOf(response);
  $("lookup-result").textContent = response.status + "\n" + JSON.stringify(body, null, 2);
}

async function connect(event) {
  if (event) event.preventDefault();
  if (!token) token = $("token").value.trim();
  $("login-error").textContent = "";
  const response = await api("/v1/registers");
  if (response.status === 401) {
    sessionStorage.removeItem("tavireld-token");
    token = "";
    $("login-error").textContent = "the token was refused";
    return;
  }
  const body = await jsonOf(response);
  if (!response.ok) {
    $("login-error").textContent = body.error || response.statusText;
    return;
  }
  sessionStorage.setItem("tavireld-token", token);
  for (const r of body.registers) registers.set(r.name, r);
  await learnScope();
  renderRegisters();
  $("login").hidden = true;
  $("console").hidden = false;
  $("receipt-key").value = newKey();
  loadDocuments();
  followEvents();
}

// A read-only token is refused 403 on every write. Asked with a write no
// register can take (no register is named with a blank), so a full token
// changes nothing: it gets 404.
async function learnScope() {
  const response = await api("/v1/registers/%20/paper-refilled", {
    method: "POST", headers: { "Content-Type": "application/json" }, body: "{}" });
  setWritable(response.status !== 403);
}

function setWritable(on) {
  canWrite = on;
  $("scope").hidden = on;
  document.body.classList.toggle("read-only", !on);
  $("receipt-form").closest("section").hidden = !on;
}

document.addEventListener("DOMContentLoaded", () => {
  $("token-form").addEventListener("submit", (e) => { token = ""; connect(e); });
  $("documents-form").addEventListener("submit", (e) => { e.preventDefault(); loadDocuments(); });
  $("documents-more").addEventListener("click", () => loadDocuments(true));
  $("receipt-form").addEventListener("submit", sendReceipt);
  $("lookup-form").addEventListener("submit", lookUp);
  if (token) connect();
});
