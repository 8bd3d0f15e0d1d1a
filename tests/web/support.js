// Shared by the browser tests: playwright-core and Debian's chromium (exit 77,
// skipped, without them), and a static server on 127.0.0.1 (a page must come
// over http for the browser to load its .wasm).
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');

function browserOrSkip() {
  let chromium;
  try {
    ({ chromium } = require('playwright-core'));
  } catch (e) {
    console.log('skipped: playwright-core is not installed (tools/run-web-tests.sh installs it)');
    process.exit(77);
  }
  const executablePath = process.env.CHROMIUM || '/usr/bin/chromium';
  if (!fs.existsSync(executablePath)) {
    console.log(`skipped: no browser at ${executablePath}`);
    process.exit(77);
  }
  return chromium.launch({ executablePath, headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage'] });
}

const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.data': 'application/octet-stream', '.png': 'image/png' };

// Serves dir at / and, when given, imagesDir at /images/. Resolves to the
// server; its address is http://127.0.0.1:PORT/.
function serve(dir, imagesDir) {
  const server = http.createServer((req, res) => {
    let rel = decodeURIComponent(new URL(req.url, 'http://x').pathname).slice(1) || 'index.html';
    let root = path.resolve(dir);
    if (imagesDir && rel.startsWith('images/')) {
      root = path.resolve(imagesDir);
      rel = rel.slice('images/'.length);
    }
    const file = path.resolve(root, rel);
    if (!file.startsWith(root + path.sep) || !fs.existsSync(file)) {
      res.writeHead(404);
      res.end();
      return;
    }
    res.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

module.exports = { browserOrSkip, serve, sleep };
