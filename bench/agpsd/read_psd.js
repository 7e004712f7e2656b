// Reads a Photoshop file with ag-psd READS times in this process (default
// 1), layers, masks and the merged image into image data, as a program
// reading the whole document would, and prints one line per read: the wall
// time in milliseconds from the file's bytes to the parsed document.
//   node read_psd.js FILE [READS]
'use strict';
const fs = require('fs');
const path = require('path');
const agPsd = require(path.join(process.env.LUMORA_NODE_MODULES || '/opt/lumora/node/node_modules', 'ag-psd'));

// Pixels only: image data without a canvas.
agPsd.initializeCanvas(() => {
  throw new Error('no canvas');
}, (width, height) => ({ width, height, data: new Uint8ClampedArray(width * height * 4) }));

const file = process.argv[2];
const reads = Math.max(1, Number(process.argv[3] || 1));
for (let i = 1; i <= reads; i++) {
  const start = process.hrtime.bigint();
  const psd = agPsd.readPsd(fs.readFileSync(file), { useImageData: true });
  const ms = Number(process.hrtime.bigint() - start) / 1e6;
  console.log(`read ${i} ms ${ms.toFixed(1)} layers ${(psd.children || []).length}`);
}
