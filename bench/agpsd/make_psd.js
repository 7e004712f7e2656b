// Writes a layered Photoshop file with ag-psd for bench/vs-gimp: WIDTH x
// HEIGHT RGB, LAYERS full-size layers (photo-like noise in every other one,
// smooth gradients in the rest, Normal and Multiply in turn), each with a
// soft-edged elliptical layer mask, and the bottom layer as the merged
// image. RLE-compressed channels, as ag-psd writes them.
//   node make_psd.js OUT.psd [WIDTH HEIGHT LAYERS]   (4000 3000 10)
'use strict';
const fs = require('fs');
const path = require('path');
const agPsd = require(path.join(process.env.LUMORA_NODE_MODULES || '/opt/lumora/node/node_modules', 'ag-psd'));

agPsd.initializeCanvas(() => {
  throw new Error('no canvas');
}, (width, height) => ({ width, height, data: new Uint8ClampedArray(width * height * 4) }));

const [out, w = '4000', h = '3000', n = '10'] = process.argv.slice(2);
const width = Number(w), height = Number(h), layers = Number(n);

function hash(x) {
  x ^= x >>> 16;
  x = Math.imul(x, 0x7feb352d);
  x ^= x >>> 15;
  x = Math.imul(x, 0x846ca68b);
  return (x ^ (x >>> 16)) >>> 0;
}

function image(seed) {
  const data = new Uint8ClampedArray(width * height * 4);
  const noisy = seed % 2 === 0;
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const i = 4 * (y * width + x);
      for (let c = 0; c < 3; c++) {
        const base = ((x + (y >> 1) + seed * 37 + c * 50) / (noisy ? 16 : 24)) & 255;
        data[i + c] = noisy ? (base + (hash(y * 12007 + 3 * x + c + seed) & 7)) & 255 : base;
      }
      data[i + 3] = 255;
    }
  }
  return { width, height, data };
}

// Opaque inside an ellipse, fading to clear over a tenth of its radii.
function mask(seed) {
  const data = new Uint8ClampedArray(width * height * 4);
  const cx = width * (0.35 + 0.03 * seed), cy = height * (0.4 + 0.02 * seed);
  const rx = width * (0.45 - 0.01 * seed), ry = height * (0.5 - 0.015 * seed);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const d = Math.hypot((x - cx) / rx, (y - cy) / ry);
      const v = d <= 0.9 ? 255 : d >= 1 ? 0 : Math.round((1 - d) / 0.1 * 255);
      const i = 4 * (y * width + x);
      data[i] = data[i + 1] = data[i + 2] = v;
      data[i + 3] = 255;
    }
  }
  return { width, height, data };
}

const children = [];
for (let i = 0; i < layers; i++) {
  children.push({
    name: `Layer ${i + 1}`,
    top: 0, left: 0, bottom: height, right: width,
    blendMode: i % 2 === 0 ? 'normal' : 'multiply',
    imageData: image(i),
    mask: { top: 0, left: 0, bottom: height, right: width, defaultColor: 0, imageData: mask(i) },
  });
}
const psd = { width, height, children, imageData: children[0].imageData };
fs.writeFileSync(out, agPsd.writePsdUint8Array(psd, { generateThumbnail: false }));
