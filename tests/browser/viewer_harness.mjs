// Starts a real `scenario-tool serve` on the carried scenario's descriptions and a real browser
// (Debian's chromium through playwright-core) to look at its page.
import { spawn, execFileSync } from 'node:child_process';
import { mkdtempSync, rmSync, readFileSync, writeFileSync, renameSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
export const tool = process.env.SCENARIO_TOOL ?? join(root, 'build/release/tools/scenario-tool');
const browserPath = process.env.CHROMIUM ?? '/usr/bin/chromium';

// A folder with the carried scenario's two descriptions, as the tool writes them.
export function carriedScenario() {
  const dir = mkdtempSync(join(tmpdir(), 'viewer-test-'));
  execFileSync(tool, ['write-sources', dir], { stdio: 'ignore' });
  return {
    dir,
    line: join(dir, 'GENOVA_TORINO_linea.txt'),
    train: join(dir, 'GENOVA_TORINO_IC514-.txt'),
    remove() { rmSync(dir, { recursive: true, force: true }); },
  };
}

// Replaces a description as an editor saves it: a whole new file put in its place.
export function save(path, text) {
  const temporary = `${path}.saving`;
  writeFileSync(temporary, text, 'latin1');
  renameSync(temporary, path);
}

export function load(path) {
  return readFileSync(path, 'latin1');
}

// `scenario-tool serve LINE TRAIN --port 0`, once it has printed its address.
export async function startServer(line, train, extra = []) {
  const child = spawn(tool, ['serve', line, train, '--port', '0', ...extra],
    { stdio: ['ignore', 'pipe', 'pipe'] });
  let output = '';
  let errors = '';
  child.stderr.on('data', (d) => { errors += d; });
  const url = await new Promise((resolveUrl, reject) => {
    const timer = setTimeout(() => reject(new Error(`no address after 20 s: ${output}${errors}`)), 20000);
    child.stdout.on('data', (d) => {
      output += d;
      const match = /at (http:\/\/\S+\/)/.exec(output);
      if (match) { clearTimeout(timer); resolveUrl(match[1]); }
    });
    child.on('exit', (code) => reject(new Error(`serve ended with ${code}: ${errors}`)));
  });
  return {
    url,
    pid: child.pid,
    output: () => output,
    async stop() {
      if (child.exitCode !== null) return child.exitCode;
      const ended = new Promise((r) => child.on('exit', (code, signal) => r(code ?? signal)));
      child.kill('SIGINT');
      return ended;
    },
  };
}

export async function launchBrowser() {
  return chromium.launch({ executablePath: browserPath, headless: true, args: ['--no-sandbox'] });
}

// A page that remembers every error the browser reports: console errors and uncaught ones.
export async function openViewer(browser, url, viewport = { width: 1400, height: 900 }) {
  const page = await browser.newPage({ viewport });
  const problems = [];
  page.on('console', (m) => { if (m.type() === 'error') problems.push(m.text()); });
  page.on('pageerror', (e) => problems.push(String(e)));
  page.on('requestfailed', (r) => {
    if (!r.url().includes('/api/events')) problems.push(`request failed: ${r.url()}`);
  });
  await page.goto(url);
  await page.waitForSelector('body[data-picture-version]');
  return { page, problems };
}
