// Makes and reads Photoshop files with the ag-psd package for the
// interoperability tests:
//   node agpsd_tool.js make OUT.psd       a document of known layers (see
//                                         layered_interop_test.cpp)
//   node agpsd_tool.js make-keep OUT.psd  layers whose attributes the program
//                                         has no place for: Unicode names,
//                                         an empty layer, lock bits, blend
//                                         keys outside its modes, Dissolve
//   node agpsd_tool.js make-wide OUT.psd  a 30000 x 2 image with one layer
//                                         30000 x 1, the largest there is
//   node agpsd_tool.js make-mixed OUT.psd a transparent merged image over a
//                                         Unicode name, two layers of one
//                                         name, opacities 2, 127 and 254 and
//                                         a hidden layer
//   node agpsd_tool.js make-opacities OUT.psd
//                                         256 one-pixel layers, layer i of
//                                         opacity i
//   node agpsd_tool.js make-pair DIR [K]  two documents, DIR/first.psd of
//                                         300K x 220K and DIR/second.psd of
//                                         260K x 330K (K = 1 by default)
//   node agpsd_tool.js make-zip OUT.psd   layers with ZIP-compressed pixels
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

function makeKeep(out) {
  const psd = {
    width: 40,
    height: 30,
    imageData: layerImage(0, 40, 30),
    children: [
      // Opaque and first: written without a transparency channel.
      { name: 'Bottom', left: 0, top: 0, right: 40, bottom: 30, imageData: layerImage(0, 40, 30) },
      {
        name: '\u65e5\u672c\u8a9e \u{1F600}', left: 2, top: 3, right: 12, bottom: 9, imageData: layerImage(1, 10, 6),
        protected: { transparency: true, composite: true, position: true },
      },
      {
        name: 'Caf\u00e9 \u2713', left: 20, top: 4, right: 36, bottom: 20, blendMode: 'divide',
        imageData: layerImage(1, 16, 16), protected: { composite: true },
      },
      { name: 'Empty', left: 0, top: 0, right: 0, bottom: 0 },
      { name: 'Burn', left: 5, top: 10, right: 25, bottom: 28, blendMode: 'linear burn', imageData: layerImage(2, 20, 18) },
      {
        name: 'Dissolve', left: 1, top: 1, right: 39, bottom: 29, blendMode: 'dissolve', opacity: 0.6,
        imageData: layerImage(3, 38, 28),
      },
    ],
  };
  fs.writeFileSync(out, Buffer.from(agPsd.writePsdBuffer(psd)));
}

function makeWide(out) {
  const psd = {
    width: 30000,
    height: 2,
    imageData: layerImage(0, 30000, 2),
    children: [{ name: 'Wide', left: 0, top: 1, right: 30000, bottom: 2, imageData: layerImage(1, 30000, 1) }],
  };
  fs.writeFileSync(out, Buffer.from(agPsd.writePsdBuffer(psd, { noBackground: true })));
}

// A pixel of the mixed document's layer L: colours of its own, and a
// transparency that is whole, none or partial across the layer.
function mixedPixel(L, x, y) {
  const a = (x + 2 * y + L) % 7 === 0 ? 0 : (x * 3 + y) % 5 === 0 ? 255 : (40 + x * 9 + y * 5 + L * 17) & 255;
  return [(x * 5 + L * 60) & 255, (y * 7 + L * 30) & 255, (x * y + L * 90) & 255, a];
}

function mixedImage(L, width, height) {
  const data = new Uint8ClampedArray(width * height * 4);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) data.set(mixedPixel(L, x, y), (y * width + x) * 4);
  }
  return { width, height, data };
}

function makeMixed(out) {
  const layer = (L, name, left, top, width, height, more) =>
    Object.assign({ name, left, top, right: left + width, bottom: top + height, imageData: mixedImage(L, width, height) }, more);
  const psd = {
    width: 48,
    height: 32,
    imageData: mixedImage(0, 48, 32),
    children: [
      layer(0, 'Background', 0, 0, 48, 32),
      layer(1, '\u65e5\u672c \u2713', 3, 2, 20, 14, { opacity: 254 / 255 }),
      layer(2, 'Twin', 12, 9, 30, 16, { opacity: 2 / 255, blendMode: 'multiply' }),
      layer(3, 'Twin', 20, 4, 18, 24, { opacity: 127 / 255 }),
      layer(4, 'Hidden', 5, 18, 25, 10, { hidden: true }),
    ],
  };
  fs.writeFileSync(out, Buffer.from(agPsd.writePsdBuffer(psd, { noBackground: true })));
}

function makeOpacities(out) {
  const children = [];
  for (let i = 0; i < 256; i++) {
    const x = i % 16, y = Math.floor(i / 16);
    const one = { width: 1, height: 1, data: new Uint8ClampedArray([200, (i * 3) & 255, 40, 255]) };
    children.push({ name: `o${i}`, left: x, top: y, right: x + 1, bottom: y + 1, opacity: i / 255, imageData: one });
  }
  const psd = { width: 16, height: 16, imageData: layerImage(0, 16, 16), children };
  fs.writeFileSync(out, Buffer.from(agPsd.writePsdBuffer(psd, { noBackground: true })));
}

function makePair(dir, scale) {
  const doc = (width, height, L) => ({
    width,
    height,
    imageData: layerImage(L, width, height),
    children: [
      { name: 'Background', left: 0, top: 0, right: width, bottom: height, imageData: layerImage(L, width, height) },
      { name: 'Paint', left: 20, top: 15, right: width - 30, bottom: height - 25, opacity: 0.75,
        imageData: layerImage(L + 1, width - 50, height - 40) },
    ],
  });
  const k = Number(scale || 1);
  fs.writeFileSync(`${dir}/first.psd`, Buffer.from(agPsd.writePsdBuffer(doc(300 * k, 220 * k, 2), { noBackground: true })));
  fs.writeFileSync(`${dir}/second.psd`, Buffer.from(agPsd.writePsdBuffer(doc(260 * k, 330 * k, 5), { noBackground: true })));
}

function makeZip(out) {
  const psd = {
    width: 20,
    height: 10,
    imageData: layerImage(0, 20, 10),
    children: [{ name: 'Zipped', left: 0, top: 0, right: 20, bottom: 10, imageData: layerImage(1, 20, 10) }],
  };
  fs.writeFileSync(out, Buffer.from(agPsd.writePsdBuffer(psd, { compress: true, noBackground: true })));
}

function lockBits(layer) {
  const p = layer.protected || {};
  return (p.transparency ? 1 : 0) | (p.composite ? 2 : 0) | (p.position ? 4 : 0);
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
  const lines = [`size ${psd.width} ${psd.height}`, `channels ${psd.channels}`];
  const res = psd.imageResources && psd.imageResources.resolutionInfo;
  if (res) lines.push(`resolution ${res.horizontalResolution} ${res.verticalResolution}`);
  const grid = psd.imageResources && psd.imageResources.gridAndGuidesInformation;
  for (const g of (grid && grid.guides) || []) lines.push(`guide ${g.location * 32} ${g.direction}`);
  flatten(psd.children, []).forEach((layer, i) => {
    const name = Buffer.from(layer.name || '', 'utf8').toString('hex') || '-';
    const opacity = Math.round((layer.opacity === undefined ? 1 : layer.opacity) * 255);
    lines.push(`layer ${i} ${layer.left} ${layer.top} ${layer.right} ${layer.bottom} ${opacity} ` +
               `${(layer.blendMode || 'normal').replace(' ', '_')} ${layer.hidden ? 1 : 0} ${layer.clipping ? 1 : 0} ${name} ` +
               `${layer.transparencyProtected ? 1 : 0} ${lockBits(layer)} ${layer.mask ? 1 : 0}`);
    if (layer.imageData) fs.writeFileSync(`${prefix}.${i}.rgba`, Buffer.from(layer.imageData.data.buffer));
  });
  const mask = psd.globalLayerMaskInfo;
  if (mask) {
    lines.push(`globalmask ${mask.overlayColorSpace} ${mask.colorSpace1} ${mask.colorSpace2} ${mask.colorSpace3} ` +
               `${Math.round(mask.opacity * 0xff)} ${mask.kind}`);
  }
  if (psd.imageData) fs.writeFileSync(`${prefix}.composite.rgba`, Buffer.from(psd.imageData.data.buffer));
  fs.writeFileSync(`${prefix}.txt`, lines.join('\n') + '\n');
}

const [command, a, b] = process.argv.slice(2);
if (command === 'make') make(a);
else if (command === 'make-keep') makeKeep(a);
else if (command === 'make-wide') makeWide(a);
else if (command === 'make-mixed') makeMixed(a);
else if (command === 'make-opacities') makeOpacities(a);
else if (command === 'make-pair') makePair(a, b);
else if (command === 'make-zip') makeZip(a);
else if (command === 'dump') dump(a, b);
else {
  console.error('usage: agpsd_tool.js make|make-keep|make-wide|make-mixed|make-opacities|make-zip OUT | make-pair DIR | dump IN PREFIX');
  process.exit(2);
}
