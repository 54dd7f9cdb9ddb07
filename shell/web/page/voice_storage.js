// The user's own recordings (the program's voice folder, in its memory) kept in the site's
// storage, IndexedDB, through Emscripten's IDBFS: read back before the program starts, and
// written after every change, so that they survive a reload, offline too. When the first
// recording is kept, the browser is asked to keep the site's storage even when space runs low.

// The program's voice folder (WebPlatform::kVoiceFolder).
const FOLDER = '/voice';

let module = null;
let loaded = null;
let ready = false;  // the folder holds what the storage held: only then is it written back
let lastSeen = '';
let saving = Promise.resolve();
let saveAgain = false;
let persistAsked = false;

function syncfs(populate) {
  return new Promise((resolve, reject) => {
    module.FS.syncfs(populate, (error) => (error ? reject(error) : resolve()));
  });
}

// What the folder holds: each file's path, size and time, one a line.
function seen() {
  const lines = [];
  const walk = (folder) => {
    for (const name of module.FS.readdir(folder)) {
      if (name === '.' || name === '..') continue;
      const path = `${folder}/${name}`;
      const stat = module.FS.stat(path);
      if (module.FS.isDir(stat.mode)) walk(path);
      else lines.push(`${path} ${stat.size} ${stat.mtime.getTime()}`);
    }
  };
  walk(FOLDER);
  return lines.join('\n');
}

// Mounts the voice folder in the program's module and fills it from the site's storage, once
// for each module loaded. A storage that cannot be read (a private window that refuses
// IndexedDB) leaves it empty: the program's own voice plays, and recordings last until the page
// is closed.
export function loadVoiceFolder(program) {
  if (program === module) return loaded;
  module = program;
  ready = false;
  module.FS.mkdirTree(FOLDER);
  module.FS.mount(module.FS.filesystems.IDBFS, {}, FOLDER);
  // Written back only once read whole: what the storage holds is never lost to a half-read.
  loaded = syncfs(true).then(() => {
    if (module !== program) return;
    lastSeen = seen();
    ready = true;
  }, (error) => console.warn('wordmeadow: voice folder not read:', error));
  return loaded;
}

// Called after every call into the program: a change of the folder is written to the storage,
// one writing at a time.
export function noteVoiceFolder() {
  if (!ready) return;
  const now = seen();
  if (now === lastSeen) return;
  lastSeen = now;
  // Hidden files are the recorder's takes, not yet kept.
  if (!persistAsked && now.split('\n').some((line) => line && !/\/\./.test(line))) {
    persistAsked = true;
    navigator.storage?.persist?.().catch(() => {});
  }
  if (saveAgain) return;
  saveAgain = true;
  const changed = module;
  saving = saving.then(() => {
    saveAgain = false;
    // A module loaded anew meanwhile (the last one failed) may not hold the folder yet: what it
    // holds is never written over what the storage keeps.
    return module === changed && ready ? syncfs(false) : undefined;
  }).catch((error) => console.warn('wordmeadow: voice folder not kept:', error));
}
