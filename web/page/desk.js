// The search desk: every text from the server is put in with textContent,
// never as markup.
const pageSize = 10;
const history = [];
let historyAt = 0;
let shownSet = 0;
let shownFrom = 1;
let setHits = new Map();
let setRows = new Map();
let zoom = 1;

const $ = (id) => document.getElementById(id);

function element(tag, text, className) {
  const made = document.createElement(tag);
  if (text !== undefined) made.textContent = String(text);
  if (className) made.className = className;
  return made;
}

function say(regionId, text) {
  const region = $(regionId);
  region.append(element("p", text));
  while (region.children.length > 3) region.firstElementChild.remove();
}

async function ask(path, body) {
  const options = body === undefined ? {} : {
    method: "POST",
    headers: { "Content-Type": "application/json" },
    body: JSON.stringify(body),
  };
  let response;
  try {
    response = await fetch(path, options);
  } catch (failure) {
    say("errors", "The desk does not answer: sorrel web has stopped.");
    return null;
  }
  if (!response.ok) {
    say("errors", `The desk refused the request: ${response.status} ${await response.text()}`);
    return null;
  }
  const answer = await response.json();
  showState(answer);
  return answer;
}

function showState(answer) {
  for (const notice of answer.notices || []) say("notices", notice.text);
  if (answer.sets) showSets(answer.sets);
  if ("ended" in answer) document.body.dataset.ended = answer.ended ? "yes" : "no";
}

// The desk's own notices (a server that stopped answering while the page was
// idle) come as answers to a request that waits for them; the next is asked
// at once, unless the desk itself stopped answering.
async function watchEvents() {
  while (await ask("/api/events")) {
    await new Promise((resume) => setTimeout(resume, 200));
  }
}

// A set's row, made once and kept while its hits and question stay.
function setRow(set) {
  const row = document.createElement("tr");
  const open = element("button", `Set ${set.set}`);
  open.type = "button";
  open.addEventListener("click", () => showHits(set.set, 1));
  const first = document.createElement("td");
  first.append(open);
  row.append(first, element("td", set.hits), element("td", set.expression));
  return { row, hits: set.hits, expression: set.expression };
}

// Every answer carries all the sets; the rows already shown are kept, so a
// new set costs one row, not the whole table.
function showSets(sets) {
  const body = $("sets").tBodies[0];
  const rows = new Map();
  setHits = new Map();
  for (const set of sets) {
    setHits.set(set.set, set.hits);
    const kept = setRows.get(set.set);
    const same = kept && kept.hits === set.hits && kept.expression === set.expression;
    rows.set(set.set, same ? kept : setRow(set));
  }
  setRows = rows;
  const wanted = [...rows.values()].map((kept) => kept.row);
  let same = 0;
  const shown = body.rows;
  while (same < wanted.length && same < shown.length && shown[same] === wanted[same]) same++;
  if (same < shown.length) {
    body.replaceChildren(...wanted);
  } else {
    body.append(...wanted.slice(same));
  }
}

function showLineError(line, error, column) {
  const shown = $("line-error");
  shown.replaceChildren();
  shown.hidden = !error;
  if (!error) return;
  const at = column ? Math.min(column - 1, line.length) : line.length;
  const word = line.slice(at).match(/^\S*/)[0];
  shown.append(element("span", line.slice(0, at)), element("mark", word || " "),
               element("span", line.slice(at + word.length)), element("br"),
               element("span", error));
  say("errors", error);
}

function record(line, output) {
  const transcript = $("transcript");
  transcript.append(element("li", `sorrel> ${line}`, "typed"));
  for (const text of output.text || []) transcript.append(element("li", text));
  const result = output.result || {};
  const last = element("li", result.error ? result.error : "", result.error ? "failed" : "answer");
  last.dataset.kind = result.kind || "";
  if (result.hits !== undefined) last.dataset.hits = result.hits;
  if (result.set !== undefined) last.dataset.set = result.set;
  transcript.append(last);
  // Scrolled at the next frame: reading the height now would lay the page
  // out before the answer is even shown.
  requestAnimationFrame(() => { transcript.scrollTop = transcript.scrollHeight; });
  for (const printed of result.documents || []) {
    if (Array.isArray(result.documents) && printed.sgml) showPrinted(printed);
  }
}

async function runLine(line) {
  history.push(line);
  historyAt = history.length;
  const answer = await ask("/api/line", { line });
  if (!answer) return;
  const result = answer.output.result || {};
  showLineError(line, result.kind === "refused" ? result.error : "", result.column);
  if (result.error && result.kind !== "refused") say("errors", result.error);
  record(line, answer.output);
  if (result.kind === "search" && result.set) showHits(result.set, 1);
}

async function showHits(set, from) {
  const total = setHits.get(set) || 0;
  const answer = await ask(`/api/hits?set=${set}&from=${from}&count=${pageSize}`);
  if (!answer) return;
  if (answer.error) say("errors", answer.error);
  shownSet = set;
  shownFrom = from;
  $("hits-area").hidden = false;
  $("hits").dataset.set = set;
  $("hits").dataset.from = from;
  $("hits").caption.textContent = "Documents";
  $("page-position").textContent =
    `Set ${set}: ${Math.min(from, total)}–${Math.min(from + pageSize - 1, total)} of ${total}`;
  $("previous-page").disabled = from <= 1;
  $("next-page").disabled = from + pageSize > total;
  const body = $("hits").tBodies[0];
  body.replaceChildren();
  for (const hit of answer.hits) {
    const row = document.createElement("tr");
    const open = element("button", hit.number);
    open.type = "button";
    open.addEventListener("click", () => openDocument(set, hit.position));
    const number = document.createElement("td");
    number.append(open);
    row.append(element("td", hit.position), number, element("td", hit.kind),
               element("td", hit.title), element("td", hit.applicant), element("td", hit.date));
    body.append(row);
  }
}

function pageImage(source, page, number) {
  const image = document.createElement("img");
  image.src = source;
  image.alt = `Page ${page} of ${number}`;
  image.dataset.page = page;
  return image;
}

// The first page's image is asked for beside the document, under a ticket
// of this opening: the desk sends it as soon as it is made, while the
// answer (the other pages, the view) is still on its way.
async function openDocument(set, position) {
  const ticket = crypto.randomUUID().replaceAll("-", "");
  const pages = $("pages");
  const before = [...pages.children];
  const first = pageImage(`/api/page?ticket=${ticket}`, 1, "the document being opened");
  pages.replaceChildren(first);
  applyZoom();
  $("document-area").hidden = false;
  const answer = await ask("/api/open", { set, position, ticket });
  if (!answer || answer.error) {
    if (answer) say("errors", answer.error);
    pages.replaceChildren(...before);
    return;
  }
  showPrinted(answer.document, `${set}:${position}`, answer.document.png.length ? first : null);
}

function download(name, label) {
  const item = document.createElement("li");
  const link = element("a", label);
  link.href = `/files/${encodeURIComponent(name)}?download=1`;
  link.download = name;
  item.append(link);
  return item;
}

async function showRegister() {
  const number = $("register-button").dataset.number;
  const answer = await ask("/api/register", { number });
  if (!answer) return;
  $("register-note").hidden = !answer.note;
  $("register-note").textContent = answer.note || "";
  $("register-view").hidden = !answer.view;
  if (answer.view) $("register-view").src = `/files/${encodeURIComponent(answer.view)}`;
}

// `first`: the first page's image, already asked for, kept as it is.
function showPrinted(printed, opened = "printed", first = null) {
  $("document-area").hidden = false;
  $("document-area").dataset.opened = opened;
  $("document-title").textContent = `${printed.number} ${printed.title}`;
  $("register-button").dataset.number = printed.number;
  $("register-note").hidden = true;
  $("register-view").hidden = true;
  for (const problem of printed.problems || []) say("errors", problem);
  if (printed.view_problem) say("errors", printed.view_problem);
  // The pages' images before the view: the desk makes the view last.
  const images = printed.png.map((name, page) => (page === 0 && first ? first
    : pageImage(`/files/${encodeURIComponent(name)}`, page + 1, printed.number)));
  if (first) first.alt = `Page 1 of ${printed.number}`;
  $("pages").replaceChildren(...images);
  applyZoom();
  const view = $("document-view");
  if (printed.view) view.src = `/files/${encodeURIComponent(printed.view)}`;
  const downloads = $("downloads");
  downloads.replaceChildren(download(printed.sgml, `${printed.sgml} (SGML)`));
  printed.tiff.forEach((name, page) => downloads.append(download(name, `Page ${page + 1} (TIFF)`)));
}

function applyZoom() {
  for (const image of $("pages").querySelectorAll("img")) {
    image.style.width = `${Math.round(zoom * 100) / 2}%`;
  }
}

function recall(step) {
  if (history.length === 0) return;
  historyAt = Math.max(0, Math.min(history.length, historyAt + step));
  $("command").value = historyAt < history.length ? history[historyAt] : "";
}

$("command-form").addEventListener("submit", (event) => {
  event.preventDefault();
  const line = $("command").value;
  $("command").value = "";
  if (line.trim()) runLine(line);
});
$("command").addEventListener("keydown", (event) => {
  if (event.key === "ArrowUp") recall(-1);
  else if (event.key === "ArrowDown") recall(1);
  else return;
  event.preventDefault();
});
$("register-button").addEventListener("click", showRegister);
$("help-button").addEventListener("click", () => runLine("..HE"));
$("previous-page").addEventListener("click", () => showHits(shownSet, Math.max(1, shownFrom - pageSize)));
$("next-page").addEventListener("click", () => showHits(shownSet, shownFrom + pageSize));
$("zoom-in").addEventListener("click", () => { zoom = Math.min(4, zoom * 1.25); applyZoom(); });
$("zoom-out").addEventListener("click", () => { zoom = Math.max(0.25, zoom / 1.25); applyZoom(); });
ask("/api/state");
watchEvents();
