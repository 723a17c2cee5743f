// Swatches cut out of the sprite sheets the program has loaded: a coat from
// the horse sheet, silks from the uniform sheet and a bracket's jockey cell,
// each as a picture the page can show anywhere. The colour key is
// see-through, and each cell is cut down to what it draws.
"use strict";

const GallopSwatches = (function () {
  const horseSheet = 1;
  const uniformSheet = 2;
  // Cells of the sheets, as the view reads them for leftward travel.
  const coatCell = { width: 140, height: 100, columns: 6 };
  const silksCell = { width: 38, height: 20, perColumn: 25 };
  const bracketCell = { x: 840, width: 84, height: 60, count: 8 };

  // The size of one loaded sheet, or null when it is not loaded.
  function sheetSize(program, index) {
    const width = program._gallopSheetWidth(index);
    const height = program._gallopSheetHeight(index);
    return width > 0 && height > 0 ? { width, height } : null;
  }

  // The cell at x, y of sheet `index` cut down to its drawn pixels, as a data
  // URL; null when the cell lies outside the sheet or draws nothing. Only the
  // cell is read out of the program.
  function cut(program, index, x, y, width, height) {
    const at = program._gallopSheetCell(index, x, y, width, height);
    if (at === 0) {
      return null;
    }
    const pixels = new Uint8ClampedArray(program.HEAPU8.buffer, at, width * height * 4);
    let left = width;
    let right = -1;
    let top = height;
    let bottom = -1;
    for (let row = 0; row < height; ++row) {
      for (let column = 0; column < width; ++column) {
        if (pixels[(row * width + column) * 4 + 3] !== 0) {
          left = Math.min(left, column);
          right = Math.max(right, column);
          top = Math.min(top, row);
          bottom = Math.max(bottom, row);
        }
      }
    }
    if (right < 0) {
      return null;
    }
    const canvas = document.createElement("canvas");
    canvas.width = right - left + 1;
    canvas.height = bottom - top + 1;
    const cell = new ImageData(canvas.width, canvas.height);
    for (let row = 0; row < canvas.height; ++row) {
      const from = ((top + row) * width + left) * 4;
      cell.data.set(pixels.subarray(from, from + canvas.width * 4), row * canvas.width * 4);
    }
    canvas.getContext("2d").putImageData(cell, 0, 0);
    return { url: canvas.toDataURL("image/png"), width: canvas.width, height: canvas.height };
  }

  // The swatches of the sheets now loaded. Each swatch is cut once, on first
  // use, so that nothing is cut before it is shown.
  function fromProgram(program) {
    const horses = sheetSize(program, horseSheet);
    const uniforms = sheetSize(program, uniformSheet);
    const cache = new Map();
    const cached = (key, make) => {
      if (!cache.has(key)) {
        cache.set(key, make());
      }
      return cache.get(key);
    };
    const coatCount = horses === null ? 0 : Math.min(coatCell.columns,
      Math.floor(horses.width / coatCell.width));
    const silksCount = uniforms === null ? 0 :
      Math.floor(uniforms.width / silksCell.width) * silksCell.perColumn;
    return {
      coatCount,
      silksCount,
      coat: (coat) => (coat >= 0 && coat < coatCount ? cached("coat" + coat, () =>
        cut(program, horseSheet, coatCell.width * coat, 0, coatCell.width, coatCell.height)) :
        null),
      silks: (silks) => (silks >= 0 && silks < silksCount ? cached("silks" + silks, () =>
        cut(program, uniformSheet, silksCell.width * Math.floor(silks / silksCell.perColumn),
          silksCell.height * (silks % silksCell.perColumn), silksCell.width, silksCell.height)) :
        null),
      bracket: (bracket) => (bracket >= 1 && bracket <= bracketCell.count ? cached(
        "bracket" + bracket, () => cut(program, horseSheet, bracketCell.x,
          bracketCell.height * (bracket - 1), bracketCell.width, bracketCell.height)) : null),
    };
  }

  // A swatch as an <img>, or a plain mark when the sheet has no such cell.
  function image(swatch, label, scale) {
    if (swatch === null) {
      const missing = document.createElement("span");
      missing.className = "swatch missing";
      missing.textContent = "?";
      missing.title = label + " (not on the sheet)";
      return missing;
    }
    const img = document.createElement("img");
    img.className = "swatch";
    img.src = swatch.url;
    img.alt = "";
    img.width = Math.round(swatch.width * scale);
    img.height = Math.round(swatch.height * scale);
    return img;
  }

  return { fromProgram, image };
})();
