// Makes the Photoshop files of the area tools' and image modes' tests with
// ag-psd:
//   node area_files.js FOLDER
// disc.psd: 120 x 90, "Ground" (white with a red square at 5..24, 5..24)
// and "Disc", a whole-image layer of pure green whose transparency shows
// only a disc of radius 30 round (60, 45) (a pixel is inside when
// (x - 60)^2 + (y - 45)^2 <= 900, rows from the top); its hidden pixels
// are green too.
// four.psd: 64 x 48, "Ground" (opaque blocks), "Middle" (a patch), "Hidden"
// (hidden) and "Top" (a patch over Hidden's), each of its own colours.
'use strict';
const fs = require('fs');
const path = require('path');
const agPsd = require('ag-psd');

agPsd.initializeCanvas(() => {
  throw new Error('no canvas in these tests');
}, (width, height) => ({ width, height, data: new Uint8ClampedArray(width * height * 4) }));

function image(width, height, colour) {
  const data = new Uint8ClampedArray(width * height * 4);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) data.set(colour(x, y), (y * width + x) * 4);
  }
  return { width, height, data };
}

function write(file, width, height, children) {
  const psd = { width, height, imageData: image(width, height, () => [255, 255, 255, 255]), children };
  fs.writeFileSync(file, Buffer.from(agPsd.writePsdBuffer(psd, { noBackground: true })));
}

const out = process.argv[2];
fs.mkdirSync(out, { recursive: true });

const inDisc = (x, y) => (x - 60) * (x - 60) + (y - 45) * (y - 45) <= 900;
write(path.join(out, 'disc.psd'), 120, 90, [
  { name: 'Ground', left: 0, top: 0, right: 120, bottom: 90,
    imageData: image(120, 90, (x, y) => (x >= 5 && x < 25 && y >= 5 && y < 25 ? [255, 0, 0, 255] : [255, 255, 255, 255])) },
  { name: 'Disc', left: 0, top: 0, right: 120, bottom: 90,
    imageData: image(120, 90, (x, y) => [0, 200, 0, inDisc(x, y) ? 255 : 0]) },
]);

const blocks = (seed) => (x, y) => [(x * 3 + seed * 50) & 255, (y * 5 + seed * 30) & 255, (x + y + seed * 70) & 255, 255];
write(path.join(out, 'four.psd'), 64, 48, [
  { name: 'Ground', left: 0, top: 0, right: 64, bottom: 48, imageData: image(64, 48, blocks(0)) },
  { name: 'Middle', left: 4, top: 4, right: 28, bottom: 20, imageData: image(24, 16, blocks(1)) },
  { name: 'Hidden', left: 20, top: 16, right: 60, bottom: 44, hidden: true, imageData: image(40, 28, blocks(2)) },
  { name: 'Top', left: 30, top: 20, right: 50, bottom: 40, imageData: image(20, 20, blocks(3)) },
]);
