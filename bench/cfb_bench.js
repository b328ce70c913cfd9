// cfb_bench: the benchmark scenarios done with SheetJS cfb (npm "cfb").
// Same subcommands, documents and output line as vellora_bench:
//   seconds=<wall time of the work> bytes=<payload bytes moved>
// The module is found through CFB_MODULE (a folder holding node_modules/cfb),
// which bench/run.py fills with `npm install cfb` in its scratch folder.
'use strict';

const fs = require('fs');
const path = require('path');

const moduleDir = process.env.CFB_MODULE;
if (!moduleDir) {
  console.error('cfb_bench: set CFB_MODULE to a folder where `npm install cfb` ran');
  process.exit(2);
}
const CFB = require(path.join(moduleDir, 'node_modules', 'cfb'));

const STORAGES = 100;
const STREAMS_PER_STORAGE = 100;
const SMALL_STREAM = 4096;

const pad3 = (n) => String(n).padStart(3, '0');

function streams(doc) {
  return doc.FileIndex.filter((entry) => entry.type === 2);
}

function dataStream(doc) {
  const entry = CFB.find(doc, 'data');
  if (!entry) throw new Error('no stream "data"');
  return entry;
}

const commands = {
  // Without `unsafe`, every add re-sorts the whole tree: 10,000 adds take minutes.
  // With it the tree is put in order once, by writeFile.
  write: [1, (file) => {
    const doc = CFB.utils.cfb_new();
    for (let s = 0; s < STORAGES; ++s) {
      for (let t = 0; t < STREAMS_PER_STORAGE; ++t) {
        const block = Buffer.alloc(SMALL_STREAM, (s * STREAMS_PER_STORAGE + t) & 0xff);
        CFB.utils.cfb_add(doc, `/S${pad3(s)}/T${pad3(t)}`, block, { unsafe: true });
      }
    }
    CFB.writeFile(doc, file);
    return STORAGES * STREAMS_PER_STORAGE * SMALL_STREAM;
  }],
  // CFB.read loads every stream's bytes, so reading them is done once it returns.
  read: [1, (file) => {
    const doc = CFB.read(file, { type: 'file' });
    return streams(doc).reduce((sum, entry) => sum + entry.content.length, 0);
  }],
  import: [2, (from, file) => {
    const doc = CFB.utils.cfb_new();
    CFB.utils.cfb_add(doc, '/data', fs.readFileSync(from));
    CFB.writeFile(doc, file);
    return fs.statSync(from).size;
  }],
  readbig: [1, (file) => {
    const doc = CFB.read(file, { type: 'file' });
    return dataStream(doc).content.length;
  }],
  export: [2, (file, to) => {
    const doc = CFB.read(file, { type: 'file' });
    const content = dataStream(doc).content;
    fs.writeFileSync(to, content);
    return content.length;
  }],
  onebyte: [1, (file) => {
    const doc = CFB.read(file, { type: 'file' });
    const entry = CFB.find(doc, 'S1');
    if (!entry) throw new Error('no stream "S1"');
    const at = Math.floor(entry.content.length / 2);
    entry.content[at] = ~entry.content[at] & 0xff;
    CFB.writeFile(doc, file);
    return 1;
  }],
  open: [1, (file) => {
    const doc = CFB.read(file, { type: 'file' });
    return streams(doc).reduce((sum, entry) => sum + entry.size, 0);
  }],
};

const [name, ...paths] = process.argv.slice(2);
const command = commands[name];
if (!command || paths.length !== command[0]) {
  console.error(`usage: node cfb_bench.js ${Object.keys(commands).join('|')} PATHS...`);
  process.exit(2);
}
const start = process.hrtime.bigint();
const bytes = command[1](...paths);
const seconds = Number(process.hrtime.bigint() - start) / 1e9;
console.log(`seconds=${seconds.toFixed(6)} bytes=${bytes}`);
