// Save as video, the worker's side: plays the race once more, off the clock,
// in a program of its own (the race's state lives in the program, and the
// page's program is busy playing on the canvas), encodes every frame it
// draws with the browser's VideoEncoder and puts them into an MP4 or WebM
// file with mediabunny.
//
// The page sends { files: [[path, bytes], ...] }, the data files and sheets
// now in its file system, and gets back { progress } (0 to 1) while the
// worker works, then one of
//   { done: true, bytes, type, extension, codec, frames, ms },
//   { unsupported: true } when the browser can encode none of the formats,
//   { failed: why }.
// Cancel ends the worker.
"use strict";

importScripts("gallop.js", "mediabunny.js");

// The race closes itself after this tick: the frames are those of ticks 1 to
// 700, each shown for one tick.
const lastTick = 700;
// The largest file made, and the bit rate asked of the encoder first
// (21 s × 1.3 Mbit/s ≈ 3.4 MB): above it the hardest frames gain little,
// and it leaves room for encoders that overshoot it (Firefox's by up to 7 %).
// Where a file still comes out too large, it is made again at a bit rate
// cut to fit.
const maxBytes = 4000000;
const firstBitrate = 1300000;
const tries = 3;

// The formats tried in turn, the first the browser can encode: MP4 with
// H.264 (High profile), then WebM with AV1, VP9 or VP8. H.264 comes in
// Annex B form, from which the muxer writes the decoder's record itself:
// some encoders describe their stream wrongly.
const formats = [
  { codec: "avc1.640028", track: "avc", container: "mp4", extra: { avc: { format: "annexb" } } },
  { codec: "av01.0.04M.08", track: "av1", container: "webm", extra: {} },
  { codec: "vp09.00.31.08", track: "vp9", container: "webm", extra: {} },
  { codec: "vp8", track: "vp8", container: "webm", extra: {} },
];

// The encoder's settings. The encoders are built for calls: Chromium's
// H.264 keeps up the quality of the race's hardest frames (the whole field
// and the course scrolling) only when told that the picture is drawn, not
// filmed ("detail": sharp edges, few colours), and the encoders may take
// their time ("quality"). One key frame, the first: every later one costs
// what the hard frames need.
function configOf(format, width, height, frameMs, bitrate) {
  return Object.assign({
    codec: format.codec,
    width,
    height,
    framerate: 1000 / frameMs,
    bitrate,
    bitrateMode: "variable",
    latencyMode: "quality",
    contentHint: "detail",
  }, format.extra);
}

async function pickFormat(width, height, frameMs) {
  if (typeof VideoEncoder !== "function") {
    return null;
  }
  for (const format of formats) {
    try {
      const config = configOf(format, width, height, frameMs, firstBitrate);
      if ((await VideoEncoder.isConfigSupported(config)).supported) {
        return format;
      }
    } catch (error) {
      // Not this one.
    }
  }
  return null;
}

// The frames go to the encoder as the video holds them, 4:2:0 Y'CbCr with
// BT.709's matrix in the studio range, converted here: the encoders' own
// conversion from RGB costs up to 3 dB (Firefox) and tags the range
// differently from browser to browser.
const videoColours = { matrix: "bt709", primaries: "bt709", transfer: "bt709", fullRange: false };

// The frame at `at` in `rgba` (red, green, blue, alpha) into `yuv`: the luma
// of every pixel, then each chroma plane from the mean of 2 × 2 pixels.
function toVideoColours(rgba, at, width, height, yuv) {
  for (let y = 0, out = 0, from = at; y < height; ++y) {
    for (let x = 0; x < width; ++x, from += 4) {
      yuv[out++] = 16.5 + (46.559 * rgba[from] + 156.629 * rgba[from + 1] +
        15.812 * rgba[from + 2]) / 255;
    }
  }
  const row = width * 4;
  const blue = width * height;
  const red = blue + blue / 4;
  for (let y = 0, out = 0; y < height / 2; ++y) {
    for (let x = 0; x < width / 2; ++x, ++out) {
      const p = at + y * 2 * row + x * 8;
      const r = rgba[p] + rgba[p + 4] + rgba[p + row] + rgba[p + row + 4];
      const g = rgba[p + 1] + rgba[p + 5] + rgba[p + row + 1] + rgba[p + row + 5];
      const b = rgba[p + 2] + rgba[p + 6] + rgba[p + row + 2] + rgba[p + row + 6];
      yuv[blue + out] = 128.5 + (-25.664 * r - 86.336 * g + 112 * b) / 1020;
      yuv[red + out] = 128.5 + (112 * r - 101.73 * g - 10.27 * b) / 1020;
    }
  }
}

// Plays the race from its start and encodes it; resolves to the file's
// bytes. `onTick` hears of each tick played.
async function encodeRace(program, format, config, onTick) {
  const width = config.width;
  const height = config.height;
  const frameUs = program._gallopFrameIntervalMs() * 1000;
  if (!program._gallopStart()) {
    throw new Error("The race cannot start on these data files.");
  }
  const output = new Mediabunny.Output({
    format: format.container === "mp4" ?
      new Mediabunny.Mp4OutputFormat({ fastStart: "in-memory" }) : new Mediabunny.WebMOutputFormat(),
    target: new Mediabunny.BufferTarget(),
  });
  const source = new Mediabunny.EncodedVideoPacketSource(format.track);
  output.addVideoTrack(source, { frameRate: 1000000 / frameUs });
  await output.start();

  let failure = null;
  let writing = Promise.resolve();
  // Wakes the loop below when it waits for the encoder, which may fail then.
  let wake = () => {};
  const encoder = new VideoEncoder({
    output(chunk, meta) {
      const packet = Mediabunny.EncodedPacket.fromEncodedChunk(chunk);
      writing = writing.then(() => source.add(packet, meta)).catch((error) => {
        failure = failure || error;
      });
    },
    error(error) {
      failure = failure || error;
      wake();
    },
  });
  encoder.configure(config);

  // A frame goes to the encoder once the next one is drawn: a tick that
  // draws nothing shows the frame before it one tick longer.
  const yuv = new Uint8Array((width * height * 3) / 2);
  let pending = null;
  let frames = 0;
  const send = () => {
    const frame = new VideoFrame(yuv, { format: "I420", codedWidth: width, codedHeight: height,
      timestamp: pending.timestamp, duration: pending.duration, colorSpace: videoColours });
    encoder.encode(frame, { keyFrame: frames === 0 });
    frame.close();
    frames += 1;
  };
  for (;;) {
    const result = program._gallopPass();
    if (result < 0 || failure !== null) {
      break;
    }
    const tick = program._gallopTick();
    if (result > 0) {
      if (pending !== null) {
        send();
      }
      toVideoColours(program.HEAPU8, program._gallopPixels(), width, height, yuv);
      pending = { timestamp: (tick - 1) * frameUs, duration: frameUs };
    } else if (pending !== null) {
      pending.duration += frameUs;
    }
    onTick(tick);
    // The encoder works beside this loop; it is not let fall far behind.
    while (encoder.encodeQueueSize > 2 && failure === null) {
      await new Promise((resolve) => {
        wake = resolve;
        encoder.addEventListener("dequeue", resolve, { once: true });
      });
    }
  }
  if (pending !== null && failure === null) {
    send();
  }
  await encoder.flush().catch((error) => {
    failure = failure || error;
  });
  await writing;
  if (encoder.state !== "closed") {
    encoder.close();
  }
  if (failure !== null) {
    throw failure;
  }
  await output.finalize();
  return { bytes: output.target.buffer, frames };
}

async function make(files) {
  const started = performance.now();
  const program = await createGallop({ showDataFileError() {} });
  program.FS.mkdir("deta");
  program.FS.mkdir("image");
  for (const [path, bytes] of files) {
    program.FS.writeFile(path, bytes);
  }
  const width = program._gallopWidth();
  const height = program._gallopHeight();
  const frameMs = program._gallopFrameIntervalMs();
  const format = await pickFormat(width, height, frameMs);
  if (format === null) {
    postMessage({ unsupported: true });
    return;
  }
  let bitrate = firstBitrate;
  for (let attempt = 1; ; ++attempt) {
    const config = configOf(format, width, height, frameMs, bitrate);
    let lastShown = 0;
    const made = await encodeRace(program, format, config, (tick) => {
      if (tick - lastShown >= 7 || tick >= lastTick) {
        lastShown = tick;
        postMessage({ progress: Math.min(1, tick / lastTick) });
      }
    });
    if (made.bytes.byteLength <= maxBytes || attempt === tries) {
      postMessage({ done: true, bytes: made.bytes, frames: made.frames, codec: format.codec,
        type: format.container === "mp4" ? "video/mp4" : "video/webm",
        extension: format.container, ms: Math.round(performance.now() - started) },
      [made.bytes]);
      return;
    }
    bitrate = Math.floor((bitrate * maxBytes * 0.9) / made.bytes.byteLength);
  }
}

self.onmessage = (event) => {
  make(event.data.files).catch((error) =>
    postMessage({ failed: String((error && error.message) || error) }));
};
