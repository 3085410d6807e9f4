// The viewer's page and the editor: an address that names a record (#record=train:N, as the
// language server's code lens opens it) selects and shows that record's object; on the page of
// `scenario-tool lsp --viewer`, selecting an object asks the editor to open its record.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { carriedScenario, startServer, launchBrowser, openViewer, load, tool } from './viewer_harness.mjs';

let scenario;
let browser;

before(async () => {
  scenario = carriedScenario();
  browser = await launchBrowser();
});

after(async () => {
  await browser?.close();
  scenario?.remove();
});

// The line (from 1) of the train description that starts with `start`.
function recordLine(start) {
  const at = load(scenario.train).split('\r\n').findIndex((l) => l.startsWith(start));
  assert.ok(at >= 0, start);
  return at + 1;
}

const selectedWhere = (page) => page.textContent('#selection .where');

test('an address naming a record selects its object, in the list and in view', async () => {
  const server = await startServer(scenario.line, scenario.train);
  try {
    const signal = recordLine('segnale,   35150,');
    const { page, problems } = await openViewer(browser, `${server.url}#record=train:${signal}`);
    await page.waitForSelector('#object-list li.active');
    assert.match(await selectedWhere(page), new RegExp(`IC514-\\.txt:${signal}$`));
    assert.match(await page.textContent('#selection h2'), /signal/);
    const shown = await page.$eval('#object-list li.active', (li) => {
      const item = li.getBoundingClientRect();
      const list = li.closest('.list').getBoundingClientRect();
      return item.top >= list.top && item.bottom <= list.bottom;
    });
    assert.ok(shown, 'the selected object is scrolled into the list');
    assert.equal(await page.getAttribute('body', 'data-editor'), 'none');

    // Another record in the same page: the address changes, the selection follows.
    const station = recordLine('stazione,  113000,');
    await page.evaluate((line) => { location.hash = `#record=train:${line}`; }, station);
    await page.waitForFunction(() => document.querySelector('#selection h2')?.textContent.includes('ASTI'));
    assert.match(await selectedWhere(page), new RegExp(`IC514-\\.txt:${station}$`));

    // A record that places nothing is said so.
    const cars = recordLine('numero vetture');
    await page.evaluate((line) => { location.hash = `#record=train:${line}`; }, cars);
    await page.waitForFunction(() => document.querySelector('#selection')?.textContent.includes('No object comes from'));
    assert.equal(await page.$$eval('#object-list li.active', (items) => items.length), 0);
    assert.deepEqual(problems, []);
    await page.close();
  } finally {
    await server.stop();
  }
});

// A bare protocol client for `scenario-tool lsp --viewer`: every message the server sends, and
// a way to wait for one.
function startLanguageServer() {
  const child = spawn(tool, ['lsp', '--viewer', '--port', '0'], { stdio: ['pipe', 'pipe', 'inherit'] });
  const messages = [];
  const waiting = new Set();
  let buffer = Buffer.alloc(0);
  child.stdout.on('data', (chunk) => {
    buffer = Buffer.concat([buffer, chunk]);
    for (;;) {
      const end = buffer.indexOf('\r\n\r\n');
      if (end < 0) return;
      const length = Number(/Content-Length: (\d+)/i.exec(buffer.subarray(0, end).toString())[1]);
      if (buffer.length < end + 4 + length) return;
      messages.push(JSON.parse(buffer.subarray(end + 4, end + 4 + length).toString()));
      buffer = buffer.subarray(end + 4 + length);
      for (const w of waiting) w();
    }
  });
  const send = (message) => {
    const body = Buffer.from(JSON.stringify({ jsonrpc: '2.0', ...message }));
    child.stdin.write(`Content-Length: ${body.length}\r\n\r\n`);
    child.stdin.write(body);
  };
  const next = (match, timeout = 10000) => new Promise((resolveFound, reject) => {
    const look = () => {
      const found = messages.find(match);
      if (!found) return;
      clearTimeout(timer);
      waiting.delete(look);
      resolveFound(found);
    };
    const timer = setTimeout(() => {
      waiting.delete(look);
      reject(new Error(`no such message in ${timeout} ms: ${JSON.stringify(messages.at(-1))}`));
    }, timeout);
    waiting.add(look);
    look();
  });
  const ended = new Promise((r) => child.on('exit', (code) => r(code)));
  return { send, next, messages, stop: () => { child.stdin.end(); return ended; } };
}

test('on the page of lsp --viewer, selecting an object opens its record in the editor', async () => {
  const server = startLanguageServer();
  server.send({ id: 1, method: 'initialize', params: { processId: null, rootUri: null, capabilities: { window: { showDocument: { support: true } } } } });
  await server.next((m) => m.id === 1);
  server.send({ method: 'initialized', params: {} });
  const trainUri = pathToFileURL(scenario.train).href;
  server.send({ method: 'textDocument/didOpen', params: { textDocument: { uri: trainUri, languageId: 'scenario', version: 1, text: load(scenario.train) } } });
  const log = await server.next((m) => m.method === 'window/logMessage' && /viewer/.test(m.params.message));
  const url = /(http:\/\/\S+\/)/.exec(log.params.message)[1];

  const signal = recordLine('segnale,   35150,');
  const { page, problems } = await openViewer(browser, `${url}#record=train:${signal}`);
  await page.waitForSelector('body[data-editor="linked"]');
  await page.waitForSelector('#object-list li.active');
  // Opening at a record does not send the editor back to it.
  const isShow = (m) => m.method === 'window/showDocument';
  assert.equal(server.messages.filter(isShow).length, 0);

  await page.selectOption('#kind-filter', 'station');
  await page.click('#object-list li:has-text("ASTI")');
  const asked = await server.next(isShow);
  assert.equal(fileURLToPath(asked.params.uri), scenario.train);
  assert.equal(asked.params.selection.start.line, recordLine('stazione,  113000,') - 1);
  assert.equal(asked.params.takeFocus, true);
  assert.deepEqual(problems, []);
  await page.close();
  server.send({ id: 2, method: 'shutdown' });
  await server.next((m) => m.id === 2);
  server.send({ method: 'exit' });
  assert.equal(await server.stop(), 0);
});
