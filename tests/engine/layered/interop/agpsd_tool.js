// Makes and reads Photoshop files with the ag-psd package for the
// interoperability tests:
//   node agpsd_tool.js make OUT.psd       a document of known layers (see
//                                         layered_interop_test.cpp)
//   node agpsd_tool.js dump IN.psd PREFIX what ag-psd reads: PREFIX.txt and
//                                         PREFIX.<n>.rgba / PREFIX.composite.rgba
'use strict';
const fs = require('fs');
const agPsd = require('ag-psd');

// Pixels only, no drawing: image data without a canvas.
agPsd.initializeCanvas(() => {
  throw new Error('no canvas in these tests');
}, (width, height) => ({ width, height, data: new Uint8ClampedArray(width * height * 4) }));

// The pixel of layer L at (x, y) of its own rect: the C++ side computes it alike.
function pixel(L, x, y) {
  return [(x * 7 + y * 3 + L * 40) & 255, (x * 2 + y * 9 + L * 13) & 255, (x * x + y + L * 5) & 255,
          L === 1 ? ((x + y) % 4 === 0 ? 0 : (x * 8 + 100) & 255) : 255];
}

function layerImage(L, width, height) {
  const data = new Uint8ClampedArray(width * height * 4);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) data.set(pixel(L, x, y), (y * width + x) * 4);
  }
  return { width, height, data };
}

function maskImage(width, height) {
  const data = new Uint8ClampedArray(width * height * 4);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const m = (x * 11 + y * 17) & 255;
      data.set([m, m, m, 255], (y * width + x) * 4);
    }
  }
  return { width, height, data };
}

function make(out) {
  const psd = {
    width: 40,
    height: 30,
    imageResources: {
      resolutionInfo: {
        horizontalResolution: 150, horizontalResolutionUnit: 'PPI', widthUnit: 'Inches',
        verticalResolution: 72, verticalResolutionUnit: 'PPI', heightUnit: 'Inches',
      },
      gridAndGuidesInformation: {
        guides: [{ location: 10, direction: 'vertical' }, { location: 5.5, direction: 'horizontal' }],
      },
    },
    imageData: layerImage(0, 40, 30),
    children: [
      { name: 'Bottom', left: 0, top: 0, right: 40, bottom: 30, imageData: layerImage(0, 40, 30) },
      {
        name: 'Caf\u00e9 \u2713', left: 5, top: 7, right: 25, bottom: 19, opacity: 0.5, blendMode: 'multiply',
        imageData: layerImage(1, 20, 12),
        mask: { left: 8, top: 9, right: 20, bottom: 15, defaultColor: 0, imageData: maskImage(12, 6) },
      },
      {
        name: 'Clipped', left: 10, top: 2, right: 30, bottom: 12, clipping: true, hidden: true,
        blendMode: 'screen', imageData: layerImage(2, 20, 10),
      },
    ],
  };
  fs.writeFileSync(out, Buffer.from(agPsd.writePsdBuffer(psd, { noBackground: true })));
}

function flatten(children, out) {
  for (const child of children || []) {
    if (child.children) flatten(child.children, out);
    else out.push(child);
  }
  return out;
}

function dump(input, prefix) {
  const psd = agPsd.readPsd(fs.readFileSync(input), { useImageData: true, skipThumbnail: true });
  const lines = [`size ${psd.width} ${psd.height}`];
  const res = psd.imageResources && psd.imageResources.resolutionInfo;
  if (res) lines.push(`resolution ${res.horizontalResolution} ${res.verticalResolution}`);
  const grid = psd.imageResources && psd.imageResources.gridAndGuidesInformation;
  for (const g of (grid && grid.guides) || []) lines.push(`guide ${g.location * 32} ${g.direction}`);
  flatten(psd.children, []).forEach((layer, i) => {
    const name = Buffer.from(layer.name || '', 'utf8').toString('hex') || '-';
    const opacity = Math.round((layer.opacity === undefined ? 1 : layer.opacity) * 255);
    lines.push(`layer ${i} ${layer.left} ${layer.top} ${layer.right} ${layer.bottom} ${opacity} ` +
               `${(layer.blendMode || 'normal').replace(' ', '_')} ${layer.hidden ? 1 : 0} ${layer.clipping ? 1 : 0} ${name}`);
    if (layer.imageData) fs.writeFileSync(`${prefix}.${i}.rgba`, Buffer.from(layer.imageData.data.buffer));
  });
  if (psd.imageData) fs.writeFileSync(`${prefix}.composite.rgba`, Buffer.from(psd.imageData.data.buffer));
  fs.writeFileSync(`${prefix}.txt`, lines.join('\n') + '\n');
}

const [command, a, b] = process.argv.slice(2);
if (command === 'make') make(a);
else if (command === 'dump') dump(a, b);
else {
  console.error('usage: agpsd_tool.js make OUT | dump IN PREFIX');
  process.exit(2);
}
