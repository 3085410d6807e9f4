// A real editor: Debian's Neovim, headless, with its built-in language server client attached to
// scenario-tool lsp (nvim_lsp.lua), types the signal edit that takes another signal's cell,
// waits for the diagnostic, hovers, completes, undoes and sees the diagnostic cleared.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { readFileSync, statSync } from 'node:fs';
import { join, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import { carriedScenario, tool } from './lsp_harness.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const nvim = process.env.NVIM ?? 'nvim';

test('Neovim shows the taken cell while the author types, and clears it on undo', () => {
  const version = execFileSync(nvim, ['--version'], { encoding: 'utf8' }).split('\n')[0];
  const scenario = carriedScenario();
  try {
    const before = readFileSync(scenario.train);
    const mtime = statSync(scenario.train).mtimeMs;
    const result = join(scenario.dir, 'nvim-result.json');
    const run = spawnSync(nvim, ['--headless', '--clean', '-n', '-c', `luafile ${join(here, 'nvim_lsp.lua')}`,
      scenario.train], {
      env: { ...process.env, SCENARIO_TOOL: tool, NVIM_RESULT: result },
      cwd: scenario.dir,
      timeout: 60000,
      encoding: 'utf8',
    });
    assert.equal(run.status, 0, `${version}: ${run.stderr}`);
    const found = JSON.parse(readFileSync(result, 'utf8'));
    for (const step of found.steps) assert.ok(step.ok, `${version}: ${step.name}: ${step.detail ?? ''}`);
    assert.equal(found.steps.length, 10, JSON.stringify(found.steps));
    assert.equal(found.remaining, 0);
    assert.deepEqual(readFileSync(scenario.train), before, 'the editor quit without saving');
    assert.equal(statSync(scenario.train).mtimeMs, mtime);
  } finally {
    scenario.remove();
  }
});
