// Makes the Photoshop files the image view's Wine test opens, with ag-psd:
//   node make_view_files.js FOLDER
// small.psd: 300 x 200, one layer of blocks; big.psd: 4000 x 3000, a
// background of 64-pixel blocks and nine smaller layers above it; two.psd
// (the program test's): 320 x 240, two layers.
'use strict';
const fs = require('fs');
const path = require('path');
const agPsd = require('ag-psd');

agPsd.initializeCanvas(() => {
  throw new Error('no canvas in these tests');
}, (width, height) => ({ width, height, data: new Uint8ClampedArray(width * height * 4) }));

// Blocks of `block` pixels in colours that depend on the block and `seed`.
function blocks(width, height, block, seed) {
  const data = new Uint8ClampedArray(width * height * 4);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const bx = Math.floor(x / block), by = Math.floor(y / block);
      const i = (y * width + x) * 4;
      data[i] = (bx * 37 + by * 11 + seed * 50) & 255;
      data[i + 1] = (bx * 13 + by * 41 + seed * 30) & 255;
      data[i + 2] = (bx * 7 + by * 23 + seed * 70) & 255;
      data[i + 3] = 255;
    }
  }
  return { width, height, data };
}

function write(file, psd) {
  fs.writeFileSync(file, Buffer.from(agPsd.writePsdBuffer(psd, { noBackground: true })));
}

const out = process.argv[2];
write(path.join(out, 'small.psd'), {
  width: 300,
  height: 200,
  imageData: blocks(300, 200, 10, 0),
  children: [{ name: 'Blocks', left: 0, top: 0, right: 300, bottom: 200, imageData: blocks(300, 200, 10, 0) }],
});

const children = [{ name: 'Background', left: 0, top: 0, right: 4000, bottom: 3000, imageData: blocks(4000, 3000, 64, 0) }];
for (let n = 1; n <= 9; n++) {
  const left = n * 350, top = n * 250, width = 400, height = 300;
  children.push({
    name: 'Layer ' + n, left, top, right: left + width, bottom: top + height,
    opacity: n % 2 ? 1 : 0.5, imageData: blocks(width, height, 16, n),
  });
}
write(path.join(out, 'big.psd'), { width: 4000, height: 3000, imageData: blocks(4000, 3000, 64, 0), children });

// two.psd: 320 x 240, a full background and a half-opaque layer over part of it.
write(path.join(out, 'two.psd'), {
  width: 320,
  height: 240,
  imageData: blocks(320, 240, 20, 0),
  children: [
    { name: 'Ground', left: 0, top: 0, right: 320, bottom: 240, imageData: blocks(320, 240, 20, 0) },
    { name: 'Patch', left: 40, top: 30, right: 200, bottom: 150, opacity: 0.5, imageData: blocks(160, 120, 8, 3) },
  ],
});
