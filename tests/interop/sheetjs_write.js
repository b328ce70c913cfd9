// Writes a compound file with SheetJS cfb from a folder tree: node sheetjs_write.js TREE MANIFEST OUT
const fs = require("fs");
const path = require("path");
const CFB = require(path.join(process.cwd(), "node_modules", "cfb"));

const [tree, manifest, out] = process.argv.slice(2);
const cfb = CFB.utils.cfb_new();
for (const rel of JSON.parse(fs.readFileSync(manifest, "utf8"))) {
  CFB.utils.cfb_add(cfb, "/" + rel, fs.readFileSync(path.join(tree, rel)));
}
// cfb_new adds a placeholder stream of its own; drop it so the tree is only ours.
CFB.utils.cfb_del(cfb, "/\u0001Sh33tJ5");
fs.writeFileSync(out, CFB.write(cfb, { type: "buffer" }));
