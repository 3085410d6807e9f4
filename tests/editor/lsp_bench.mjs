// Figures of the language server, printed as a table: not a test (nothing here passes or
// fails), run by scripts/editor-bench.sh. Each figure is the time from a keystroke sent to the
// server (a didChange of one field) to the diagnostics of that very version published:
//  - the carried scenario: a signal moved onto a taken cell, and moved back;
//  - a generated 1,000,000 m line: the same in its train description, and a gradient of its
//    line description changed, which checks the line and its open train again;
// beside a `scenario-tool check` process on the same files.
import { execFileSync } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { carriedScenario, load, lineOf, startClient, tool } from './lsp_harness.mjs';

const rounds = Number(process.env.EDITOR_BENCH_ROUNDS ?? 20);
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const fmt = (xs) => `median ${median(xs).toFixed(0)} ms, min ${Math.min(...xs).toFixed(0)}, max ${Math.max(...xs).toFixed(0)} (${xs.length} runs)`;
const pause = (ms) => new Promise((r) => setTimeout(r, ms));

// Edits `line` of `uri` from `before` to `after` and back, `rounds` times; for each the time to
// the diagnostics of `watched` (the edited document unless given) made from that version.
async function keystrokes(client, uri, text, before, after, watched = uri) {
  const l = lineOf(text, before);
  const row = text.split(/\r\n/)[l];
  const from = row.indexOf(before);
  const times = [];
  for (let i = 0; i < rounds; ++i) {
    const [old, now] = i % 2 === 0 ? [before, after] : [after, before];
    const started = performance.now();
    const seen = client.published.length;
    const v = await client.edit(uri, l, from, from + old.length, now);
    // The edited document's diagnostics of this version, or the next of the one watched.
    await client.diagnostics(watched, (d, version) => watched !== uri || version === v, 30000, seen);
    times.push(performance.now() - started);
    await pause(100);
  }
  return times;
}

function checkProcess(line, train) {
  const times = [];
  for (let i = 0; i < Math.min(rounds, 10); ++i) {
    const started = performance.now();
    try { execFileSync(tool, ['check', line, train], { stdio: 'ignore' }); } catch { /* status 1 */ }
    times.push(performance.now() - started);
  }
  return times;
}

const rows = [];
{
  const scenario = carriedScenario();
  const client = await startClient();
  const train = load(scenario.train);
  await client.open(scenario.trainUri, train);
  await client.diagnostics(scenario.trainUri, (d, v) => v === 1);
  rows.push(['carried scenario: keystroke to diagnostics (signal onto a taken cell and back)',
    fmt(await keystrokes(client, scenario.trainUri, train, 'segnale,    2600,', 'segnale,    1500,'))]);
  rows.push(['carried scenario: `check` process on the same files', fmt(checkProcess(scenario.line, scenario.train))]);
  await client.stop();
  scenario.remove();
}
{
  const dir = mkdtempSync(join(tmpdir(), 'editor-bench-'));
  execFileSync(process.env.SCENARIO_WRITE_GENERATED, ['1000000', dir], { stdio: 'ignore' });
  const linePath = join(dir, 'GENERATED_linea.txt');
  const trainPath = join(dir, 'GENERATED_T1-.txt');
  const lineUri = pathToFileURL(linePath).href;
  const trainUri = pathToFileURL(trainPath).href;
  const client = await startClient();
  const train = load(trainPath);
  const line = load(linePath);
  let started = performance.now();
  await client.open(trainUri, train);
  await client.diagnostics(trainUri, (d, v) => v === 1, 60000);
  rows.push(['1,000,000 m line: train opened to its first diagnostics', `${(performance.now() - started).toFixed(0)} ms`]);
  const second = train.split('\r\n').filter((r) => r.startsWith('segnale,'))[1];
  const moved = second.replace(/^segnale,\s+\d+,/, 'segnale,  550,');
  rows.push(['1,000,000 m line: keystroke in the train to its diagnostics (signal onto a taken cell and back)',
    fmt(await keystrokes(client, trainUri, train, second, moved))]);
  started = performance.now();
  await client.open(lineUri, line);
  await client.diagnostics(lineUri, (d, v) => v === 1, 60000);
  rows.push(['1,000,000 m line: line description opened to its first diagnostics', `${(performance.now() - started).toFixed(0)} ms`]);
  const gradient = line.split('\r\n').find((r) => r.startsWith('pendenza,') && / 3$/.test(r)) ??
    line.split('\r\n').find((r) => r.startsWith('pendenza,'));
  const steeper = gradient.replace(/,\s*(-?\d+)$/, (m, g) => `,  ${Number(g) + 1}`);
  rows.push(['1,000,000 m line: keystroke in the line to its own diagnostics',
    fmt(await keystrokes(client, lineUri, line, gradient, steeper))]);
  rows.push(['1,000,000 m line: keystroke in the line to the open train\'s diagnostics',
    fmt(await keystrokes(client, lineUri, line, gradient, steeper, trainUri))]);
  rows.push(['1,000,000 m line: `check` process on the same files', fmt(checkProcess(linePath, trainPath))]);
  await client.stop();
  rmSync(dir, { recursive: true, force: true });
}
for (const [what, figure] of rows) console.log(`${what}: ${figure}`);
