// The demo's page in headless Chromium, checked like the desktop window test:
// screen 1's background, hover and click on the next button, screen 2's
// background after the transition, Escape and exit status 1 (read from the
// page). The expected colours come from the browser's own decoding of the
// same PNG files. Also prints what it measured: time to the first frame,
// presents per second during the transition, and the page's idle load.
//
// Usage: node demo_page_test.js WEB_DIR IMAGES_DIR
// Needs playwright-core (found through NODE_PATH) and Debian's chromium;
// exits 77 (skipped) without them.
'use strict';
const fs = require('fs');
const path = require('path');
const { browserOrSkip, serve, sleep } = require('./support');

const [webDir, imagesDir] = process.argv.slice(2);
if (!webDir || !imagesDir) {
  console.error('usage: node demo_page_test.js WEB_DIR IMAGES_DIR');
  process.exit(2);
}
for (const f of ['index.html', 'index.js', 'index.wasm', 'index.data']) {
  if (!fs.existsSync(path.join(webDir, f))) {
    console.error(`FAIL: ${f} is missing from ${webDir}`);
    process.exit(1);
  }
}

const near = (a, b) => (a[0] - b[0]) ** 2 + (a[1] - b[1]) ** 2 + (a[2] - b[2]) ** 2 <= 75;

// Average colour of the 40x40 patch at 10,10 of the canvas, or of a PNG file
// as the browser decodes it.
async function canvasPatch(page) {
  return page.evaluate(() => {
    const d = Module.zarvoCanvas.getContext('2d').getImageData(10, 10, 40, 40).data;
    const s = [0, 0, 0];
    for (let i = 0; i < d.length; i += 4) for (let c = 0; c < 3; ++c) s[c] += d[i + c];
    return s.map((v) => Math.round(v / 1600));
  });
}
async function filePatch(page, name) {
  return page.evaluate(async (name) => {
    const img = new Image();
    img.src = name;
    await img.decode();
    const c = document.createElement('canvas');
    c.width = img.width;
    c.height = img.height;
    const ctx = c.getContext('2d');
    ctx.drawImage(img, 0, 0);
    const d = ctx.getImageData(10, 10, 40, 40).data;
    const s = [0, 0, 0];
    for (let i = 0; i < d.length; i += 4) for (let c = 0; c < 3; ++c) s[c] += d[i + c];
    return s.map((v) => Math.round(v / 1600));
  }, name);
}
const presents = (page) => page.evaluate(() => Module.zarvoPresents | 0);

// Busy time of the page's main thread, in seconds (Chromium's own counter).
async function busySeconds(cdp) {
  const { metrics } = await cdp.send('Performance.getMetrics');
  return metrics.find((m) => m.name === 'TaskDuration').value;
}

async function main() {
  const browser = await browserOrSkip();
  const server = await serve(webDir, imagesDir);
  const url = `http://127.0.0.1:${server.address().port}/`;
  let failure = null;
  const fail = (msg) => { failure = failure || msg; };
  try {
    const page = await browser.newPage({ viewport: { width: 800, height: 600 } });
    const errors = [];
    page.on('pageerror', (e) => errors.push(String(e)));
    page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
    const cdp = await page.context().newCDPSession(page);
    await cdp.send('Performance.enable');

    await page.goto(url);
    await page.waitForFunction(() => (Module.zarvoPresents | 0) > 0, null, { timeout: 20000 });
    const firstFrameMs = await page.evaluate(() => Module.zarvoFirstPresent);
    const title = await page.title();
    if (title !== 'ZarvoGameEngine screen transitions demo') fail(`page title is '${title}'`);
    await sleep(2500);  // the first screen's own transition

    const want1 = await filePatch(page, 'images/background1.png');
    const got1 = await canvasPatch(page);
    if (!near(got1, want1)) fail(`screen 1 shows ${got1}, its background is ${want1}`);

    // Onto the next button (drawn at 526,220, 64x41; the cursor's corner, 5,5
    // from the pointer, is the point tested), then click.
    const box = await page.locator('#canvas').boundingBox();
    await page.mouse.move(box.x + 545, box.y + 230);
    await sleep(300);
    await page.mouse.move(box.x + 551, box.y + 235);
    await sleep(300);
    const before = await presents(page);
    const t0 = Date.now();
    await page.mouse.down();
    await page.mouse.up();
    await sleep(2000);  // the transition lasts 2 s
    const transitionRate = ((await presents(page)) - before) / ((Date.now() - t0) / 1000);
    await sleep(1000);

    const want2 = await filePatch(page, 'images/background2.png');
    const got2 = await canvasPatch(page);
    if (!near(got2, want2)) fail(`after the click the screen shows ${got2}, screen 2's background is ${want2}`);

    // Idle: the pointer off the canvas, nothing changes, nothing may be drawn.
    await page.mouse.move(box.x + box.width + 50, box.y + box.height + 50);
    await sleep(1000);
    const idleStart = await presents(page);
    const busy0 = await busySeconds(cdp);
    const i0 = Date.now();
    await sleep(3000);
    const idleLoad = ((await busySeconds(cdp)) - busy0) / ((Date.now() - i0) / 1000);
    const idlePresents = (await presents(page)) - idleStart;
    if (idlePresents !== 0) fail(`${idlePresents} presents while nothing changed`);

    await page.keyboard.press('Escape');
    await page.waitForFunction(() => Module.zarvoExitStatus !== undefined, null, { timeout: 10000 })
      .catch(() => {});
    const status = await page.evaluate(() => Module.zarvoExitStatus);
    if (status !== 1) fail(`exit status ${status}, expected 1`);
    if (errors.length) fail(`page errors: ${errors.join(' | ')}`);

    console.log(`measured: first frame ${firstFrameMs.toFixed(0)} ms after navigation, ` +
      `${transitionRate.toFixed(0)} presents/s during the transition, ` +
      `idle main thread ${(100 * idleLoad).toFixed(1)}% of a core`);
  } finally {
    await browser.close();
    server.close();
  }
  if (failure) {
    console.log(`FAIL: ${failure}`);
    process.exit(1);
  }
  console.log('ok: title, screen 1, hover and click, screen 2, no idle redraw, Escape, exit status 1');
}

main().catch((e) => {
  console.log(`FAIL: ${e && e.stack ? e.stack : e}`);
  process.exit(1);
});
