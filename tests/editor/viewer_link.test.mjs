// scenario-tool lsp --viewer: the live viewer served beside the language server, linked to the
// editor both ways. A record's code lens asks the editor to open the page at the record's
// object; the page asks the editor to open an object's record.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { copyFileSync } from 'node:fs';
import { join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { carriedScenario, load, lineOf, startClient } from './lsp_harness.mjs';

const canShowDocuments = { window: { showDocument: { support: true } } };

// The editor's side of window/showDocument: `next()` is the next document the server asked for.
function documentsShown(connection) {
  const shown = [];
  const waiting = [];
  connection.onRequest('window/showDocument', (params) => {
    if (waiting.length) waiting.shift()(params);
    else shown.push(params);
    return { success: true };
  });
  return {
    next(timeout = 5000) {
      if (shown.length) return Promise.resolve(shown.shift());
      return new Promise((resolveShown, reject) => {
        const timer = setTimeout(() => reject(new Error('no window/showDocument')), timeout);
        waiting.push((params) => { clearTimeout(timer); resolveShown(params); });
      });
    },
  };
}

test('a code lens opens the page at the record\'s object, and the page opens an object\'s record', async () => {
  const scenario = carriedScenario();
  let documents;
  const client = await startClient(canShowDocuments,
    (connection) => { documents = documentsShown(connection); }, ['--viewer', '--port', '0']);
  try {
    assert.deepEqual(client.capabilities.executeCommandProvider.commands, ['scenario-tool.showInViewer']);
    const train = load(scenario.train);
    await client.open(scenario.trainUri, train);

    // A lens on each record, none on a heading.
    const lenses = await client.request('textDocument/codeLens', { textDocument: { uri: scenario.trainUri } });
    const signal = lineOf(train, 'segnale,   35150');
    const lens = lenses.find((l) => l.range.start.line === signal);
    assert.equal(lens?.command.title, 'Show in viewer');
    assert.deepEqual([lens.range.start.character, lens.range.end.character], [0, 'segnale'.length]);
    assert.ok(!lenses.some((l) => l.range.start.line === lineOf(train, '[stazioni]')));

    await client.request('workspace/executeCommand', lens.command);
    const page = await documents.next();
    assert.equal(page.external, true);
    const address = /^(http:\/\/127\.0\.0\.1:\d+\/)#record=train:(\d+)$/.exec(page.uri);
    assert.ok(address, page.uri);
    assert.equal(Number(address[2]), signal + 1);
    const base = address[1];
    // The page's objects name that line as the signal's record.
    const state = await (await fetch(`${base}api/state`)).json();
    const placed = state.objects.find((o) => o.source?.file === scenario.train && o.source.line === signal + 1);
    assert.equal(placed?.kind, 'signal');

    // The page asks for line 2 of the line description.
    const asked = await fetch(`${base}api/open-record?description=line&line=2`, { method: 'POST' });
    assert.equal(asked.status, 200);
    const opened = await documents.next();
    assert.equal(fileURLToPath(opened.uri), scenario.line);
    assert.equal(opened.takeFocus, true);
    assert.deepEqual(opened.selection.start, { line: 1, character: 0 });
    // Anything else is refused, and a GET never acts.
    for (const query of ['description=notes&line=2', 'description=line&line=0', 'description=line']) {
      assert.equal((await fetch(`${base}api/open-record?${query}`, { method: 'POST' })).status, 400, query);
    }
    assert.equal((await fetch(`${base}api/open-record?description=line&line=2`)).status, 405);

    // A second train description is not the pair shown: no lenses, and the command says why.
    const other = join(scenario.dir, 'GENOVA_TORINO_R2-.txt');
    copyFileSync(scenario.train, other);
    const otherUri = pathToFileURL(other).href;
    await client.open(otherUri, train);
    assert.deepEqual(await client.request('textDocument/codeLens', { textDocument: { uri: otherUri } }), []);
    await assert.rejects(client.request('workspace/executeCommand',
      { command: 'scenario-tool.showInViewer', arguments: [otherUri, signal] }), /the viewer shows/);
    assert.equal(await client.stop(), 0);
  } finally {
    scenario.remove();
  }
});

test('without --viewer there are no lenses and the command says how to have them', async () => {
  const scenario = carriedScenario();
  const client = await startClient(canShowDocuments);
  try {
    assert.equal(client.capabilities.codeLensProvider, undefined);
    await client.open(scenario.trainUri, load(scenario.train));
    assert.deepEqual(await client.request('textDocument/codeLens', { textDocument: { uri: scenario.trainUri } }), []);
    await assert.rejects(client.request('workspace/executeCommand',
      { command: 'scenario-tool.showInViewer', arguments: [scenario.trainUri, 3] }), /without --viewer/);
    assert.equal(await client.stop(), 0);
  } finally {
    scenario.remove();
  }
});
