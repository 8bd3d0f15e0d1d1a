// The browser backend in headless Chromium, event by event: what the page
// shows for the screen's colours (alpha ignored), the title, the mode list,
// and the EVENT records that DOM input becomes (pointer enter, moves on a
// canvas shown at twice its size, buttons, double click, wheels, keys with
// set-1 codes and characters, leave, get-mouse inside and outside, blur and
// focus), then
// Escape and the program's exit status.
//
// Usage: node backend_page_test.js PAGE_DIR   (the folder of backend_page.html)
'use strict';
const { browserOrSkip, serve, sleep } = require('./support');

const [dir] = process.argv.slice(2);
if (!dir) {
  console.error('usage: node backend_page_test.js PAGE_DIR');
  process.exit(2);
}

async function main() {
  const browser = await browserOrSkip();
  const server = await serve(dir);
  const failures = [];
  try {
    const page = await browser.newPage({ viewport: { width: 400, height: 300 } });
    const lines = [];
    page.on('console', (m) => lines.push(m.text()));
    page.on('pageerror', (e) => failures.push(`page error: ${e}`));
    await page.goto(`http://127.0.0.1:${server.address().port}/backend_page.html`);
    await page.waitForFunction(() => window.Module && Module.zarvoPresents > 0, null, { timeout: 20000 });
    for (let i = 0; i < 100 && !lines.includes('ready'); ++i) await sleep(50);

    const expect = (what, got, want) => {
      if (JSON.stringify(got) !== JSON.stringify(want))
        failures.push(`${what}: got ${JSON.stringify(got)}, want ${JSON.stringify(want)}`);
    };
    expect('title', await page.title(), 'zarvo backend page');
    const screen = await page.evaluate(() => [screen.width, screen.height]);
    expect('mode list', lines.find((l) => l.startsWith('mode')), `mode ${screen[0]} ${screen[1]} 0`);
    const pixels = await page.evaluate(() => {
      const ctx = Module.zarvoCanvas.getContext('2d');
      return [Array.from(ctx.getImageData(3, 3, 1, 1).data), Array.from(ctx.getImageData(60, 40, 1, 1).data)];
    });
    expect('pixels', pixels, [[0x11, 0x22, 0x33, 255], [0x44, 0x55, 0x66, 255]]);

    // Shown at 128x96 CSS pixels: page positions halve into screen pixels.
    await page.evaluate(() => { Module.zarvoCanvas.style.width = '128px'; Module.zarvoCanvas.style.height = '96px'; });
    const box = await page.locator('#canvas').boundingBox();
    const at = (x, y) => [box.x + 2 * x + 1, box.y + 2 * y + 1];
    let seen = lines.length;
    // The lines printed since the last step, after the action has run.
    const step = async (what, action, want) => {
      await action();
      await sleep(150);
      expect(what, lines.slice(seen).filter((l) => !l.startsWith('mode') && l !== 'ready'), want);
      seen = lines.length;
    };

    await step('enter and move', () => page.mouse.move(...at(10, 15)), ['event 9 0 0 0 0', 'event 4 10 15 0 0']);
    await step('move', () => page.mouse.move(...at(20, 20)), ['event 4 20 20 10 5']);
    await step('right button', async () => { await page.mouse.down({ button: 'right' }); await page.mouse.up({ button: 'right' }); },
      ['event 5 2 0 0 0', 'event 6 2 0 0 0']);
    // Playwright moves to the spot first, even when the pointer is there.
    await step('double click', () => page.mouse.dblclick(...at(20, 20)),
      ['event 4 20 20 0 0', 'event 5 1 0 0 0', 'event 6 1 0 0 0', 'event 5 1 0 0 0', 'event 6 1 0 0 0', 'event 7 1 0 0 0']);
    await step('wheel', async () => {
      await page.mouse.wheel(0, -100);
      await sleep(50);
      await page.mouse.wheel(0, -100);
      await sleep(50);
      await page.mouse.wheel(0, 100);
      await sleep(50);
      await page.mouse.wheel(100, 0);
    }, ['event 8 1 0 0 0', 'event 8 2 0 0 0', 'event 8 1 0 0 0', 'event 14 1 0 0 0']);
    await step('keys', async () => {
      await page.keyboard.press('KeyA');
      await page.keyboard.down('Shift');
      await page.keyboard.press('KeyA');
      await page.keyboard.up('Shift');
      await page.keyboard.press('ArrowLeft');
      await page.keyboard.press('Enter');
    }, ['event 1 30 97 0 0', 'event 2 30 97 0 0', 'event 1 42 0 0 0', 'event 1 30 65 0 0',
      'event 2 30 65 0 0', 'event 2 42 0 0 0', 'event 1 75 0 0 0', 'event 2 75 0 0 0',
      'event 1 28 13 0 0', 'event 2 28 13 0 0']);
    await step('get-mouse inside', async () => {
      await page.mouse.down();
      await page.keyboard.press('KeyR');
      // The page asks get-mouse when it polls the key: release only after
      // that, or a slow pass sees the button already up.
      for (let i = 0; i < 250 && !lines.slice(seen).some((l) => l.startsWith('mouse ')); ++i)
        await sleep(20);
      await page.mouse.up();
    }, ['event 5 1 0 0 0', 'event 1 19 114 0 0', 'mouse 20 20 1 1 0', 'event 2 19 114 0 0', 'event 6 1 0 0 0']);
    await step('leave', () => page.mouse.move(box.x + box.width + 40, box.y + 10), ['event 10 20 20 0 0']);
    await step('get-mouse outside', () => page.keyboard.press('KeyR'),
      ['event 1 19 114 0 0', 'mouse -1 -1 -1 -1 -1', 'event 2 19 114 0 0']);
    await step('blur and focus', () => page.evaluate(() => {
      window.dispatchEvent(new FocusEvent('blur'));
      window.dispatchEvent(new FocusEvent('focus'));
    }), ['event 12 0 0 0 0', 'event 11 0 0 0 0']);
    await step('escape', () => page.keyboard.press('Escape'), ['event 1 1 27 0 0']);
    await page.waitForFunction(() => Module.zarvoExitStatus !== undefined, null, { timeout: 5000 }).catch(() => {});
    expect('exit status', await page.evaluate(() => Module.zarvoExitStatus), 3);
  } finally {
    await browser.close();
    server.close();
  }
  if (failures.length) {
    for (const f of failures) console.log(`FAIL: ${f}`);
    process.exit(1);
  }
  console.log('ok: pixels, title, mode, pointer, buttons, double click, wheels, keys, leave, get-mouse, focus, exit status');
}

main().catch((e) => {
  console.log(`FAIL: ${e && e.stack ? e.stack : e}`);
  process.exit(1);
});
