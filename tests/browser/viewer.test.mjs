// The live viewer in a real browser: what the page shows of the carried scenario, how an edit
// saved on disk reaches it, and what the server refuses.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import http from 'node:http';
import net from 'node:net';
import { readFileSync } from 'node:fs';
import { carriedScenario, startServer, launchBrowser, openViewer, save, load } from './viewer_harness.mjs';

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
  const status = await server?.stop();
  scenario?.remove();
  assert.equal(status, 0, 'serve ends with status 0 on Ctrl-C');
});

test('the carried line: its 34 stations listed and drawn, no error in the browser', async () => {
  const { page, problems } = await openViewer(browser, server.url);
  await page.selectOption('#kind-filter', 'station');
  const listed = await page.$$eval('#object-list li', (items) => items.map((li) => li.textContent));
  assert.equal(listed.length, 34);
  assert.ok(listed.some((t) => t.includes('GENOVA BRIGNOLE')));
  assert.ok(listed.some((t) => t.includes('TORINO PORTA NUOVA')));
  const drawn = await page.$$eval('#plan svg [data-station]', (marks) =>
    marks.filter((m) => { const r = m.getBoundingClientRect(); return r.width > 0 && r.height > 0; }).length);
  assert.equal(drawn, 34);
  assert.equal(await page.$$eval('#profile svg [data-station]', (m) => m.length) >= 34, true);
  assert.match(await page.textContent('#status'), /up to date/);
  assert.deepEqual(problems, []);
  await page.close();
});

test('a signal moved onto a taken cell shows as a diagnostic at its line within a second', async () => {
  const { page, problems } = await openViewer(browser, server.url);
  const original = load(scenario.train);
  const lines = original.split('\r\n');
  const at = lines.findIndex((l) => l.startsWith('segnale,    2600,'));
  assert.ok(at > 0);
  const before = Number(await page.getAttribute('body', 'data-version'));
  const edited = [...lines];
  edited[at] = edited[at].replace('segnale,    2600,', 'segnale,    1500,');
  const saved = Date.now();
  save(scenario.train, edited.join('\r\n'));
  await page.waitForSelector(`body[data-shown-version="${before + 1}"]`, { timeout: 5000 });
  const elapsed = Date.now() - saved;
  assert.ok(elapsed < 1000, `the diagnostic took ${elapsed} ms`);
  assert.equal(await page.getAttribute('body', 'data-stale'), 'true');
  const problemsShown = await page.$$eval('#problem-list li', (items) => items.map((li) => li.textContent));
  const line = at + 1;
  assert.ok(problemsShown.some((t) => t.includes(`IC514-.txt:${line}`) && t.includes('error 16')),
    `no error 16 at line ${line} in ${JSON.stringify(problemsShown)}`);
  // The last good picture stays, marked stale, with the error over it.
  assert.equal(await page.isVisible('#stale-banner'), true);
  assert.match(await page.textContent('#stale-banner'), new RegExp(`IC514-.txt:${line}`));
  assert.ok(await page.$('#plan svg [data-station]'));

  // Selecting the problem names its file:line and shows the line's text.
  await page.click('#problems-tab-button');
  await page.click(`#problem-list li.error >> text=IC514-.txt:${line}`);
  assert.match(await page.textContent('#selection'), /segnale,\s+1500,/);

  save(scenario.train, original);
  await page.waitForSelector(`body[data-shown-version="${before + 2}"]`, { timeout: 5000 });
  assert.equal(await page.getAttribute('body', 'data-stale'), 'false');
  assert.equal(await page.$$eval('#problem-list li.error', (items) => items.length), 0);
  assert.equal(await page.isVisible('#stale-banner'), false);
  // The problem's panel does not outlive the problem.
  const selection = await page.textContent('#selection');
  assert.doesNotMatch(selection, /error 16|segnale,\s+1500,/);
  assert.match(selection, /mended/);
  assert.deepEqual(problems, []);
  await page.close();
});

test('selecting a station centres it on the plan and names its record', async () => {
  const { page, problems } = await openViewer(browser, server.url);
  await page.fill('#search', 'ASTI');
  await page.click('#object-list li >> text=ASTI');
  const offset = await page.evaluate(() => {
    const group = document.querySelector('#plan svg .selected');
    const mark = [...group.children].find((c) => c.tagName !== 'title' && c.tagName !== 'text');
    const panel = document.querySelector('#plan').getBoundingClientRect();
    const r = mark.getBoundingClientRect();
    return { dx: r.left + r.width / 2 - (panel.left + panel.width / 2),
             dy: r.top + r.height / 2 - (panel.top + panel.height / 2) };
  });
  assert.ok(Math.abs(offset.dx) < 3 && Math.abs(offset.dy) < 3, JSON.stringify(offset));
  const selection = await page.textContent('#selection');
  assert.match(selection, /ASTI/);
  assert.match(selection, /IC514-\.txt:\d+/);
  assert.match(selection, /stazione,.*ASTI/);
  assert.ok(await page.$('#profile svg .cursor-line'));
  assert.deepEqual(problems, []);
  await page.close();
});

test('an edit keeps the view: the stretch, the pan and the zoom stay as the author left them', async () => {
  const { page, problems } = await openViewer(browser, server.url);
  await page.fill('#km-from', '35+000');
  await page.fill('#km-to', '60');
  await page.click('#stretch-form button[type=submit]');
  await page.waitForSelector('body[data-stretch="35000-60000"]');
  assert.equal(await page.getAttribute('#profile svg', 'data-from'), '35000');
  assert.equal(await page.getAttribute('#profile svg', 'data-to'), '60000');
  const fitted = await page.getAttribute('#plan svg', 'viewBox');
  const box = await page.locator('#plan').boundingBox();
  await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
  await page.mouse.wheel(0, -300);
  await page.mouse.down();
  await page.mouse.move(box.x + box.width / 2 + 120, box.y + box.height / 2 + 40, { steps: 5 });
  await page.mouse.up();
  await page.waitForTimeout(300);
  const viewBox = await page.getAttribute('#plan svg', 'viewBox');
  assert.notEqual(viewBox, fitted, 'the wheel and the drag moved the view');

  const original = load(scenario.train);
  const picture = Number(await page.getAttribute('body', 'data-picture-version'));
  save(scenario.train, original.replace('segnale,   37750,', 'segnale,   37850,'));
  await page.waitForFunction((v) => Number(document.body.dataset.pictureVersion) > v, picture);
  assert.equal(await page.getAttribute('body', 'data-stretch'), '35000-60000');
  assert.equal(await page.getAttribute('#plan svg', 'viewBox'), viewBox);
  save(scenario.train, original);
  await page.waitForFunction((v) => Number(document.body.dataset.pictureVersion) > v + 1, picture);
  assert.deepEqual(problems, []);
  await page.close();
});

function request(url, { path, host }) {
  const { hostname, port } = new URL(url);
  return new Promise((resolveResponse, reject) => {
    const req = http.request({ hostname, port, path, headers: host ? { Host: host } : {} }, (res) => {
      let body = '';
      res.on('data', (d) => { body += d; });
      res.on('end', () => resolveResponse({ status: res.statusCode, body }));
    });
    req.on('error', reject);
    req.end();
  });
}

// The request line exactly as written, without a client's tidying of the path.
function rawRequest(url, target) {
  const { hostname, port } = new URL(url);
  return new Promise((resolveResponse, reject) => {
    const socket = net.connect(Number(port), hostname, () => {
      socket.write(`GET ${target} HTTP/1.1\r\nHost: 127.0.0.1:${port}\r\nConnection: close\r\n\r\n`);
    });
    let answer = '';
    socket.on('data', (d) => { answer += d; });
    socket.on('end', () => resolveResponse(answer));
    socket.on('error', reject);
  });
}

test('the server refuses foreign hosts and every path of its own making', async () => {
  for (const host of ['evil.example', 'evil.example:80', 'localhost.evil.example', '10.0.0.1']) {
    const answer = await request(server.url, { path: '/api/state', host });
    assert.equal(answer.status, 403, `Host ${host}`);
  }
  for (const host of [undefined, 'localhost', '[::1]']) {
    const answer = await request(server.url, { path: '/api/state', host });
    assert.equal(answer.status, 200, `Host ${host}`);
  }
  for (const target of ['/../../etc/passwd', '/%2e%2e/%2e%2e/etc/passwd', '/..%2f..%2fetc%2fpasswd',
                        '//etc/passwd', '/viewer.js/../../../etc/passwd', '/plan.svg?from=../../etc']) {
    const answer = await rawRequest(server.url, target);
    assert.match(answer, /^HTTP\/1\.1 (400|404)/, target);
    assert.doesNotMatch(answer, /root:/, target);
  }
});

// The server's resident memory in MB, as the system counts it.
function residentMegabytes(pid) {
  const status = readFileSync(`/proc/${pid}/status`, 'utf8');
  return Number(/VmRSS:\s+(\d+)/.exec(status)[1]) / 1024;
}

test('a page of another site can neither reach the server nor bring it down', async () => {
  // The other site: a page on another port of the loopback, which is another origin.
  const other = http.createServer((req, res) => {
    res.writeHead(200, { 'Content-Type': 'text/html' });
    res.end('<!doctype html><title>elsewhere</title>');
  });
  await new Promise((r) => other.listen(0, '127.0.0.1', r));
  const page = await browser.newPage();
  try {
    await page.goto(`http://127.0.0.1:${other.address().port}/`);
    const { port } = new URL(server.url);
    const before = residentMegabytes(server.pid);
    // Simple requests need no permission: the browser sends them whatever the answer.
    const outcomes = await page.evaluate(async (viewerPort) => {
      const body = new Blob([new Uint8Array(64 * 1024 * 1024)]);
      const targets = ['127.0.0.1', 'localhost', 'localhost.'].map(
        (host) => `http://${host}:${viewerPort}/api/state`);
      const posts = [...targets, targets[0]].map((url) =>
        fetch(url, { method: 'POST', mode: 'no-cors', body }).then(() => 'sent', (e) => String(e)));
      const picture = new Promise((resolve) => {
        const img = new Image();
        img.onload = () => resolve('drawn');
        img.onerror = () => resolve('refused');
        img.src = `http://127.0.0.1:${viewerPort}/plan.svg`;
      });
      return Promise.all([...posts, picture]);
    }, port);
    assert.equal(outcomes.at(-1), 'refused', 'a picture asked for by another site is refused');
    const answer = await request(server.url, { path: '/api/state' });
    assert.equal(answer.status, 200, 'the server still answers its own page');
    const after = residentMegabytes(server.pid);
    assert.ok(after - before < 32, `memory stays flat: ${before.toFixed(0)} MB before, ${after.toFixed(0)} MB after`);
  } finally {
    await page.close();
    other.close();
  }
});
