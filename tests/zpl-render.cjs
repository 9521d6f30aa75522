// Renders every label of a ZPL stream with zpl-renderer-js (a WebAssembly build of an
// independent ZPL renderer, offline): node zpl-render.cjs STREAM WIDTH_MM HEIGHT_MM DPMM PREFIX
// writes PREFIX0001.png, PREFIX0002.png, ... and prints how many.
const { ready } = require("zpl-renderer-js");
const fs = require("node:fs");

(async () => {
  const [stream, width, height, dpmm, prefix] = process.argv.slice(2);
  const { api } = await ready;
  const labels = await api.zplToBase64MultipleAsync(
    fs.readFileSync(stream, "latin1"), Number(width), Number(height), Number(dpmm));
  labels.forEach((png, i) =>
    fs.writeFileSync(`${prefix}${String(i + 1).padStart(4, "0")}.png`, Buffer.from(png, "base64")));
  console.log(labels.length);
})().catch((error) => {
  console.error(String(error));
  process.exit(1);
});
