// Makes the Photoshop file the Image menu's Wine test opens, with ag-psd:
//   node make_image_files.js FOLDER
// three.psd: 60 x 40, three visible layers: "Back" over the whole image,
// "Middle" (10, 6)-(40, 30) with a transparency that is 0 where
// (x + y) % 4 == 0, "Top" (30, 20)-(56, 38); every pixel differs from its
// neighbours so turned and mirrored layers are told apart.
'use strict';
const fs = require('fs');
const path = require('path');
const agPsd = require('ag-psd');

agPsd.initializeCanvas(() => {
  throw new Error('no canvas in these tests');
}, (width, height) => ({ width, height, data: new Uint8ClampedArray(width * height * 4) }));

function layer(L, width, height, holes) {
  const data = new Uint8ClampedArray(width * height * 4);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const alpha = holes ? ((x + y) % 4 === 0 ? 0 : 90 + ((x * 5 + y * 3) & 127)) : 255;
      data.set([(x * 9 + y * 4 + L * 60) & 255, (x * 3 + y * 11 + L * 25) & 255, (x * x + y * 7 + L * 90) & 255, alpha],
               (y * width + x) * 4);
    }
  }
  return { width, height, data };
}

const out = process.argv[2];
fs.mkdirSync(out, { recursive: true });
const psd = {
  width: 60,
  height: 40,
  imageData: layer(0, 60, 40, false),
  children: [
    { name: 'Back', left: 0, top: 0, right: 60, bottom: 40, imageData: layer(0, 60, 40, false) },
    { name: 'Middle', left: 10, top: 6, right: 40, bottom: 30, imageData: layer(1, 30, 24, true) },
    { name: 'Top', left: 30, top: 20, right: 56, bottom: 38, imageData: layer(2, 26, 18, false) },
  ],
};
fs.writeFileSync(path.join(out, 'three.psd'), Buffer.from(agPsd.writePsdBuffer(psd, { noBackground: true })));
