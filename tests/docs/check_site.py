"""Checks the documentation site as a reader sees it.

    python3 check_site.py HTML_DIR SHOTS_DIR

Every link, image, script and style sheet of every page that points inside
the site must resolve (the file, and the #fragment's id in it). Then
headless Chromium (driven over the DevTools protocol on a pipe, standard
library only) opens, as served over HTTP on the loopback address, the index, the user guide, an API page and two gallery
pages, screenshots each into SHOTS_DIR, and fails on a blank page, an image
that did not load, a page without its gallery figure, or any console error
(a script error, a failed load). Exits 77 when no Chromium is installed.
"""
import base64
import functools
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import threading
from html.parser import HTMLParser
from http.server import SimpleHTTPRequestHandler, ThreadingHTTPServer
from pathlib import Path
from urllib.parse import unquote, urlsplit

PAGES = {  # page -> CSS selector of the figure it must show, or None
    "index.html": None,
    "user_guide.html": None,
    "api/generated/mexsets.rank_diverse.html": None,
    "auto_examples/plot_pipeline.html": "img.sphx-glr-single-img",
    "auto_examples/plot_ranking.html": "img.sphx-glr-single-img",
}


class Links(HTMLParser):
    """The ids of a page and the site-internal targets it refers to."""

    def __init__(self):
        super().__init__()
        self.ids, self.targets = set(), []

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        for key in ("id", "name"):
            if attrs.get(key):
                self.ids.add(attrs[key])
        for key in ("href", "src"):
            value = attrs.get(key)
            if value and not urlsplit(value).scheme and not value.startswith("//"):
                self.targets.append(value)


def broken_links(site):
    parsed = {}

    def parse(path):
        if path not in parsed:
            parsed[path] = Links()
            parsed[path].feed(path.read_text(errors="replace"))
        return parsed[path]

    problems = []
    for page in sorted(site.rglob("*.html")):
        if page.relative_to(site).parts[0] == "_static":
            continue  # the theme's assets (templates among them), not pages
        for target in parse(page).targets:
            parts = urlsplit(target)
            path = (page.parent / unquote(parts.path)).resolve() if parts.path else page
            if path.is_dir():
                path = path / "index.html"
            if not path.is_file():
                problems.append(f"{page.relative_to(site)}: {target} does not exist")
            elif parts.fragment and path.suffix == ".html" and \
                    unquote(parts.fragment) not in parse(path).ids:
                problems.append(f"{page.relative_to(site)}: {target} has no such anchor")
    return problems, len(parsed)


class Browser:
    """Headless Chromium, driven over --remote-debugging-pipe."""

    def __init__(self, chromium, profile):
        to_browser_r, self.to_browser = os.pipe()
        self.from_browser, from_browser_w = os.pipe()
        # The browser reads commands on its fd 3 and writes on its fd 4.
        def child_fds():  # copies first: either end may already be fd 3 or 4
            read, write = os.dup(to_browser_r), os.dup(from_browser_w)
            os.dup2(read, 3)
            os.dup2(write, 4)
        self.process = subprocess.Popen(
            [chromium, "--headless=new", "--remote-debugging-pipe", "--no-sandbox",
             "--disable-gpu", "--no-first-run", "--no-default-browser-check",
             "--disable-extensions", "--disable-background-networking",
             "--window-size=1280,900", f"--user-data-dir={profile}", "about:blank"],
            pass_fds=(3, 4), preexec_fn=child_fds, start_new_session=True,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.buffer, self.next_id, self.events = b"", 0, []
        target = self.send("Target.createTarget", url="about:blank")["targetId"]
        self.session = self.send("Target.attachToTarget", targetId=target,
                                 flatten=True)["sessionId"]
        for domain in ("Page", "Runtime", "Log"):
            self.send(f"{domain}.enable", session=True)

    def _message(self, deadline):
        while b"\0" not in self.buffer:
            if time.monotonic() > deadline:
                raise TimeoutError("Chromium did not answer")
            chunk = os.read(self.from_browser, 1 << 16)
            if not chunk:
                raise RuntimeError("Chromium closed its pipe")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def send(self, method, session=False, timeout=30, **params):
        self.next_id += 1
        request = {"id": self.next_id, "method": method, "params": params}
        if session:
            request["sessionId"] = self.session
        os.write(self.to_browser, json.dumps(request).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            message = self._message(deadline)
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError(f"{method}: {message['error']}")
                return message["result"]
            self.events.append(message)

    def wait_for(self, method, timeout=30):
        deadline = time.monotonic() + timeout
        while True:
            for k, event in enumerate(self.events):
                if event.get("method") == method:
                    return self.events.pop(k)
            self.events.append(self._message(deadline))

    def errors(self):
        """The console errors reported since the last call."""
        found = []
        for event in self.events:
            method, params = event.get("method"), event.get("params", {})
            if method == "Runtime.exceptionThrown":
                found.append(params["exceptionDetails"].get("exception", {})
                             .get("description", params["exceptionDetails"]["text"]))
            elif method == "Runtime.consoleAPICalled" and params["type"] in ("error", "assert"):
                found.append(" ".join(str(a.get("value", a.get("description")))
                                      for a in params["args"]))
            elif method == "Log.entryAdded" and params["entry"]["level"] == "error" and \
                    not params["entry"].get("url", "").endswith("/favicon.ico"):
                # (the browser asks for /favicon.ico by itself; the site has none)
                found.append(f"{params['entry']['text']} {params['entry'].get('url', '')}")
        self.events = []
        return found

    def evaluate(self, expression):
        result = self.send("Runtime.evaluate", session=True, expression=expression,
                           returnByValue=True, awaitPromise=True)
        return result["result"]["value"]

    def close(self):
        # The browser's helper processes (renderers, crash handler) too: they
        # may still be writing into the profile when it is removed.
        try:
            os.killpg(self.process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self.process.wait()


CHECK = """(async () => {
  await document.fonts.ready;
  const images = [...document.images];
  await Promise.all(images.map(i => i.complete ? null :
      new Promise(done => { i.onload = i.onerror = done; })));
  const figure = %s;
  const main = document.querySelector('[role="main"]') || document.body;
  return {text: main.innerText.trim().length,
          height: document.body.scrollHeight,
          broken: images.filter(i => i.naturalWidth === 0).map(i => i.src),
          figures: figure ? [...document.querySelectorAll(figure)]
                            .filter(i => i.naturalWidth > 100).length : -1};
})()"""


class QuietHandler(SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def check_pages(chromium, site, shots):
    problems = []
    server = ThreadingHTTPServer(("127.0.0.1", 0),
                                 functools.partial(QuietHandler, directory=str(site)))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}/"
    with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as profile:
        browser = Browser(chromium, profile)
        try:
            for page, figure in PAGES.items():
                browser.errors()
                browser.send("Page.navigate", session=True, url=base + page)
                browser.wait_for("Page.loadEventFired")
                seen = browser.evaluate(CHECK % json.dumps(figure))
                shot = base64.b64decode(browser.send(
                    "Page.captureScreenshot", session=True, format="png")["data"])
                (shots / (page.replace("/", "_") + ".png")).write_bytes(shot)
                time.sleep(0.2)  # late console messages
                browser.send("Runtime.evaluate", session=True, expression="0")
                if seen["text"] < 200 or seen["height"] < 300 or len(shot) < 10000:
                    problems.append(f"{page}: blank ({seen['text']} characters, "
                                    f"{len(shot)}-byte screenshot)")
                problems += [f"{page}: image did not load: {src}" for src in seen["broken"]]
                if figure and seen["figures"] < 1:
                    problems.append(f"{page}: no gallery figure ({figure})")
                problems += [f"{page}: console error: {text}" for text in browser.errors()]
        finally:
            browser.close()
            server.shutdown()
    return problems


def main(site, shots):
    site, shots = Path(site).resolve(), Path(shots)
    shots.mkdir(parents=True, exist_ok=True)
    problems, count = broken_links(site)
    print(f"links: {count} pages read, {len(problems)} broken")
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    if chromium is None:
        for problem in problems:
            print(problem)
        print("SKIPPED: no Chromium here (Debian: apt-get install chromium); "
              "the pages were not opened in a browser")
        return 1 if problems else 77
    problems += check_pages(chromium, site, shots)
    print("\n".join(problems) if problems else
          f"browser: {len(PAGES)} pages shown, screenshots in {shots}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
