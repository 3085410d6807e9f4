// Starts the built `scenario-tool lsp` and talks to it as an editor does: through the protocol
// client of vscode-jsonrpc, or byte by byte for what no well-behaved client sends.
import { spawn, execFileSync } from 'node:child_process';
import { mkdtempSync, rmSync, readFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve, dirname } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import * as rpc from 'vscode-jsonrpc/node.js';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
export const tool = process.env.SCENARIO_TOOL ?? join(root, 'build/release/tools/scenario-tool');

// A folder with the carried scenario's descriptions, as the tool writes them.
export function carriedScenario() {
  const dir = mkdtempSync(join(tmpdir(), 'editor-test-'));
  execFileSync(tool, ['write-sources', dir], { stdio: 'ignore' });
  const line = join(dir, 'GENOVA_TORINO_linea.txt');
  const train = join(dir, 'GENOVA_TORINO_IC514-.txt');
  return {
    dir,
    line,
    train,
    lineUri: pathToFileURL(line).href,
    trainUri: pathToFileURL(train).href,
    remove() { rmSync(dir, { recursive: true, force: true }); },
  };
}

// A description's text as an editor shows it: Windows-1252 bytes as characters.
export function load(path) {
  return new TextDecoder('windows-1252').decode(readFileSync(path));
}

// The line (from 0) that holds `what` in `text`.
export function lineOf(text, what) {
  const at = text.indexOf(what);
  if (at < 0) throw new Error(`no ${what}`);
  return text.slice(0, at).split(/\r\n|\r|\n/).length - 1;
}

function exited(child) {
  return new Promise((resolveExit) => {
    if (child.exitCode !== null) resolveExit(child.exitCode);
    else child.on('exit', (code, signal) => resolveExit(code ?? signal));
  });
}

// The server with a protocol client on its pipes. `diagnostics(uri, match)` waits for a
// publication for `uri` for which `match(diagnostics, version)` holds; `published` holds them
// all.
// `prepare(connection)` may add handlers before the conversation starts; `args` go to the
// server after `lsp --stdio`.
export async function startClient(capabilities = {}, prepare = () => {}, args = []) {
  const child = spawn(tool, ['lsp', '--stdio', ...args], { stdio: ['pipe', 'pipe', 'inherit'] });
  const connection = rpc.createMessageConnection(
    new rpc.StreamMessageReader(child.stdout), new rpc.StreamMessageWriter(child.stdin));
  prepare(connection);
  const published = [];
  const waiting = new Set();
  connection.onNotification('textDocument/publishDiagnostics', (params) => {
    published.push(params);
    for (const w of waiting) w();
  });
  connection.listen();
  const initialized = await connection.sendRequest('initialize', {
    processId: process.pid, rootUri: null, capabilities,
  });
  await connection.sendNotification('initialized', {});
  let version = 1;
  const client = {
    child,
    connection,
    capabilities: initialized.capabilities,
    published,
    open(uri, text) {
      return connection.sendNotification('textDocument/didOpen',
        { textDocument: { uri, languageId: 'scenario', version: 1, text } });
    },
    // Replaces characters `from` to `to` of line `line` with `text`; returns the new version.
    async edit(uri, line, from, to, text) {
      version += 1;
      await connection.sendNotification('textDocument/didChange', {
        textDocument: { uri, version },
        contentChanges: [{ range: { start: { line, character: from }, end: { line, character: to } }, text }],
      });
      return version;
    },
    close(uri) {
      return connection.sendNotification('textDocument/didClose', { textDocument: { uri } });
    },
    request(method, params) { return connection.sendRequest(method, params); },
    // Looks at publications from the `from`th on.
    diagnostics(uri, match = () => true, timeout = 10000, from = 0) {
      return new Promise((resolveFound, reject) => {
        let seen = from;
        const look = () => {
          for (; seen < published.length; ++seen) {
            const p = published[seen];
            if (p.uri === uri && match(p.diagnostics, p.version)) {
              clearTimeout(timer);
              waiting.delete(look);
              resolveFound(p.diagnostics);
              return;
            }
          }
        };
        const timer = setTimeout(() => {
          waiting.delete(look);
          reject(new Error(`no such diagnostics for ${uri} in ${timeout} ms; last: ${JSON.stringify(published.at(-1))}`));
        }, timeout);
        waiting.add(look);
        look();
      });
    },
    async stop() {
      await connection.sendRequest('shutdown');
      await connection.sendNotification('exit');
      const status = await exited(child);
      connection.dispose();
      return status;
    },
  };
  return client;
}

// The server with raw pipes: `write` sends bytes as they are, `messages()` gives what came
// back, `next(match)` waits for a message.
export function startRaw() {
  const child = spawn(tool, ['lsp'], { stdio: ['pipe', 'pipe', 'inherit'] });
  let buffer = Buffer.alloc(0);
  const messages = [];
  const waiting = new Set();
  child.stdout.on('data', (chunk) => {
    buffer = Buffer.concat([buffer, chunk]);
    for (;;) {
      const end = buffer.indexOf('\r\n\r\n');
      if (end < 0) break;
      const length = Number(/Content-Length: (\d+)/i.exec(buffer.subarray(0, end).toString())[1]);
      if (buffer.length < end + 4 + length) break;
      messages.push(JSON.parse(buffer.subarray(end + 4, end + 4 + length).toString()));
      buffer = buffer.subarray(end + 4 + length);
    }
    for (const w of waiting) w();
  });
  return {
    child,
    messages,
    write(bytes) { child.stdin.write(bytes); },
    send(message) {
      const body = Buffer.from(JSON.stringify(message));
      child.stdin.write(Buffer.concat([Buffer.from(`Content-Length: ${body.length}\r\n\r\n`), body]));
    },
    next(match, timeout = 10000) {
      return new Promise((resolveFound, reject) => {
        const look = () => {
          const at = messages.findIndex(match);
          if (at < 0) return;
          const [found] = messages.splice(at, 1);
          clearTimeout(timer);
          waiting.delete(look);
          resolveFound(found);
        };
        const timer = setTimeout(() => {
          waiting.delete(look);
          reject(new Error(`no such message in ${timeout} ms; got ${JSON.stringify(messages)}`));
        }, timeout);
        waiting.add(look);
        look();
      });
    },
    exited: () => exited(child),
  };
}

// A request as raw bytes.
export function framed(message) {
  const body = Buffer.from(typeof message === 'string' ? message : JSON.stringify(message));
  return Buffer.concat([Buffer.from(`Content-Length: ${body.length}\r\n\r\n`), body]);
}

// The resident memory of a process in kB, from /proc.
export function residentKb(pid) {
  const status = readFileSync(`/proc/${pid}/status`, 'utf8');
  return Number(/VmRSS:\s+(\d+)/.exec(status)[1]);
}
