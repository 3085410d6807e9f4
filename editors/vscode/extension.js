// Starts `scenario-tool lsp` for the line and train descriptions and gives its "show in viewer"
// command a place in the editor. Everything the author sees about a description comes from the
// server; this file only starts it and passes the command on.
'use strict';

const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');

const showInViewer = 'scenarioTool.showInViewer';
// The server's own command: it answers by asking the editor to open the viewer's page at the
// object the record at that position placed.
const serverShowInViewer = 'scenario-tool.showInViewer';

let client;

function serverOptions() {
  const settings = vscode.workspace.getConfiguration('scenarioTool');
  const args = ['lsp'];
  if (settings.get('viewer', true)) args.push('--viewer');
  return { command: settings.get('path', 'scenario-tool'), args, transport: TransportKind.stdio };
}

async function start() {
  client = new LanguageClient('scenarioTool', 'Scenario descriptions', serverOptions(), {
    documentSelector: [{ scheme: 'file', language: 'scenario-description' }],
  });
  await client.start();
}

async function restart() {
  if (client) await client.stop();
  await start();
}

async function showRecordInViewer() {
  const editor = vscode.window.activeTextEditor;
  if (!client || !editor || editor.document.languageId !== 'scenario-description') return;
  const place = client.code2ProtocolConverter.asTextDocumentPositionParams(
    editor.document,
    editor.selection.active,
  );
  try {
    await client.sendRequest('workspace/executeCommand', {
      command: serverShowInViewer,
      arguments: [place.textDocument.uri, place.position],
    });
  } catch (failure) {
    vscode.window.showWarningMessage(`Show in viewer: ${failure.message}`);
  }
}

async function activate(context) {
  context.subscriptions.push(
    vscode.commands.registerCommand(showInViewer, showRecordInViewer),
    vscode.workspace.onDidChangeConfiguration((change) => {
      if (change.affectsConfiguration('scenarioTool')) restart();
    }),
  );
  await start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
