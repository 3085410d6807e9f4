// Takes the README's pictures of the live viewer from the real tool and browser:
//   docs/viewer.png        the carried scenario, a station selected
//   docs/viewer-close.png  zoomed in on it: the details that fit there
//   docs/viewer-stale.png  an edit that fails: the last good picture, stale, with the error
// Run by hand after changing the page: node tests/browser/screenshots.mjs (after npm ci here
// and a release build of scenario-tool).
import { resolve, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import { carriedScenario, startServer, launchBrowser, openViewer, save, load } from './viewer_harness.mjs';

const docs = resolve(dirname(fileURLToPath(import.meta.url)), '../../docs');
const scenario = carriedScenario();
const server = await startServer(scenario.line, scenario.train);
const browser = await launchBrowser();
try {
  const { page } = await openViewer(browser, server.url, { width: 1400, height: 860 });
  await page.fill('#search', 'ALESSANDRIA');
  await page.click('#object-list li >> text=ALESSANDRIA');
  await page.fill('#search', '');
  await page.$eval('#object-list li.active', (li) => li.scrollIntoView({ block: 'center' }));
  await page.waitForTimeout(300);
  await page.screenshot({ path: `${docs}/viewer.png` });

  // Closer in on the station: its area, stop cell and approach codes, the signals by kind.
  const box = await page.locator('#plan').boundingBox();
  await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
  for (let i = 0; i < 7; i += 1) await page.mouse.wheel(0, -200);
  await page.waitForTimeout(400);
  await page.screenshot({ path: `${docs}/viewer-close.png` });
  await page.click('#fit');

  const original = load(scenario.train);
  const version = Number(await page.getAttribute('body', 'data-version'));
  save(scenario.train, original.replace('segnale,    2600,', 'segnale,    1500,'));
  await page.waitForSelector(`body[data-shown-version="${version + 1}"]`);
  await page.click('#problems-tab-button');
  await page.click('#problem-list li.error');
  await page.waitForTimeout(300);
  await page.screenshot({ path: `${docs}/viewer-stale.png` });
  save(scenario.train, original);
} finally {
  await browser.close();
  await server.stop();
  scenario.remove();
}
