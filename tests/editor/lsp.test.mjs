// scenario-tool lsp through a protocol client, as an editor drives it: what it offers, the
// diagnostics of an edit and of its mend, the outline, the quick fix, hover, completion,
// signature help and colouring, and what it does with clients that do not keep the protocol.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync, statSync, writeFileSync } from 'node:fs';
import {
  carriedScenario, load, lineOf, startClient, startRaw, framed, residentKb,
} from './lsp_harness.mjs';

let scenario;
let client;
let train;
let line;
let untouched;

const at = (uri, l, character) => ({ textDocument: { uri }, position: { line: l, character } });
const hasCode = (code) => (diagnostics) => diagnostics.some((d) => d.code === code);
const lacksCode = (code) => (diagnostics) => !diagnostics.some((d) => d.code === code);

before(async () => {
  scenario = carriedScenario();
  train = load(scenario.train);
  line = load(scenario.line);
  untouched = [scenario.line, scenario.train].map((p) => [readFileSync(p), statSync(p).mtimeMs]);
  client = await startClient({
    general: { positionEncodings: ['utf-16'] },
    textDocument: { completion: { completionItem: { snippetSupport: true } } },
  });
  await client.open(scenario.trainUri, train);
  await client.diagnostics(scenario.trainUri, (d, v) => v === 1);
});

after(async () => {
  const status = await client?.stop();
  // The server never writes the descriptions it was given.
  for (const [i, path] of [scenario.line, scenario.train].entries()) {
    assert.deepEqual(readFileSync(path), untouched[i][0]);
    assert.equal(statSync(path).mtimeMs, untouched[i][1]);
  }
  scenario?.remove();
  assert.equal(status, 0, 'shutdown then exit ends the server with status 0');
});

test('initialize offers what the server answers', () => {
  const c = client.capabilities;
  assert.equal(c.positionEncoding, 'utf-16');
  assert.deepEqual(c.textDocumentSync, { openClose: true, change: 2 });
  assert.equal(c.hoverProvider, true);
  assert.equal(c.documentSymbolProvider, true);
  assert.equal(c.workspaceSymbolProvider, true);
  assert.deepEqual(c.codeActionProvider.codeActionKinds, ['quickfix']);
  assert.deepEqual(c.signatureHelpProvider.triggerCharacters, [',']);
  assert.ok(c.semanticTokensProvider.legend.tokenTypes.includes('keyword'));
});

test('a signal moved onto a taken cell is marked on its record, and the mend clears it', async () => {
  const l = lineOf(train, 'segnale,    2600,');
  const v = await client.edit(scenario.trainUri, l, 12, 16, '1500');
  const broken = await client.diagnostics(scenario.trainUri, (d, version) => version === v);
  const taken = broken.find((d) => d.code === 'error-16');
  assert.ok(taken, JSON.stringify(broken));
  assert.equal(taken.severity, 1);
  assert.deepEqual(taken.range, { start: { line: l, character: 0 }, end: { line: l, character: 16 } });
  assert.match(taken.message, /error 16 at 1500 m: signal cell already taken/);
  assert.match(taken.codeDescription.href, /errors\.md#error-16-signal-cell-already-taken$/);
  // The holder of the cell: the signal at 1500 m, a line above, for the editor to follow.
  const [holder] = taken.relatedInformation;
  assert.equal(holder.location.uri, scenario.trainUri);
  assert.equal(holder.location.range.start.line, lineOf(train, 'segnale,    1500,'));
  assert.match(holder.message, /cell 31 already holds a signal/);

  const mended = await client.edit(scenario.trainUri, l, 12, 16, '2600');
  const after = await client.diagnostics(scenario.trainUri, (d, version) => version === mended);
  assert.deepEqual(after, []);
});

test('an edit of the open line description checks its trains again', async () => {
  await client.open(scenario.lineUri, line);
  await client.diagnostics(scenario.lineUri, (d, v) => v === 1);
  const l = lineOf(line, 'pendenza,  900,');
  const v = await client.edit(scenario.lineUri, l, 10, 15, '9x0');
  const own = await client.diagnostics(scenario.lineUri, (d, version) => version === v);
  const failure = own.find((d) => d.code === 'error-25');
  assert.ok(failure, JSON.stringify(own));
  assert.equal(failure.range.start.line, l);
  const told = await client.diagnostics(scenario.trainUri, hasCode('line-description-errors'));
  assert.equal(told.find((d) => d.code === 'line-description-errors').relatedInformation[0].location.uri,
    scenario.lineUri);
  await client.edit(scenario.lineUri, l, 10, 13, '900');
  await client.diagnostics(scenario.trainUri, lacksCode('line-description-errors'));
  await client.close(scenario.lineUri);
  assert.deepEqual(await client.diagnostics(scenario.lineUri), [], 'a closed description is cleared');
});

test('the outline: sections, stations with their km, signals; stations searched by name', async () => {
  const symbols = await client.request('textDocument/documentSymbol', { textDocument: { uri: scenario.trainUri } });
  const stations = symbols.find((s) => s.name === '[stazioni]');
  assert.equal(stations.children.length, 34);
  const principe = stations.children.find((s) => s.name === 'GENOVA P.PRINCIPE');
  assert.equal(principe.detail, 'km 3+150');
  assert.equal(principe.range.start.line, lineOf(train, 'GENOVA P.PRINCIPE'));
  const signals = symbols.find((s) => s.name === '[segnali]');
  assert.ok(signals.children.some((s) => s.name === 'signal 2+600'));
  const found = await client.request('workspace/symbol', { query: 'torino' });
  assert.ok(found.length >= 2 && found.every((s) => /TORINO/.test(s.name)), JSON.stringify(found));
  assert.equal(found[0].location.uri, scenario.trainUri);
});

test('a misspelt keyword gets a quick fix that mends it', async () => {
  const l = lineOf(train, 'segnale,    2600,');
  const v = await client.edit(scenario.trainUri, l, 0, 7, 'segnlae');
  const diagnostics = await client.diagnostics(scenario.trainUri, (d, version) => version === v);
  const misspelt = diagnostics.find((d) => d.code === 'unknown-keyword');
  assert.ok(misspelt);
  const actions = await client.request('textDocument/codeAction', {
    textDocument: { uri: scenario.trainUri }, range: misspelt.range, context: { diagnostics: [misspelt] },
  });
  assert.equal(actions.length, 1);
  assert.equal(actions[0].kind, 'quickfix');
  const [change] = actions[0].edit.changes[scenario.trainUri];
  assert.equal(change.newText, 'segnale');
  const mended = await client.edit(scenario.trainUri, l, change.range.start.character,
    change.range.end.character, change.newText);
  assert.deepEqual(await client.diagnostics(scenario.trainUri, (d, version) => version === mended), []);
});

test('hover names the field, its unit and what it means here', async () => {
  const l = lineOf(train, 'segnale,    2600,');
  const position = await client.request('textDocument/hover', at(scenario.trainUri, l, 13));
  assert.match(position.contents.value, /\*\*segnale\*\*, field 1 of 11: `position` — m/);
  assert.match(position.contents.value, /Here: km 2\+600, cell 53/);
  assert.deepEqual(position.range, { start: { line: l, character: 12 }, end: { line: l, character: 16 } });
  const s = lineOf(train, 'GENOVA P.PRINCIPE');
  const row = train.split('\r\n')[s];
  const minutes = await client.request('textDocument/hover', at(scenario.trainUri, s, row.indexOf('9,13') + 2));
  assert.match(minutes.contents.value, /field 15 of 17: `minutes`/);
  assert.match(minutes.contents.value, /Here: scheduled at 09:13:00; a station at km 3\+150/);
  const kind = await client.request('textDocument/hover', at(scenario.trainUri, l, 20));
  assert.match(kind.contents.value, /field 2 of 11: `sx`[^]*Here: a signal at km 2\+600/);
  const keyword = await client.request('textDocument/hover', at(scenario.trainUri, l, 3));
  assert.match(keyword.contents.value, /a signal, 11 fields after the keyword: `position`, `sx`/);
  const heading = await client.request('textDocument/hover', at(scenario.trainUri, 0, 3));
  assert.match(heading.contents.value, /A section heading/);
  // Between two numbers written apart by blanks alone: no field there.
  const clock = lineOf(train, 'orologio,');
  assert.equal(await client.request('textDocument/hover', at(scenario.trainUri, clock, 20)), null);
});

test('completion offers keywords where a record starts; signature help follows the commas', async () => {
  const l = lineOf(train, 'segnale,    2600,');
  const items = await client.request('textDocument/completion', at(scenario.trainUri, l, 3));
  const signal = items.find((i) => i.label === 'segnale');
  assert.ok(signal);
  assert.match(signal.textEdit.newText, /^segnale, \$\{1:position\}, \$\{2:sx\}/);
  assert.ok(items.some((i) => i.label === '[segnali]'));
  assert.deepEqual(await client.request('textDocument/completion', at(scenario.trainUri, l, 13)), []);
  const help = await client.request('textDocument/signatureHelp', at(scenario.trainUri, l, 20));
  assert.equal(help.activeParameter, 1);
  const sig = help.signatures[0];
  assert.equal(sig.label.slice(...sig.parameters[1].label), 'sx');
});

test('semantic tokens colour the keywords and the numbers by their field', async () => {
  const legend = client.capabilities.semanticTokensProvider.legend;
  const { data } = await client.request('textDocument/semanticTokens/full', { textDocument: { uri: scenario.trainUri } });
  assert.equal(data.length % 5, 0);
  // The first signal's line: its keyword, then its position, a distance.
  const l = lineOf(train, 'segnale,    1500,');
  let lineNow = 0;
  let start = 0;
  const tokens = [];
  for (let i = 0; i < data.length; i += 5) {
    lineNow += data[i];
    start = data[i] === 0 ? start + data[i + 1] : data[i + 1];
    if (lineNow === l) tokens.push({ start, length: data[i + 2], type: legend.tokenTypes[data[i + 3]], modifiers: data[i + 4] });
  }
  assert.deepEqual(tokens[0], { start: 0, length: 7, type: 'keyword', modifiers: 0 });
  assert.equal(tokens[1].type, 'number');
  assert.equal(tokens[1].start, 12);
  assert.ok(tokens[1].modifiers & (1 << legend.tokenModifiers.indexOf('distance')));
  assert.equal(tokens.length, 12);
});

test('a character with no Windows-1252 form is marked where the editor shows it', async () => {
  const s = lineOf(train, 'GENOVA P.PRINCIPE');
  const column = train.split('\r\n')[s].indexOf('GENOVA P.PRINCIPE');
  // "CITTÀ 😀 ✓": À is in the code page; the emoji takes two UTF-16 units.
  const v = await client.edit(scenario.trainUri, s, column, column + 6, 'CITTÀ 😀 ✓ ');
  const marked = await client.diagnostics(scenario.trainUri, (d, version) => version === v);
  const unsavable = marked.filter((d) => d.code === 'not-windows-1252');
  assert.deepEqual(unsavable.map((d) => [d.range.start.character, d.range.end.character]),
    [[column + 6, column + 8], [column + 9, column + 10]]);
  const mended = await client.edit(scenario.trainUri, s, column, column + 11, 'GENOVA');
  assert.deepEqual(await client.diagnostics(scenario.trainUri, (d, version) => version === mended), []);
});

test('requests for documents never opened answer empty', async () => {
  const uri = 'file:///nowhere/NOWHERE_X-.txt';
  assert.equal(await client.request('textDocument/hover', at(uri, 0, 0)), null);
  assert.deepEqual(await client.request('textDocument/documentSymbol', { textDocument: { uri } }), []);
  assert.deepEqual(await client.request('textDocument/completion', at(uri, 0, 0)), []);
});

test('UTF-8 positions when the editor offers them', async () => {
  const other = await startClient({ general: { positionEncodings: ['utf-8', 'utf-16'] } });
  try {
    assert.equal(other.capabilities.positionEncoding, 'utf-8');
    const text = train.replace('GENOVA P.PRINCIPE', 'CITTÀ ✓');
    await other.open(scenario.trainUri, text);
    const s = lineOf(text, 'CITTÀ ✓');
    const column = Buffer.byteLength(text.split('\r\n')[s].slice(0, text.split('\r\n')[s].indexOf('✓')));
    const marked = await other.diagnostics(scenario.trainUri, hasCode('not-windows-1252'));
    const d = marked.find((m) => m.code === 'not-windows-1252');
    assert.deepEqual([d.range.start.character, d.range.end.character], [column, column + 3]);
  } finally {
    assert.equal(await other.stop(), 0);
  }
});

test('garbage, bad JSON and requests that are none get errors, and the server goes on', async () => {
  const raw = startRaw();
  raw.write('Garbage\r\n\r\n{"whatever": 1}\r\n');
  assert.equal((await raw.next((m) => m.error)).error.code, -32700);
  raw.write(framed('{"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {'));
  assert.equal((await raw.next((m) => m.error)).error.code, -32700);
  raw.write(framed({ jsonrpc: '2.0', id: 2 }));
  assert.deepEqual((await raw.next((m) => m.error)).id, 2);
  raw.write(framed({ jsonrpc: '1.0', id: 3, method: 'initialize' }));
  assert.equal((await raw.next((m) => m.id === 3)).error.code, -32600);
  raw.write(framed({ jsonrpc: '2.0', id: 4, method: 'textDocument/hover', params: {} }));
  assert.equal((await raw.next((m) => m.id === 4)).error.code, -32002, 'not initialized yet');
  raw.send({ jsonrpc: '2.0', id: 5, method: 'initialize', params: { capabilities: {} } });
  assert.ok((await raw.next((m) => m.id === 5)).result.capabilities);
  raw.send({ jsonrpc: '2.0', id: 6, method: 'no/such/method', params: {} });
  assert.equal((await raw.next((m) => m.id === 6)).error.code, -32601);
  raw.send({ jsonrpc: '2.0', method: 'no/such/notification', params: {} });
  raw.send({ jsonrpc: '2.0', id: 7, method: 'textDocument/hover', params: { textDocument: 3 } });
  assert.equal((await raw.next((m) => m.id === 7)).error.code, -32602);
  raw.send({ jsonrpc: '2.0', id: 8, method: 'shutdown' });
  assert.equal((await raw.next((m) => m.id === 8)).result, null);
  raw.send({ jsonrpc: '2.0', method: 'exit' });
  assert.equal(await raw.exited(), 0);
  assert.equal(raw.messages.length, 0, `nothing else was said: ${JSON.stringify(raw.messages)}`);
});

test('an absurd Content-Length is refused without taking its memory', async () => {
  const raw = startRaw();
  raw.send({ jsonrpc: '2.0', id: 1, method: 'initialize', params: { capabilities: {} } });
  await raw.next((m) => m.id === 1);
  const before = residentKb(raw.child.pid);
  raw.write('Content-Length: 999999999999\r\n\r\n');
  assert.equal((await raw.next((m) => m.error)).error.code, -32600);
  // A body far above the bound: passed over as it comes, never kept.
  raw.write(`{"text": "${'x'.repeat(8 << 20)}"}\r\n`);
  raw.write('Content-Length: 300000000\r\n\r\n');
  assert.equal((await raw.next((m) => m.error)).error.code, -32600);
  raw.write(`{"text": "${'y'.repeat(8 << 20)}"}\r\n`);
  raw.send({ jsonrpc: '2.0', id: 2, method: 'workspace/symbol', params: { query: '' } });
  assert.deepEqual((await raw.next((m) => m.id === 2)).result, []);
  const grown = residentKb(raw.child.pid) - before;
  assert.ok(grown < 16 * 1024, `the server grew by ${grown} kB`);
  raw.child.stdin.end();
  assert.equal(await raw.exited(), 1, 'standard input closed without exit');
});

test('a request the editor cancels while it waits is answered as cancelled', async () => {
  const raw = startRaw();
  raw.send({ jsonrpc: '2.0', id: 1, method: 'initialize', params: { capabilities: {} } });
  await raw.next((m) => m.id === 1);
  // In one write, so that the cancellation waits with the request it cancels.
  raw.write(Buffer.concat([
    framed({ jsonrpc: '2.0', id: 2, method: 'workspace/symbol', params: { query: '' } }),
    framed({ jsonrpc: '2.0', id: 3, method: 'workspace/symbol', params: { query: '' } }),
    framed({ jsonrpc: '2.0', method: '$/cancelRequest', params: { id: 3 } }),
  ]));
  assert.deepEqual((await raw.next((m) => m.id === 2)).result, []);
  assert.equal((await raw.next((m) => m.id === 3)).error.code, -32800);
  raw.child.stdin.end();
  assert.equal(await raw.exited(), 1);
});

test('a description above the size bound gets one diagnostic and is not compiled', async () => {
  const other = await startClient();
  try {
    const uri = 'file:///nowhere/HUGE_linea.txt';
    const text = `[generale]\r\n${'-- filler line of a description far too long\r\n'.repeat(1500000)}[fine]\r\n`;
    assert.ok(text.length > 64 * 1024 * 1024);
    await other.open(uri, text);
    const [only, ...rest] = await other.diagnostics(uri, () => true, 60000);
    assert.deepEqual(rest, []);
    assert.equal(only.code, 'description-too-large');
    assert.match(only.message, /above the 67108864 bytes a description may take/);
  } finally {
    assert.equal(await other.stop(), 0);
  }
});

test('a line description saved elsewhere checks its open trains again, when the editor watches files', async () => {
  const other = carriedScenario();
  let registered;
  const watching = await startClient({ workspace: { didChangeWatchedFiles: { dynamicRegistration: true } } }, (c) => {
    c.onRequest('client/registerCapability', (params) => {
      registered = params.registrations;
      return null;
    });
  });
  try {
    await watching.open(other.trainUri, load(other.train));
    await watching.diagnostics(other.trainUri, (d, v) => v === 1);
    assert.equal(registered[0].method, 'workspace/didChangeWatchedFiles');
    assert.equal(registered[0].registerOptions.watchers[0].globPattern, '**/*_linea.txt');
    // Another program saves the line with a gradient of a letter; the editor tells the server.
    writeFileSync(other.line, load(other.line).replace('pendenza,  900,', 'pendenza,  9x0,'), 'latin1');
    await watching.connection.sendNotification('workspace/didChangeWatchedFiles',
      { changes: [{ uri: other.lineUri, type: 2 }] });
    await watching.diagnostics(other.trainUri, hasCode('line-description-errors'));
  } finally {
    assert.equal(await watching.stop(), 0);
    other.remove();
  }
});
