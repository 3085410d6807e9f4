// The live viewer's page. The server pushes each new state of the descriptions as a server-sent
// event; the page redraws what changed and keeps the author's view: the stretch shown, the pan
// and zoom of the plan, the selection, the filter.
'use strict';

const $ = (id) => document.getElementById(id);

const view = {
  state: null,             // the last state the server sent
  pictureVersion: null,    // the version whose pictures are shown
  stretch: null,           // {from, to} in metres, or null for the whole line
  planBox: null,           // the plan's viewBox as the author left it {x, y, w, h}
  planFull: null,          // the plan's own viewBox
  details: [],             // the plan's details: element, placeholder, zoom it fits at, anchor, shown
  codes: { from: Infinity, query: '', loaded: null, loading: null },  // the plan's approach codes
  profile: null,           // {from, to, left, width} of the profile's distance axis
  selected: null,          // {type: 'object', id} or {type: 'problem', index, key, line}
  loading: null,           // the pictures being fetched
  wantedRecord: null,      // {description, line} named by the address's #record=, until shown
  editor: false,           // an editor is linked: selecting an object opens its record there
};

// "1 error", "2 errors".
function count(n, word) {
  return `${n} ${word}${n === 1 ? '' : 's'}`;
}

// "35+150" for 35150 m.
function kmText(metres) {
  const sign = metres < 0 ? '-' : '';
  const m = Math.abs(Math.round(metres));
  return `${sign}${Math.floor(m / 1000)}+${String(m % 1000).padStart(3, '0')}`;
}

// 35+150, 35.15 or 35 (km) as metres; null when it is none of these.
function parseKm(text) {
  const t = text.trim();
  let match = /^(\d+)\+(\d{1,3})$/.exec(t);
  if (match) return Number(match[1]) * 1000 + Number(match[2]);
  match = /^\d+(\.\d+)?$/.exec(t);
  if (match) return Math.round(Number(t) * 1000);
  return null;
}

function element(tag, attributes = {}, ...children) {
  const e = document.createElement(tag);
  for (const [k, v] of Object.entries(attributes)) {
    if (k === 'className') e.className = v;
    else if (k.startsWith('on')) e.addEventListener(k.slice(2), v);
    else e.setAttribute(k, v);
  }
  for (const c of children) e.append(c);
  return e;
}

// ---- pictures ----

function pictureQuery(path) {
  const query = new URLSearchParams();
  if (view.stretch) {
    query.set('from', view.stretch.from);
    query.set('to', view.stretch.to);
  }
  // Each picture is drawn for its panel's shape, so that it fills it.
  const panel = $(path === '/plan.svg' ? 'plan' : 'profile');
  if (panel) {
    query.set('width', Math.min(8000, Math.max(200, Math.round(panel.clientWidth))));
    query.set('height', Math.min(8000, Math.max(200, Math.round(panel.clientHeight))));
  }
  const text = query.toString();
  return text ? `?${text}` : '';
}

async function fetchSvg(path, query = pictureQuery(path)) {
  const response = await fetch(path + query, { cache: 'no-store' });
  if (!response.ok) throw new Error(`${path}: ${response.status}`);
  const text = await response.text();
  // Read by the page's own (HTML) parser, which takes a long line's picture several times
  // faster than an XML parser would; the picture comes from this server and holds no script.
  const holder = document.createElement('template');
  holder.innerHTML = text;
  const svg = holder.content.firstElementChild;
  if (!svg || svg.nodeName !== 'svg') throw new Error(`${path}: not an SVG picture`);
  return document.adoptNode(svg);
}

function readViewBox(svg) {
  const vb = svg.viewBox.baseVal;
  if (vb && vb.width > 0) return { x: vb.x, y: vb.y, w: vb.width, h: vb.height };
  const w = Number(svg.getAttribute('width')) || 1000;
  const h = Number(svg.getAttribute('height')) || 600;
  return { x: 0, y: 0, w, h };
}

function applyPlanBox() {
  const svg = $('plan').querySelector('svg');
  if (!svg || !view.planBox) return;
  const b = view.planBox;
  svg.setAttribute('viewBox', `${b.x} ${b.y} ${b.w} ${b.h}`);
  // Names keep the size they were drawn at: closer in, they shrink toward their marks, so that
  // a zoomed plan shows more of the line rather than larger letters.
  if (!view.planFull) return;
  const zoom = view.planFull.w / b.w;
  svg.style.setProperty('--label-scale', Math.min(1, 1 / zoom));
  // Details (station areas, stop cells, approach codes) show from the zoom at which they stand
  // clear of each other, and only in and around the stretch in view: a long line has thousands,
  // and each one in the page costs the browser its layout whether it is seen or not.
  for (const detail of view.details) {
    const near = Number.isNaN(detail.x) ||
      (Math.abs(detail.x - (b.x + b.w / 2)) <= 1.5 * b.w && Math.abs(detail.y - (b.y + b.h / 2)) <= 1.5 * b.h);
    const shown = near && detail.from <= zoom * 1.0001;
    if (shown === detail.shown) continue;
    detail.shown = shown;
    if (shown) {
      if (detail.element.dataset.anchor) anchor(detail.element);
      detail.element.setAttribute('visibility', 'visible');
      if (detail.place) detail.place.before(detail.element);
      else detail.into.append(detail.element);
    } else {
      detail.element.remove();
    }
  }
  const codes = view.codes;
  if (codes.loaded !== svg && zoom * 1.0001 >= codes.from) loadCodes();
  document.body.dataset.codes = codes.loaded === svg ? 'shown'
    : codes.from === Infinity ? 'none' : codes.loading === svg ? 'pending' : 'apart';
  document.body.dataset.zoom = zoom.toFixed(3);
}

// Zooming magnifies the line, not its signs: each object's mark with its name, each km tick
// and each detail keeps its size on screen, scaled by the plan's --label-scale (viewer.css)
// around the point it stands for, which the server writes as its `data-anchor`.
function anchorSigns(svg) {
  for (const sign of svg.querySelectorAll('[data-anchor]:not([data-min-zoom])')) anchor(sign);
}

function anchor(sign) {
  const [x, y] = sign.dataset.anchor.split(' ');
  sign.style.transformOrigin = `${x}px ${y}px`;
}

// Takes the details under `root` out, for applyPlanBox to put back those the view wants: each
// where it stood among its neighbours (a placeholder keeps its place), or, when `into` is
// given, into that group, where their order does not matter (the approach codes).
function holdDetails(root, into = null) {
  return [...root.querySelectorAll('[data-min-zoom]')].map((element) => {
    const [x, y] = (element.dataset.anchor ?? 'NaN NaN').split(' ').map(Number);
    let place = null;
    if (into) {
      element.remove();
    } else {
      place = document.createComment('');
      element.replaceWith(place);
    }
    return { element, place, into, from: Number(element.dataset.minZoom), x, y, shown: false };
  });
}

// ---- approach codes ----

// The plan's approach codes are asked for apart from it: on a long line they are thousands,
// and none fits until the plan is magnified many times. The page asks for them (`codes=only`,
// the same plan's shape) once its zoom lets the first of them show.
function codesQuery(planQuery, codes) {
  return `${planQuery}${planQuery ? '&' : '?'}codes=${codes}`;
}

// Holds the codes of `codes` (a plan holding only them) as details of the plan's empty group
// for them, which applyPlanBox fills with those in view.
function putCodes(plan, codes) {
  const place = plan.querySelector('g.approach-codes');
  const drawn = codes.querySelector('g.approach-codes');
  if (!place || !drawn) return [];
  view.codes.loaded = plan;
  return holdDetails(drawn, place);
}

async function loadCodes() {
  const plan = $('plan').querySelector('svg');
  const codes = view.codes;
  if (!plan || codes.loaded === plan || codes.loading === plan) return;
  codes.loading = plan;
  document.body.dataset.codes = 'pending';
  let drawn;
  try {
    drawn = await fetchSvg('/plan.svg', codesQuery(codes.query, 'only'));
  } catch (e) {
    console.warn('approach codes not loaded:', e.message);
  }
  // A newer picture may have come meanwhile: it has its codes of its own.
  if (view.codes !== codes || $('plan').querySelector('svg') !== plan) return;
  codes.loading = null;
  if (!drawn) { document.body.dataset.codes = 'failed'; return; }
  view.details.push(...putCodes(plan, drawn));
  applyPlanBox();
}

// The plan's legend stands in the panel's corner, out of the pan and zoom.
function showLegend(svg) {
  const legend = svg.querySelector('g.legend');
  const holder = $('legend');
  // An <svg> has no `hidden` property: the attribute itself is set.
  if (!legend) { holder.replaceChildren(); holder.setAttribute('hidden', ''); return; }
  legend.remove();
  legend.removeAttribute('transform');
  holder.setAttribute('width', legend.dataset.width);
  holder.setAttribute('height', legend.dataset.height);
  holder.setAttribute('viewBox', `0 0 ${legend.dataset.width} ${legend.dataset.height}`);
  holder.replaceChildren(legend);
  holder.removeAttribute('hidden');
}

// Fetches both pictures for the current stretch; `keepView` keeps the plan's pan and zoom.
async function loadPictures(keepView) {
  const version = view.state ? view.state.pictureVersion : null;
  // The approach codes come with the plan when the view kept is close enough in for them.
  const planQuery = pictureQuery('/plan.svg');
  const zoom = view.planFull && view.planBox ? view.planFull.w / view.planBox.w : 1;
  const withCodes = keepView && zoom * 1.0001 >= view.codes.from;
  const job = Promise.all([fetchSvg('/plan.svg', codesQuery(planQuery, 'apart')),
    fetchSvg('/profile.svg'), withCodes ? fetchSvg('/plan.svg', codesQuery(planQuery, 'only')) : null]);
  view.loading = job;
  let plan, profile, codes;
  try {
    [plan, profile, codes] = await job;
  } catch (e) {
    if (view.loading === job) view.loading = null;
    console.warn('pictures not loaded:', e.message);
    return;
  }
  if (view.loading !== job) return;  // a later load has started
  view.loading = null;
  for (const svg of [plan, profile]) {
    svg.removeAttribute('width');
    svg.removeAttribute('height');
    svg.setAttribute('preserveAspectRatio', 'xMidYMid meet');
  }
  commitPending();
  const full = readViewBox(plan);
  showLegend(plan);
  const codesFrom = Number(plan.dataset.approachCodesFrom);
  view.codes = { from: Number.isFinite(codesFrom) ? codesFrom : Infinity, query: planQuery, loaded: null, loading: null };
  anchorSigns(plan);
  view.details = holdDetails(plan);
  if (codes) view.details.push(...putCodes(plan, codes));
  $('plan').replaceChildren(plan);
  $('profile').replaceChildren(profile);
  if (!keepView || !view.planBox || !view.planFull ||
      Math.abs(full.w - view.planFull.w) > 1e-6 || Math.abs(full.h - view.planFull.h) > 1e-6) {
    view.planBox = { ...full };
  }
  view.planFull = full;
  applyPlanBox();
  const p = profile;
  view.profile = {
    from: Number(p.dataset.from ?? 0),
    to: Number(p.dataset.to ?? (view.state?.picture?.lineEnd ?? 1)),
    left: Number(p.dataset.left ?? 0),
    width: Number(p.dataset.width ?? readViewBox(p).w),
  };
  $('profile-range').textContent = `${kmText(view.profile.from)} to ${kmText(view.profile.to)}`;
  view.pictureVersion = version;
  document.body.dataset.pictureVersion = String(version);
  document.body.dataset.stretch = view.stretch ? `${view.stretch.from}-${view.stretch.to}` : 'whole';
  showSelection(false);
}

// ---- pan and zoom ----

function planPoint(svg, clientX, clientY) {
  const m = svg.getScreenCTM();
  if (!m) return null;
  const p = new DOMPoint(clientX, clientY).matrixTransform(m.inverse());
  return { x: p.x, y: p.y };
}

// A pan or zoom in progress is shown by moving the drawn picture (a CSS transform, which the
// browser does without drawing the plan again) and made the plan's own view once the hand
// rests, so that a long line pans without stalls.
const pending = { s: 1, tx: 0, ty: 0, timer: 0 };

function showPending() {
  const svg = $('plan').querySelector('svg');
  if (svg) svg.style.transform = `translate(${pending.tx}px, ${pending.ty}px) scale(${pending.s})`;
}

// Makes the pan or zoom in progress the plan's view.
function commitPending() {
  clearTimeout(pending.timer);
  const svg = $('plan').querySelector('svg');
  if (!svg || !view.planBox || (pending.s === 1 && pending.tx === 0 && pending.ty === 0)) return;
  const rect = $('plan').getBoundingClientRect();
  const cx = (rect.width / 2 - pending.tx) / pending.s;
  const cy = (rect.height / 2 - pending.ty) / pending.s;
  const scale = pending.s;
  Object.assign(pending, { s: 1, tx: 0, ty: 0 });
  svg.style.transform = '';
  const centre = planPoint(svg, rect.left + cx, rect.top + cy);
  if (!centre) return;
  const w = view.planBox.w / scale;
  const h = view.planBox.h / scale;
  view.planBox = { x: centre.x - w / 2, y: centre.y - h / 2, w, h };
  applyPlanBox();
}

function commitSoon() {
  clearTimeout(pending.timer);
  pending.timer = setTimeout(commitPending, 150);
}

function setUpPanZoom() {
  const panel = $('plan');
  let drag = null;
  panel.addEventListener('wheel', (event) => {
    if (!panel.querySelector('svg') || !view.planBox) return;
    event.preventDefault();
    const rect = panel.getBoundingClientRect();
    const qx = event.clientX - rect.left;
    const qy = event.clientY - rect.top;
    let k = Math.exp(-Math.sign(event.deltaY) * Math.min(Math.abs(event.deltaY), 200) / 400);
    // Between the whole line seen four times over and a stretch a two-thousandth of it.
    const width = view.planBox.w / (pending.s * k);
    if (width < view.planFull.w / 2000 || width > view.planFull.w * 4) k = 1;
    pending.tx = qx - k * (qx - pending.tx);
    pending.ty = qy - k * (qy - pending.ty);
    pending.s *= k;
    showPending();
    commitSoon();
  }, { passive: false });
  panel.addEventListener('pointerdown', (event) => {
    if (!panel.querySelector('svg') || event.button !== 0) return;
    clearTimeout(pending.timer);
    drag = { x: event.clientX, y: event.clientY, tx: pending.tx, ty: pending.ty, moved: false };
    panel.setPointerCapture(event.pointerId);
  });
  panel.addEventListener('pointermove', (event) => {
    if (!drag) { hoverName(event); return; }
    const dx = event.clientX - drag.x;
    const dy = event.clientY - drag.y;
    if (Math.abs(dx) + Math.abs(dy) > 3) {
      drag.moved = true;
      panel.classList.add('panning');
    }
    pending.tx = drag.tx + dx;
    pending.ty = drag.ty + dy;
    showPending();
  });
  const end = (event) => {
    if (!drag) return;
    const clicked = !drag.moved;
    drag = null;
    panel.classList.remove('panning');
    commitPending();
    if (clicked) {
      const target = document.elementFromPoint(event.clientX, event.clientY);
      const mark = target && target.closest('[data-cell], [data-station]');
      if (mark && panel.contains(mark)) selectObject(idOfMark(mark), { centre: false });
    }
  };
  panel.addEventListener('pointerup', end);
  panel.addEventListener('pointercancel', () => {
    drag = null;
    panel.classList.remove('panning');
    commitPending();
  });
  panel.addEventListener('pointerleave', () => { $('hover').hidden = true; });
  $('profile').addEventListener('pointermove', hoverName);
  $('profile').addEventListener('pointerleave', () => { $('hover').hidden = true; });
  $('profile').addEventListener('click', (event) => {
    const mark = event.target.closest('[data-cell], [data-station]');
    if (mark) selectObject(idOfMark(mark), { centre: true });
  });
}

// Names the object under the pointer, from its picture's title.
function hoverName(event) {
  const box = $('hover');
  const mark = event.target.closest && event.target.closest('[data-cell], [data-station]');
  const title = mark && mark.querySelector('title');
  if (!title) { box.hidden = true; return; }
  const panel = $('plan-panel').getBoundingClientRect();
  box.textContent = title.textContent;
  box.hidden = false;
  box.style.left = `${event.clientX - panel.left + 12}px`;
  box.style.top = `${event.clientY - panel.top + 12}px`;
}

// The centre of `mark` in the plan's own coordinates: of its drawn sign, not its name.
function markCentre(svg, mark) {
  const sign = [...mark.children].find((c) => c.tagName !== 'title' && c.tagName !== 'text') ?? mark;
  const r = sign.getBoundingClientRect();
  return planPoint(svg, r.left + r.width / 2, r.top + r.height / 2);
}

function centrePlanOn(mark) {
  const svg = $('plan').querySelector('svg');
  if (!svg || !mark || !view.planBox) return;
  commitPending();
  applyPlanBox();
  const c = markCentre(svg, mark);
  if (!c) return;
  let { w, h } = view.planBox;
  // From the whole line, come closer: a station among its neighbours rather than a dot.
  if (view.planFull && w > view.planFull.w / 2) {
    w = view.planFull.w / 3;
    h = view.planFull.h / 3;
  }
  view.planBox = { x: c.x - w / 2, y: c.y - h / 2, w, h };
  applyPlanBox();
}

// ---- selection ----

function objectById(id) {
  return view.state?.objects?.find((o) => o.id === id) ?? null;
}

// An object's mark in a picture: a station by its entry, anything else by its cell.
function markFor(container, o) {
  if (o.station != null) {
    const mark = container.querySelector(`[data-station="${o.station}"]`);
    if (mark) return mark;
  }
  return o.cell != null ? container.querySelector(`[data-cell="${o.cell}"]`) : null;
}

// The object a picture's mark stands for.
function idOfMark(mark) {
  return mark.dataset.station != null ? `s${mark.dataset.station}` : `c${mark.dataset.cell}`;
}

// The drawn object nearest to `metres`, for a problem that names a place on the line only.
function nearestMark(container, metres) {
  let best = null;
  let bestDistance = Infinity;
  for (const mark of container.querySelectorAll('[data-cell]')) {
    if (mark.dataset.cell == null) continue;
    const d = Math.abs(Number(mark.dataset.cell) * 50 - metres);
    if (d < bestDistance) { best = mark; bestDistance = d; }
  }
  return best;
}

function clearHighlights() {
  for (const e of document.querySelectorAll('svg .selected')) e.classList.remove('selected');
  for (const e of document.querySelectorAll('svg .cursor-line')) e.remove();
  for (const e of document.querySelectorAll('.list li.active')) e.classList.remove('active');
}

function markProfile(metres) {
  const svg = $('profile').querySelector('svg');
  const p = view.profile;
  if (!svg || !p || metres == null || metres < p.from || metres > p.to || p.to <= p.from) return;
  const x = p.left + ((metres - p.from) / (p.to - p.from)) * p.width;
  const box = readViewBox(svg);
  const line = document.createElementNS('http://www.w3.org/2000/svg', 'line');
  line.setAttribute('class', 'cursor-line');
  line.setAttribute('x1', x);
  line.setAttribute('x2', x);
  line.setAttribute('y1', box.y);
  line.setAttribute('y2', box.y + box.h);
  svg.append(line);
}

function sourceBlock(file, line, text, column) {
  const block = element('div');
  block.append(element('div', { className: 'where' }, `${file}:${line}${column ? ':' + column : ''}`));
  if (text != null) {
    // Long records wrap in the narrow panel; the column is marked in the text itself, since a
    // caret on a line of its own would not follow the wrapping.
    const at = column ? Math.min(Math.max(0, column - 1), text.length) : -1;
    const pre = element('pre');
    if (at < 0) {
      pre.append(text);
    } else {
      pre.append(text.slice(0, at), element('mark', {}, text.slice(at, at + 1) || ' '), text.slice(at + 1));
    }
    block.append(pre);
  }
  return block;
}

function selectObject(id, { centre = true, tellEditor = true } = {}) {
  view.selected = { type: 'object', id };
  showSelection(centre);
  if (tellEditor && view.editor) openInEditor(objectById(id));
}

// ---- the editor ----

// Asks the linked editor to open the record that placed the object.
function openInEditor(o) {
  const files = view.state?.files;
  if (!o?.source || !files) return;
  const description = o.source.file === files.line ? 'line' : o.source.file === files.train ? 'train' : null;
  if (!description) return;
  const query = new URLSearchParams({ description, line: String(o.source.line) });
  fetch(`/api/open-record?${query}`, { method: 'POST' })
    .catch((e) => console.warn('the editor was not asked:', e.message));
}

// "#record=train:57": the object placed by line 57 of the train description.
function recordOfAddress() {
  const match = /^#record=(line|train):([1-9][0-9]*)$/.exec(location.hash);
  return match ? { description: match[1], line: Number(match[2]) } : null;
}

// Selects the object of the record the address names, once the objects are there; an editor
// opens the page at a record this way.
function selectWantedRecord() {
  const wanted = view.wantedRecord;
  const s = view.state;
  if (!wanted || !s) return;
  const file = s.files[wanted.description];
  const o = s.objects.find((x) => x.source && x.source.file === file && x.source.line === wanted.line);
  if (!o) {
    if (s.stale && s.objects.length === 0) return;  // nothing compiled yet: wait for it
    view.wantedRecord = null;
    view.selected = null;
    clearHighlights();
    $('selection').replaceChildren(element('p', { className: 'hint' },
      `No object comes from ${file}:${wanted.line}.`));
    return;
  }
  view.wantedRecord = null;
  // The object must be in the list to be shown there: a filter that hides it goes.
  $('kind-filter').value = '';
  $('search').value = '';
  renderObjects();
  selectObject(o.id, { centre: true, tellEditor: false });
  document.querySelector(`#object-list li[data-id="${o.id}"]`)?.scrollIntoView({ block: 'center' });
}

async function linkEditor() {
  try {
    const answer = await fetch('/api/editor');
    view.editor = answer.ok && (await answer.json()).linked === true;
  } catch {
    view.editor = false;
  }
  document.body.dataset.editor = view.editor ? 'linked' : 'none';
}

// A problem is followed across versions by what it says, not by its place in the list: an edit
// elsewhere may move it, and mending it removes it.
function problemKey(d) {
  return `${d.severity}|${d.code ?? ''}|${d.rule ?? ''}|${d.file ?? ''}|${d.message}`;
}

function selectProblem(index) {
  const d = view.state?.diagnostics?.[index];
  view.selected = { type: 'problem', index, key: d ? problemKey(d) : null, line: d?.line };
  showSelection(true);
}

// The selected problem in the current state: the one that says the same, the nearest to the
// line it was at; none once it is mended.
function findSelectedProblem(s) {
  const diagnostics = view.state.diagnostics;
  if (diagnostics[s.index] && problemKey(diagnostics[s.index]) === s.key) return s.index;
  let best = -1;
  diagnostics.forEach((d, i) => {
    if (problemKey(d) !== s.key) return;
    if (best < 0 || Math.abs(d.line - s.line) < Math.abs(diagnostics[best].line - s.line)) best = i;
  });
  return best;
}

const noSelectionHint = 'Select an object or a problem to see where it is and which record wrote it.';

function showSelection(centre) {
  clearHighlights();
  const box = $('selection');
  const s = view.selected;
  if (!s || !view.state) return;
  if (s.type === 'object') {
    const o = objectById(s.id);
    if (!o) {
      box.replaceChildren(element('p', { className: 'hint' }, 'The selected object is no longer there.'));
      return;
    }
    const name = o.text ? `${o.kind} ${o.text}` : o.kind;
    const values = Object.entries(o.values).map(([k, v]) => `${k} ${v}`).join(', ');
    box.replaceChildren(
      element('h2', {}, name),
      element('div', {}, `${o.exact ? '' : '~'}${o.km}${o.cell != null ? ` (cell ${o.cell})` : ''}${o.added ? ', added by the compiler' : ''}`),
      element('div', { className: 'hint-line' }, values));
    if (o.source) box.append(sourceBlock(o.source.file, o.source.line, o.source.text));
    for (const li of document.querySelectorAll(`#object-list li[data-id="${o.id}"]`)) li.classList.add('active');
    const mark = markFor($('plan'), o);
    if (mark) {
      mark.classList.add('selected');
      if (centre) centrePlanOn(mark);
    }
    const profileMark = markFor($('profile'), o);
    if (profileMark) profileMark.classList.add('selected');
    markProfile(o.position);
  } else {
    s.index = findSelectedProblem(s);
    const d = view.state.diagnostics[s.index];
    if (!d) {
      view.selected = null;
      box.replaceChildren(element('p', { className: 'hint mended' }, 'The problem selected is mended.'),
        element('p', { className: 'hint' }, noSelectionHint));
      return;
    }
    s.line = d.line;
    box.replaceChildren(
      element('h2', {}, `${d.severity}${d.code ? ' ' + d.code : ''}${d.position != null ? ' at ' + kmText(d.position) : ''}`),
      element('div', {}, d.message));
    if (d.file) box.append(sourceBlock(d.file, d.line, d.sourceLine, d.sourceColumn));
    if (d.heldBy) box.append(element('div', { className: 'hint-line' }, `note: ${d.heldBy.message}`));
    if (d.hint) box.append(element('div', { className: 'hint-line' }, `hint: ${d.hint}`));
    for (const li of document.querySelectorAll(`#problem-list li[data-index="${s.index}"]`)) li.classList.add('active');
    if (d.position != null) {
      const mark = nearestMark($('plan'), d.position);
      if (mark && centre) centrePlanOn(mark);
      markProfile(d.position);
    }
  }
}

// ---- lists ----

// The object list's items as last made, by object id: a save changes a few objects of a
// long line, and only their items are made again.
let listed = new Map();

// Makes `list` hold `items` in their order, moving only what is out of place: each item the
// page changes costs the browser its layout.
function showInOrder(list, items) {
  const wanted = new Set(items);
  for (const child of [...list.children]) if (!wanted.has(child)) child.remove();
  let cursor = list.firstElementChild;
  for (const item of items) {
    if (item === cursor) { cursor = cursor.nextElementSibling; continue; }
    list.insertBefore(item, cursor);
  }
}

function renderObjects() {
  const objects = view.state?.objects ?? [];
  const filter = $('kind-filter');
  const kinds = [...new Set(objects.map((o) => o.kind))].sort();
  const chosen = filter.value;
  filter.replaceChildren(element('option', { value: '' }, 'every kind'),
    ...kinds.map((k) => element('option', { value: k }, k)));
  filter.value = kinds.includes(chosen) ? chosen : '';
  const query = $('search').value.trim();
  const km = parseKm(query);
  const words = query.toLowerCase();
  const shown = objects.filter((o) => {
    if (filter.value && o.kind !== filter.value) return false;
    if (!query) return true;
    if (km != null && Math.abs(o.position - km) <= 1000) return true;
    return (o.text ?? '').toLowerCase().includes(words) || o.km.startsWith(query);
  });
  const selectedId = view.selected?.type === 'object' ? view.selected.id : null;
  const items = shown.map((o) => {
    const words = o.text ?? Object.entries(o.values).map(([k, v]) => `${k} ${v}`).slice(0, 2).join(', ');
    const active = o.id === selectedId ? 'active' : '';
    const key = `${o.km}\n${o.kind}\n${words}\n${active}`;
    const kept = listed.get(o.id);
    if (kept && kept.key === key) return kept;
    return {
      key,
      li: element('li', { 'data-id': o.id, className: active, onclick: () => selectObject(o.id) },
        element('span', { className: 'km' }, o.km),
        element('span', { className: 'kind' }, o.kind),
        element('span', {}, words)),
    };
  });
  showInOrder($('object-list'), items.map((item) => item.li));
  listed = new Map(shown.map((o, i) => [o.id, items[i]]));
  $('object-count').textContent = shown.length === objects.length ? `${objects.length}` : `${shown.length} of ${objects.length}`;
}

function problemItem(d, index) {
  return element('li', { 'data-index': index, className: d.severity, onclick: () => selectProblem(index) },
    element('span', { className: 'kind' }, d.severity + (d.code ? ' ' + d.code : '')),
    element('span', {}, element('span', { className: 'place' }, d.file ? `${d.file.split(/[\\/]/).pop()}:${d.line}` : ''),
      ' ', d.message));
}

function renderProblems() {
  const diagnostics = view.state?.diagnostics ?? [];
  const s = view.state;
  // The server lists the first warnings only; the rest are counted.
  const leftOut = s?.warningsLeftOut
    ? [element('li', { className: 'warning' }, `${count(s.warningsLeftOut, 'more warning')} not listed`)]
    : [];
  $('problem-list').replaceChildren(...diagnostics.map(problemItem), ...leftOut);
  $('problem-count').textContent = s ? `${count(s.errors, 'error')}, ${count(s.warnings, 'warning')}` : '';
}

function renderStale() {
  const s = view.state;
  const banner = $('stale-banner');
  $('plan-panel').classList.toggle('stale', !!s?.stale);
  if (!s?.stale) { banner.hidden = true; return; }
  const errors = s.diagnostics.map((d, i) => [d, i]).filter(([d]) => d.severity === 'error');
  const title = s.pictureVersion
    ? `Last good picture (version ${s.pictureVersion}); the descriptions now fail:`
    : 'No picture yet; the descriptions fail:';
  const items = errors.slice(0, 6).map(([d, i]) => element('li', {},
    element('button', { type: 'button', onclick: () => selectProblem(i) },
      `${d.file ? d.file.split(/[\\/]/).pop() + ':' + d.line + ': ' : ''}${d.message}`)));
  if (s.problem) items.unshift(element('li', {}, s.problem));
  if (errors.length > 6) items.push(element('li', {}, `and ${errors.length - 6} more (Problems)`));
  banner.replaceChildren(element('h2', {}, title), element('ol', {}, ...items));
  banner.hidden = false;
}

function renderHeader() {
  const s = view.state;
  const status = $('status');
  if (!s) return;
  if (s.picture) $('title').textContent = `${s.picture.line} \u2013 ${s.picture.train}`;
  // The counts are those `check` tells, warnings as well as errors: a page over descriptions
  // that warn never reads as clean.
  status.className = 'status ' + (s.stale ? 'stale' : s.warnings ? 'warnings' : 'live');
  const errors = s.limitReached ? `${s.errors}+ errors` : count(s.errors, 'error');
  const counts = `${errors}, ${count(s.warnings, 'warning')}`;
  status.textContent = s.stale ? `stale: ${counts}` : s.warnings ? counts : `up to date: ${counts}`;
  status.title = s.stale ? 'the descriptions fail; the picture is the last good one' : '';
  $('files').textContent = `${s.files.line} \u00b7 ${s.files.train}`;
  $('timing').textContent = `version ${s.version}, compiled in ${Math.round(s.compileMilliseconds)} ms`;
}

async function applyState(s) {
  view.state = s;
  document.body.dataset.version = String(s.version);
  document.body.dataset.stale = String(s.stale);
  // A new picture is asked for first, so that the server draws it while the lists are made
  // (and the panels' sizes are read before the lists change the page's layout).
  const newPicture = s.pictureVersion != null && s.pictureVersion !== view.pictureVersion;
  const firstPicture = view.pictureVersion == null;
  const pictures = newPicture ? loadPictures(true) : null;
  renderHeader();
  renderObjects();
  renderProblems();
  renderStale();
  if (pictures) {
    await pictures;
    if (!firstPicture && view.pictureVersion === s.pictureVersion) showChanges(s.changes ?? []);
  } else {
    showSelection(false);
  }
  selectWantedRecord();
  document.body.dataset.shownVersion = String(s.version);
}

// ---- what the last version changed ----

const changeMoment = 4000;  // ms a change stays pointed out
let changeTimer = 0;

// The object mark of `container` standing at `metres`, or within a cell of it.
function markAt(container, metres) {
  let best = null;
  let bestDistance = 50;
  for (const mark of container.querySelectorAll('[data-at]')) {
    const d = Math.abs(Number(mark.dataset.at) - metres);
    if (d <= bestDistance) { best = mark; bestDistance = d; }
  }
  return best;
}

// Points out for a moment what the new version changed, as `diff` tells it: the changed
// objects' marks on both pictures, and the changes named above the plan.
function showChanges(changes) {
  clearTimeout(changeTimer);
  for (const e of document.querySelectorAll('svg .changed')) e.classList.remove('changed');
  const note = $('changes');
  if (changes.length === 0) { note.hidden = true; return; }
  let marked = 0;
  for (const c of changes) {
    if (c.position == null) continue;
    for (const panel of [$('plan'), $('profile')]) {
      const mark = markAt(panel, c.position);
      if (mark) { mark.classList.add('changed'); marked += 1; }
    }
  }
  const shown = changes.slice(0, 3).map((c) => c.text).join('; ');
  note.textContent = `Changed: ${shown}${changes.length > 3 ? `; and ${changes.length - 3} more` : ''}`;
  note.title = changes.map((c) => c.text).join('\n');
  note.hidden = false;
  document.body.dataset.changes = String(changes.length);
  document.body.dataset.changesMarked = String(marked);
  changeTimer = setTimeout(() => {
    for (const e of document.querySelectorAll('svg .changed')) e.classList.remove('changed');
    note.hidden = true;
  }, changeMoment);
}

// ---- the stream of states ----

function connect() {
  const events = new EventSource('/api/events');
  let queue = Promise.resolve();
  events.addEventListener('state', (event) => {
    const s = JSON.parse(event.data);
    queue = queue.then(() => applyState(s)).catch((e) => console.warn('state not shown:', e.message));
  });
  events.addEventListener('error', () => {
    const status = $('status');
    status.className = 'status lost';
    status.textContent = 'server not answering; retrying';
  });
}

function setUpControls() {
  $('kind-filter').addEventListener('change', renderObjects);
  $('search').addEventListener('input', renderObjects);
  for (const button of document.querySelectorAll('.tabs button')) {
    button.addEventListener('click', () => {
      for (const b of document.querySelectorAll('.tabs button')) b.classList.toggle('active', b === button);
      $('objects-tab').hidden = button.dataset.tab !== 'objects';
      $('problems-tab').hidden = button.dataset.tab !== 'problems';
    });
  }
  $('stretch-form').addEventListener('submit', (event) => {
    event.preventDefault();
    const from = parseKm($('km-from').value);
    const to = parseKm($('km-to').value);
    if (from == null || to == null || to <= from) {
      $('km-from').setCustomValidity('write two km positions, the first below the second: 35+000 and 60+000');
      $('km-from').reportValidity();
      return;
    }
    $('km-from').setCustomValidity('');
    view.stretch = { from, to };
    loadPictures(false);
  });
  $('whole-line').addEventListener('click', () => {
    view.stretch = null;
    $('km-from').value = '';
    $('km-to').value = '';
    loadPictures(false);
  });
  $('fit').addEventListener('click', () => {
    commitPending();
    if (view.planFull) { view.planBox = { ...view.planFull }; applyPlanBox(); }
  });
}

// A panel of another shape gets a plan drawn for it, once the resizing has stopped.
function setUpResize() {
  let timer = 0;
  let last = '';
  const panels = [$('plan'), $('profile')];
  const observer = new ResizeObserver(() => {
    const size = panels.map((panel) => `${panel.clientWidth}x${panel.clientHeight}`).join(' ');
    if (size === last) return;
    const first = last === '';
    last = size;
    if (first) return;
    clearTimeout(timer);
    timer = setTimeout(() => { if (view.pictureVersion != null) loadPictures(false); }, 250);
  });
  for (const panel of panels) observer.observe(panel);
}

view.wantedRecord = recordOfAddress();
window.addEventListener('hashchange', () => {
  view.wantedRecord = recordOfAddress();
  selectWantedRecord();
});
linkEditor();
setUpControls();
setUpPanZoom();
setUpResize();
connect();
