// Makes the Photoshop files of the layer commands' tests with ag-psd:
//   node layer_files.js FOLDER
// three.psd: 64 x 48, a ground of blocks, "Mid" (with a mask) and "Top"
// (screen) clipped to it; modes.psd: the same three and "Over" (multiply,
// 60 % opacity, its own transparency and a mask) on top. Mid's mask is
// opaque wherever Top lies and Mid is a normal layer, so the clipping shows
// the same in programs that ignore clipping groups. palette.psd: ten layers
// "L0" (bottom) .. "L9", L2 and L7 with masks, L5 clipped to L4, L8 hidden.
// names.psd: five layers named in ASCII, Latin-1, Greek, Japanese and a mix
// of them (bottom first), the Greek one with a mask.
'use strict';
const fs = require('fs');
const path = require('path');
const agPsd = require('ag-psd');

agPsd.initializeCanvas(() => {
  throw new Error('no canvas in these tests');
}, (width, height) => ({ width, height, data: new Uint8ClampedArray(width * height * 4) }));

function blocks(width, height, block, seed, alpha) {
  const data = new Uint8ClampedArray(width * height * 4);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const bx = Math.floor(x / block), by = Math.floor(y / block);
      const i = (y * width + x) * 4;
      data[i] = (bx * 37 + by * 11 + seed * 50) & 255;
      data[i + 1] = (bx * 13 + by * 41 + seed * 30) & 255;
      data[i + 2] = (bx * 7 + by * 23 + seed * 70) & 255;
      data[i + 3] = alpha ? alpha(x, y) : 255;
    }
  }
  return { width, height, data };
}

function mask(width, height, value) {
  const data = new Uint8ClampedArray(width * height * 4);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const m = value(x, y);
      data.set([m, m, m, 255], (y * width + x) * 4);
    }
  }
  return { width, height, data };
}

const W = 64, H = 48;
const ground = { name: 'Ground', left: 0, top: 0, right: W, bottom: H, imageData: blocks(W, H, 8, 0) };
const mid = {
  name: 'Mid', left: 8, top: 6, right: 40, bottom: 30, imageData: blocks(32, 24, 4, 1),
  mask: {
    left: 8, top: 6, right: 40, bottom: 30, defaultColor: 0,
    imageData: mask(32, 24, (x, y) => (x >= 4 && x < 28 && y >= 4 && y < 20 ? 255 : (x * 8) & 255)),
  },
};
const top = {
  name: 'Top', left: 12, top: 10, right: 36, bottom: 26, blendMode: 'screen', clipping: true,
  imageData: blocks(24, 16, 3, 2),
};
const over = {
  name: 'Over', left: 30, top: 20, right: 60, bottom: 44, opacity: 0.6, blendMode: 'multiply',
  imageData: blocks(30, 24, 5, 3, (x, y) => ((x + y) % 5 ? 255 : 120)),
  mask: { left: 30, top: 20, right: 60, bottom: 44, defaultColor: 0, imageData: mask(30, 24, (x, y) => 255 - y * 10) },
};

function write(file, children) {
  const psd = { width: W, height: H, imageData: blocks(W, H, 8, 0), children };
  fs.writeFileSync(file, Buffer.from(agPsd.writePsdBuffer(psd, { noBackground: true })));
}

const out = process.argv[2];
fs.mkdirSync(out, { recursive: true });
write(path.join(out, 'three.psd'), [ground, mid, top]);
write(path.join(out, 'modes.psd'), [ground, mid, top, over]);

const ten = [];
for (let i = 0; i < 10; i++) {
  const left = (i * 5) % 34, top = (i * 3) % 22;
  const layer = { name: `L${i}`, left, top, right: left + 30, bottom: top + 26,
                  imageData: blocks(30, 26, 3 + (i % 4), i + 4, (x, y) => ((x + y + i) % 7 ? 255 : 60)) };
  if (i === 0) Object.assign(layer, { left: 0, top: 0, right: W, bottom: H, imageData: blocks(W, H, 8, 9) });
  if (i === 2 || i === 7) {
    layer.mask = { left: layer.left, top: layer.top, right: layer.right, bottom: layer.bottom, defaultColor: 0,
                   imageData: mask(layer.right - layer.left, layer.bottom - layer.top, (x, y) => (x * 9 + y * 5) & 255) };
  }
  if (i === 5) layer.clipping = true;
  if (i === 8) layer.hidden = true;
  ten.push(layer);
}
write(path.join(out, 'palette.psd'), ten);

const names = ['Background paper', 'Crème brûlée à la façade', 'Ελληνικό όνομα στρώσης', '日本語のレイヤーの名前',
               'opacity 1% – ünïcödé 日本'];
write(path.join(out, 'names.psd'), names.map((name, i) => {
  const layer = { name, left: 0, top: 0, right: W, bottom: H, imageData: blocks(W, H, 4 + i, 20 + i) };
  if (i === 2) layer.mask = { left: 0, top: 0, right: W, bottom: H, defaultColor: 0, imageData: mask(W, H, (x) => x * 4) };
  return layer;
}));
