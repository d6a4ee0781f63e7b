// Files beside the pages, read by the pages themselves: the string table
// of the chosen language and the XML settings files. The pages are file://
// documents and the window lets them read other local files, so no page
// command is needed for reading.
'use strict';

// Reads a file relative to this page; calls done(text) or done(null) when
// it cannot be read. A file:// request reports status 0 on success.
function readPageFile(path, done) {
  const request = new XMLHttpRequest();
  // The query keeps the engine from answering with an earlier copy (the
  // files change while the page is open: a fetch rewrites setup.xml).
  request.open('GET', path + '?' + Date.now() + '.' + ++readPageFile.count);
  request.overrideMimeType('text/plain; charset=utf-8');
  request.onload = () =>
      done(request.status === 0 || request.status === 200 ? request.responseText : null);
  request.onerror = () => done(null);
  try {
    request.send();
  } catch (e) {
    done(null);
  }
}

readPageFile.count = 0;

// Decodes a string table: Base64 of a UTF-8 properties document. Same rules
// as the native reader: lines end at LF, "#" starts a comment or cuts the
// line, the first "=" splits key and value untrimmed, the first key wins.
function parseStringTable(base64, box) {
  let text;
  try {
    const binary = atob(base64.replace(/[\r\n]/g, ''));
    const bytes = Uint8Array.from(binary, c => c.charCodeAt(0));
    text = new TextDecoder('utf-8', {fatal: true}).decode(bytes);
  } catch (e) {
    return null;
  }
  const table = {};
  text.split('\n').forEach(line => {
    const hash = line.indexOf('#');
    if (hash >= 0) line = line.substring(0, hash);
    const eq = line.indexOf('=');
    if (eq <= 0) return;
    const key = line.substring(0, eq);
    if (!(key in table)) table[key] = line.substring(eq + 1).split('replaceBox').join(box);
  });
  return table;
}

// Loads the table of the chosen language (window.CurrentAppLang, "en" when
// unset) and calls done(table); an empty table when it cannot be read, so
// every text keeps the English text written into the page.
function loadTexts(done) {
  const lang = typeof window.CurrentAppLang === 'string' && /^[A-Za-z_-]+$/.test(CurrentAppLang) ?
      CurrentAppLang :
      'en';
  const box = typeof window.nRep === 'string' && nRep.length > 0 ? nRep : 'box';
  readPageFile('i18n/strings_' + lang + '.properties', text => {
    const table = text === null ? null : parseStringTable(text, box);
    done(table || {});
  });
}

// Puts the table's texts into every element with data-t (its text) and
// data-tip (its title); elements whose key is missing keep their text.
function applyTexts(table, root) {
  (root || document).querySelectorAll('[data-t]').forEach(el => {
    const t = table[el.dataset.t];
    if (t) el.textContent = t;
  });
  (root || document).querySelectorAll('[data-tip]').forEach(el => {
    const t = table[el.dataset.tip];
    if (t) el.title = t;
  });
}

// Parses an XML text; null when it is not a well-formed document.
function parseXml(text) {
  if (text === null) return null;
  const doc = new DOMParser().parseFromString(text, 'application/xml');
  return doc.getElementsByTagName('parsererror').length > 0 ? null : doc;
}
