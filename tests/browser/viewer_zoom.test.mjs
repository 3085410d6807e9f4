// The plan as the author reads it: zooming magnifies the line but not its signs and strokes,
// details come in where they fit, signals are told apart by kind, an edit is pointed out, and
// the status counts what `check` counts.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { carriedScenario, startServer, launchBrowser, openViewer, save, load, tool } from './viewer_harness.mjs';

let scenario;
let server;
let browser;

before(async () => {
  scenario = carriedScenario();
  server = await startServer(scenario.line, scenario.train);
  browser = await launchBrowser();
});

after(async () => {
  await browser?.close();
  await server?.stop();
  scenario?.remove();
});

// Turns the wheel over the plan's middle `turns` times and waits for the zoom to be made the
// plan's view, with the approach codes it asks for.
async function zoomIn(page, turns) {
  const before = await page.getAttribute('body', 'data-zoom');
  const box = await page.locator('#plan').boundingBox();
  await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
  for (let i = 0; i < turns; i += 1) await page.mouse.wheel(0, -200);
  await page.waitForFunction((z) => document.body.dataset.zoom !== z, before);
  await page.waitForFunction(() => document.body.dataset.codes !== 'pending');
  await page.waitForTimeout(50);
  return Number(await page.getAttribute('body', 'data-zoom'));
}

// The width on screen of the plan's track, from a screenshot of the plan alone with the
// track only shown: the thinnest dark run across it, by rows and by columns.
async function trackWidthOnScreen(page) {
  const showOnly = (track) => page.evaluate((only) => {
    for (const e of document.querySelectorAll('#plan svg *')) {
      if (!only) e.style.removeProperty('visibility');
      else e.style.visibility = e.matches('path.track') ? 'visible' : 'hidden';
    }
  }, track);
  await showOnly(true);
  const shot = (await page.locator('#plan').screenshot()).toString('base64');
  await showOnly(false);
  return page.evaluate(async (data) => {
    const image = new Image();
    image.src = `data:image/png;base64,${data}`;
    await image.decode();
    const canvas = document.createElement('canvas');
    canvas.width = image.width;
    canvas.height = image.height;
    const context = canvas.getContext('2d');
    context.drawImage(image, 0, 0);
    const { data: px, width, height } = context.getImageData(0, 0, image.width, image.height);
    const dark = (x, y) => px[(y * width + x) * 4] < 140;
    let thinnest = Infinity;
    const runs = (length, across, at) => {
      let run = 0;
      for (let i = 0; i <= length; i += 1) {
        if (i < length && at(i)) { run += 1; continue; }
        if (run > 0) thinnest = Math.min(thinnest, run);
        run = 0;
      }
    };
    for (let y = 0; y < height; y += 3) runs(width, y, (x) => dark(x, y));
    for (let x = 0; x < width; x += 3) runs(height, x, (y) => dark(x, y));
    return thinnest;
  }, shot);
}

test('zooming magnifies the line, not the station rings, the strokes or the legend', async () => {
  const { page, problems } = await openViewer(browser, server.url);
  await page.click('#fit');
  const ring = () => page.$eval('#plan svg [data-station="20"] circle', (c) => c.getBoundingClientRect().width);
  const legend = () => page.locator('#legend').boundingBox();
  const ringAtFit = await ring();
  const trackAtFit = await trackWidthOnScreen(page);
  const legendAtFit = await legend();
  // From the whole line to a station among its neighbours, then close in on it.
  await page.fill('#search', 'ALESSANDRIA');
  await page.click('#object-list li >> text=ALESSANDRIA');
  const zoom = await zoomIn(page, 8);
  assert.ok(zoom > 20, `zoomed ${zoom} times`);
  const ringClose = await ring();
  assert.ok(ringAtFit > 6 && Math.abs(ringClose - ringAtFit) < 1,
    `the ring is ${ringAtFit} px across at the whole line and ${ringClose} px at ${zoom}x`);
  const trackClose = await trackWidthOnScreen(page);
  assert.ok(trackAtFit >= 1 && trackAtFit <= 3 && trackClose >= 1 && trackClose <= 3,
    `the track is ${trackAtFit} px wide at the whole line and ${trackClose} px at ${zoom}x`);
  assert.ok(legendAtFit?.width > 50, 'the legend is shown');
  assert.deepEqual(await legend(), legendAtFit, 'the legend stays in its corner');
  await page.screenshot({ path: '/tmp/viewer-zoomed.png' });
  assert.deepEqual(problems, []);
  await page.close();
});

test('station areas, stop cells and approach codes come in where they fit, clear of each other', async () => {
  const { page } = await openViewer(browser, server.url);
  const shown = (selector) => page.$$eval(selector, (items) => items
    .filter((e) => e.getAttribute('visibility') !== 'hidden')
    .map((e) => { const r = e.getBoundingClientRect(); return { x0: r.left, y0: r.top, x1: r.right, y1: r.bottom }; }));
  await page.click('#fit');
  const codesAtFit = await shown('#plan svg g.approach');
  await page.fill('#search', 'ALESSANDRIA');
  await page.click('#object-list li >> text=ALESSANDRIA');
  await zoomIn(page, 8);
  const codesClose = await shown('#plan svg g.approach text');
  assert.ok(codesClose.length > codesAtFit.length && codesClose.length >= 4,
    `${codesAtFit.length} approach codes shown at the whole line, ${codesClose.length} close in`);
  for (let i = 1; i < codesClose.length; i += 1) {
    for (let j = 0; j < i; j += 1) {
      const [a, b] = [codesClose[i], codesClose[j]];
      const overlap = a.x0 < b.x1 - 0.5 && b.x0 < a.x1 - 0.5 && a.y0 < b.y1 - 0.5 && b.y0 < a.y1 - 0.5;
      assert.ok(!overlap, `approach codes ${i} and ${j} overlap: ${JSON.stringify([a, b])}`);
    }
  }
  const station = await page.getAttribute('#plan svg [data-kind="station"].selected', 'data-station');
  assert.equal((await shown(`#plan svg [data-area-of="${station}"]`)).length, 1, 'its area is drawn');
  assert.equal((await shown(`#plan svg [data-stop-of="${station}"]`)).length, 1, 'its stop cell is drawn');
  await page.close();
});

test('approach codes are asked for once the zoom lets them show, then with every new picture', async () => {
  const { page, problems } = await openViewer(browser, server.url);
  const asked = [];
  page.on('request', (r) => { if (r.url().includes('codes=only')) asked.push(r.url()); });
  await page.click('#fit');
  const from = Number(await page.getAttribute('#plan svg', 'data-approach-codes-from'));
  assert.ok(from > 1, `the carried line's codes fit from ${from}x`);
  assert.equal(await page.getAttribute('body', 'data-codes'), 'apart');
  assert.equal(await page.$$eval('#plan svg g.approach', (codes) => codes.length), 0);
  assert.equal(asked.length, 0, 'no codes asked for at the whole line');

  await page.fill('#search', 'ALESSANDRIA');
  await page.click('#object-list li >> text=ALESSANDRIA');
  const zoom = await zoomIn(page, 8);
  assert.ok(zoom >= from, `zoomed to ${zoom}x`);
  assert.equal(await page.getAttribute('body', 'data-codes'), 'shown');
  assert.equal(asked.length, 1);
  assert.ok(await page.$$eval('#plan svg g.approach', (codes) => codes.length) > 0, 'codes in view');

  // A save while close in: the new picture comes with its codes, not without them first.
  const original = load(scenario.train);
  const version = Number(await page.getAttribute('body', 'data-picture-version'));
  save(scenario.train, original.replace(/segnale,    2600,   2, 2,/, 'segnale,    2600,   2, 4,'));
  await page.waitForFunction((v) => Number(document.body.dataset.pictureVersion) > v, version);
  assert.equal(await page.getAttribute('body', 'data-codes'), 'shown');
  assert.equal(asked.length, 2);
  save(scenario.train, original);
  await page.waitForFunction((v) => Number(document.body.dataset.pictureVersion) > v + 1, version);
  assert.deepEqual(problems, []);
  await page.close();
});

test('signals are drawn by kind, each kind named in the legend', async () => {
  const { page } = await openViewer(browser, server.url);
  const kinds = await page.$$eval('#plan svg [data-kind="signal"]', (marks) => {
    const byKind = {};
    for (const m of marks) {
      const fills = [...m.querySelectorAll('path')].map((p) => p.getAttribute('fill')).join(' ');
      (byKind[m.dataset.sides] ??= new Set()).add(fills);
    }
    return Object.fromEntries(Object.entries(byKind).map(([k, v]) => [k, [...v]]));
  });
  // The carried signals are of two kinds: sx and dx both 1, and both 2.
  assert.deepEqual(Object.keys(kinds).sort(), ['1 1', '2 2']);
  assert.equal(kinds['1 1'].length, 1, 'one mark for every signal of a kind');
  assert.notDeepEqual(kinds['1 1'], kinds['2 2'], 'each kind its own mark');
  const legend = await page.textContent('#legend');
  assert.match(legend, /signal, sx 1, dx 1/);
  assert.match(legend, /signal, sx 2, dx 2/);
  assert.match(legend, /station area/);
  assert.ok(await page.isVisible('#legend'));
  await page.close();
});

test('an edit is pointed out for a moment, on the plan and above it', async () => {
  const { page, problems } = await openViewer(browser, server.url);
  const original = load(scenario.train);
  const version = Number(await page.getAttribute('body', 'data-version'));
  // The first aspect of the signal at 2600 m, 2 to 4.
  const edited = original.replace(/segnale,    2600,   2, 2,/, 'segnale,    2600,   2, 4,');
  assert.notEqual(edited, original);
  save(scenario.train, edited);
  await page.waitForSelector(`body[data-shown-version="${version + 1}"]`, { timeout: 5000 });
  const changed = await page.$$eval('#plan svg .changed', (marks) => marks.map((m) => [m.dataset.kind, Number(m.dataset.at)]));
  assert.equal(changed.length, 1, JSON.stringify(changed));
  assert.equal(changed[0][0], 'signal');
  assert.ok(Math.abs(changed[0][1] - 2600) <= 50, `the mark at ${changed[0][1]} m`);
  assert.ok(await page.isVisible('#changes'));
  assert.match(await page.textContent('#changes'), /signal/);
  await page.screenshot({ path: '/tmp/viewer-changed.png' });
  // The moment passes.
  await page.waitForFunction(() => !document.querySelector('svg .changed'), null, { timeout: 8000 });
  assert.equal(await page.isVisible('#changes'), false);
  save(scenario.train, original);
  await page.waitForSelector(`body[data-shown-version="${version + 2}"]`, { timeout: 5000 });
  assert.deepEqual(problems, []);
  await page.close();
});

test('the status counts warnings as check does: a page over a warning never reads as clean', async () => {
  const { page } = await openViewer(browser, server.url);
  const original = load(scenario.train);
  const version = Number(await page.getAttribute('body', 'data-version'));
  save(scenario.train, original.replace('segnale,    2600,', 'segnlae,    2600,'));
  await page.waitForSelector(`body[data-shown-version="${version + 1}"]`, { timeout: 5000 });
  const check = spawnSync(tool, ['check', '--json', scenario.line, scenario.train]);
  assert.equal(check.status, 0, 'check finds no error');
  const report = JSON.parse(check.stdout.toString());
  assert.ok(report.warnings >= 1);
  const status = await page.textContent('#status');
  assert.doesNotMatch(status, /up to date/);
  assert.equal(status, `${report.errors} errors, ${report.warnings} warning${report.warnings === 1 ? '' : 's'}`);
  assert.match(await page.getAttribute('#status', 'class'), /warnings/);
  save(scenario.train, original);
  await page.waitForSelector(`body[data-shown-version="${version + 2}"]`, { timeout: 5000 });
  assert.equal(await page.textContent('#status'), 'up to date: 0 errors, 0 warnings');
  await page.close();
});
