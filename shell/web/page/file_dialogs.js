// Files for the recorder's voice files (shell/web/web_file_dialogs.*): a file the program wrote
// is offered as a download; a file to open is chosen with a file input, and its bytes handed
// to the program.

// Set by connectFileDialogs().
let hand = () => {};
let cancel = () => {};
let choosing = null;

// hand(file) gives the program the chosen File, cancel() says that none was chosen.
export function connectFileDialogs(hooks) {
  ({ hand, cancel } = hooks);
}

export function offerDownload(name, bytes) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/zip' }));
  link.download = name;
  link.hidden = true;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

// Called within the grown-up's click, as browsers open a file chooser only then. The browser
// says "cancel" where it can; elsewhere a cancelled chooser simply never answers.
export function chooseFile() {
  choosing?.remove();
  const input = document.createElement('input');
  input.type = 'file';
  input.accept = '.zip,application/zip';
  input.hidden = true;
  choosing = input;
  const done = () => {
    input.remove();
    if (choosing === input) choosing = null;
  };
  input.addEventListener('change', () => {
    const file = input.files[0];
    done();
    if (file) hand(file);
    else cancel();
  });
  input.addEventListener('cancel', () => {
    done();
    cancel();
  });
  document.body.append(input);
  input.click();
}
