// Figures of the live viewer in a real browser, printed as a table: not a test (nothing here
// passes or fails), run by scripts/viewer-bench.sh.
//  - first paint: from opening the page to both pictures shown, carried scenario;
//  - save to picture: from a description replaced on disk to the new picture on the page;
//  - a generated 1,000,000 m line with 1000 signals: serve's start (its first compilation), the
//    page's first paint, a save to picture (at the whole line, and zoomed in until the approach
//    codes show, when they come with each picture), and the frames while the plan is panned.
import { execFileSync } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { carriedScenario, startServer, launchBrowser, save, load } from './viewer_harness.mjs';

const rounds = Number(process.env.VIEWER_BENCH_ROUNDS ?? 10);
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const fmt = (xs) => `median ${median(xs).toFixed(0)} ms, min ${Math.min(...xs).toFixed(0)}, max ${Math.max(...xs).toFixed(0)} (${xs.length} runs)`;

async function firstPaint(browser, url) {
  const page = await browser.newPage({ viewport: { width: 1400, height: 900 } });
  const started = Date.now();
  await page.goto(url);
  await page.waitForSelector('body[data-picture-version]', { timeout: 30000 });
  const ms = Date.now() - started;
  return { page, ms };
}

// Moves the record at `from` metres to `to` and back, `rounds` times; the time from each save to
// the page showing the picture of that save.
async function saveToPicture(page, path, record, moved) {
  const original = load(path);
  const times = [];
  for (let i = 0; i < rounds; ++i) {
    const text = i % 2 === 0 ? original.replace(record, moved) : original;
    const version = Number(await page.getAttribute('body', 'data-picture-version'));
    const started = Date.now();
    save(path, text);
    await page.waitForFunction((v) => Number(document.body.dataset.pictureVersion) > v, version,
      { polling: 'raf', timeout: 30000 });
    times.push(Date.now() - started);
    await new Promise((r) => setTimeout(r, 150));
  }
  save(path, original);
  return times;
}

// Drags the plan across for about two seconds and records the gaps between frames.
async function panFrames(page) {
  await page.click('#fit');
  const box = await page.locator('#plan').boundingBox();
  await page.mouse.wheel(0, -600);  // closer, where a pan moves much of the line
  await page.evaluate(() => {
    window.frameGaps = [];
    let last = performance.now();
    const tick = (now) => {
      window.frameGaps.push(now - last);
      last = now;
      if (window.frameGaps.length < 400) requestAnimationFrame(tick);
    };
    requestAnimationFrame(tick);
  });
  const cx = box.x + box.width / 2;
  const cy = box.y + box.height / 2;
  await page.mouse.move(cx, cy);
  await page.mouse.down();
  for (let i = 0; i < 120; ++i) {
    await page.mouse.move(cx + 300 * Math.sin(i / 10), cy + 150 * Math.cos(i / 13));
  }
  await page.mouse.up();
  const gaps = await page.evaluate(() => window.frameGaps.slice(1));
  gaps.sort((a, b) => a - b);
  return { frames: gaps.length, p95: gaps[Math.floor(gaps.length * 0.95)], worst: gaps[gaps.length - 1] };
}

// Selects the first station of the list and turns the wheel over it until the plan is
// magnified `zoom` times, where the long line's approach codes show: a save then draws them with
// the picture.
async function zoomInOnStation(page, zoom) {
  await page.click('#fit');
  await page.click('#object-list li >> text=station');
  const box = await page.locator('#plan').boundingBox();
  await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
  for (let i = 0; i < 40 && Number(await page.getAttribute('body', 'data-zoom')) < zoom; ++i) {
    await page.mouse.wheel(0, -200);
    await new Promise((r) => setTimeout(r, 250));
  }
  await page.waitForFunction(() => document.body.dataset.codes !== 'pending');
  return Number(await page.getAttribute('body', 'data-zoom'));
}

const browser = await launchBrowser();
const lines = [];
try {
  {
    const scenario = carriedScenario();
    const server = await startServer(scenario.line, scenario.train);
    const paints = [];
    let page;
    for (let i = 0; i < 5; ++i) {
      const opened = await firstPaint(browser, server.url);
      paints.push(opened.ms);
      if (page) await page.close();
      page = opened.page;
    }
    lines.push(`carried scenario, first paint: ${fmt(paints)}`);
    const saves = await saveToPicture(page, scenario.train, 'segnale,    2600,', 'segnale,    2700,');
    lines.push(`carried scenario, save to picture: ${fmt(saves)}`);
    await page.close();
    await server.stop();
    scenario.remove();
  }
  {
    const dir = mkdtempSync(join(tmpdir(), 'viewer-bench-'));
    const generator = process.env.SCENARIO_WRITE_GENERATED;
    console.log(execFileSync(generator, ['1000000', dir]).toString().trim());
    const started = Date.now();
    const server = await startServer(join(dir, 'GENERATED_linea.txt'), join(dir, 'GENERATED_T1-.txt'));
    lines.push(`1,000,000 m line, serve started (first compilation): ${Date.now() - started} ms`);
    const { page, ms } = await firstPaint(browser, server.url);
    lines.push(`1,000,000 m line, first paint: ${ms} ms`);
    const objects = await page.$$eval('#object-list li', (l) => l.length);
    lines.push(`1,000,000 m line, objects listed: ${objects}`);
    const train = join(dir, 'GENERATED_T1-.txt');
    const text = load(train);
    const record = /segnale,\s*\d+,/.exec(text)[0];
    const position = Number(/\d+/.exec(record)[0]);
    const moved = record.replace(String(position), String(position + 100));
    const saves = await saveToPicture(page, train, record, moved);
    lines.push(`1,000,000 m line, save to picture: ${fmt(saves)}`);
    const zoom = await zoomInOnStation(page, 40);
    const codes = await page.$$eval('#plan svg g.approach', (shown) => shown.length);
    const closeSaves = await saveToPicture(page, train, record, moved);
    lines.push(`1,000,000 m line, zoomed in ${zoom.toFixed(0)}x (${codes} approach codes in view), save to picture: ${fmt(closeSaves)}`);
    const pan = await panFrames(page);
    lines.push(`1,000,000 m line, panning: ${pan.frames} frames, 95th percentile gap ${pan.p95.toFixed(1)} ms, worst ${pan.worst.toFixed(1)} ms`);
    await page.close();
    await server.stop();
    rmSync(dir, { recursive: true, force: true });
  }
} finally {
  await browser.close();
}
for (const l of lines) console.log(l);
