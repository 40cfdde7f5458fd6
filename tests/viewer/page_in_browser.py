#!/usr/bin/env python3
"""Renders the HTML page a viewer test exported in headless Chromium and checks
that its coloured lines show in their colours, and that the text the browser
shows keeps each line's blanks and shows each line once. Exit 77 (skipped)
without Chromium."""
import html
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

# The lines the viewer test put in the page, as the viewer shows them.
PAGE_LINES = 9
INDENTED = '    at gw.io.Spill.open(Spill.java:88)'
SPACED = 'rotation took 1532 ms  (limit 1000 ms)'

# A page beside the exported one that reads the exported page's paragraph as
# the browser lays it out (innerText follows the CSS white-space rules).
WRAPPER = """<html><body><iframe id="f" src="%s"></iframe><script>
document.getElementById('f').onload = function () {
  var out = document.createElement('pre');
  out.id = 'seen';
  out.textContent = JSON.stringify(this.contentDocument.querySelector('p').innerText);
  document.body.appendChild(out);
};
</script></body></html>"""


def read_png(path):
    data = open(path, 'rb').read()
    assert data[:8] == b'\x89PNG\r\n\x1a\n', 'not a PNG'
    pos, idat, width, height, kind = 8, b'', 0, 0, 0
    while pos < len(data):
        length, tag = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if tag == b'IHDR':
            width, height, depth, kind = struct.unpack('>IIBB', body[:10])
            assert depth == 8 and kind in (2, 6), 'unexpected PNG format'
        elif tag == b'IDAT':
            idat += body
        pos += 12 + length
    step = 3 if kind == 2 else 4
    raw, stride = zlib.decompress(idat), width * step
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind_of_filter = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - step] if i >= step else 0
            up = previous[i]
            corner = previous[i - step] if i >= step else 0
            if kind_of_filter == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind_of_filter == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind_of_filter == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind_of_filter == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                pred = left if pa <= pb and pa <= pc else (up if pb <= pc else corner)
                line[i] = (line[i] + pred) & 0xFF
        rows.append(line)
        previous = line
    colours = set()
    for line in rows:
        for x in range(width):
            colours.add(tuple(line[x * step:x * step + 3]))
    return colours


def main():
    page, shot = sys.argv[1], sys.argv[2]
    browser = shutil.which('chromium') or shutil.which('chromium-browser')
    if not browser:
        print('chromium is not installed: skipped')
        return 77
    if not os.path.exists(page):
        print('no page at', page)
        return 1
    with tempfile.TemporaryDirectory() as profile:
        subprocess.run([browser, '--headless', '--no-sandbox', '--disable-gpu',
                        '--hide-scrollbars', '--user-data-dir=' + profile,
                        '--window-size=760,340', '--screenshot=' + shot,
                        'file://' + os.path.abspath(page)],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=120)
        # The page's text as the browser reads it: character references decoded.
        dom = subprocess.run([browser, '--headless', '--no-sandbox', '--disable-gpu',
                              '--user-data-dir=' + profile, '--dump-dom',
                              'file://' + os.path.abspath(page)],
                             check=True, capture_output=True, timeout=120).stdout.decode('utf-8')
        wrapper = os.path.join(profile, 'wrapper.html')
        with open(wrapper, 'w') as out:
            out.write(WRAPPER % ('file://' + os.path.abspath(page)))
        seen = subprocess.run([browser, '--headless', '--no-sandbox', '--disable-gpu',
                               '--allow-file-access-from-files', '--user-data-dir=' + profile,
                               '--dump-dom', 'file://' + wrapper],
                              check=True, capture_output=True, timeout=120).stdout.decode('utf-8')
    shown = seen.split('<pre id="seen">', 1)[-1].split('</pre>', 1)[0]
    shown = json.loads(html.unescape(shown)).replace('\xa0', ' ')
    lines = shown.rstrip('\n').split('\n')
    if len(lines) != PAGE_LINES or INDENTED not in lines or not any(SPACED in l for l in lines):
        print('the browser shows other lines than the log holds:', lines)
        return 1
    if '\u043e\u0448\u0438\u0431\u043a\u0430: Zeit' not in dom or 'berschreitung \u63a5\u7d9a' not in dom:
        print('the browser does not read the UTF-8 line of the page')
        return 1
    colours = read_png(shot)
    wanted = {'ERROR red': (0xd0, 0, 0), 'WARN orange': (0xe0, 0x70, 0),
              'Started green': (0, 0x80, 0), 'context grey': (0x90, 0x90, 0x90),
              'footer blue': (0, 0, 0xff)}
    missing = [name for name, rgb in wanted.items() if rgb not in colours]
    if missing:
        print('not seen in the rendered page:', ', '.join(missing))
        return 1
    print('rendered', shot, 'with every line colour')
    return 0


if __name__ == '__main__':
    sys.exit(main())
