#!/usr/bin/python3
"""Timings of `sorrel web` beside their references, in one run.

Usage: bench/web_bench.py BUILD_DIR [RUNS]

1. A line, from its submission on the page to its hit count shown, beside the
   same line in `sorrel session` (written to its standard input, up to its
   JSON result), and one round trip of the page to the desk (GET /api/state).
   Goal: page <= 1.2 x terminal + one round trip.
2. A document, from the click on its hit to its first facsimile page shown,
   beside converting and encoding one page alone (`sorrel tiff --png` on a
   CROFT record, less the tool's start measured by `sorrel version`).
   Goal: page <= 1.5 x reference. Each run ends once the whole document is
   shown (its view and every page), so that the next does not queue behind it.
Beside each: the floor the machine sets, one round trip of the page to the
desk plus the reference.
Medians of RUNS (default 15); headless Chromium through chromium-driver.
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
BUILD = os.path.abspath(sys.argv[1])
RUNS = int(sys.argv[2]) if len(sys.argv) > 2 else 15
SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
sys.argv = [sys.argv[0], f"{BUILD}/sorrel", f"{BUILD}/sorrel-server", SOURCE, tempfile.mkdtemp()]
import web_browser as web  # noqa: E402  (the browser tests' programs and browser)
from selenium.webdriver.common.by import By  # noqa: E402

LINE = "solar 3W cell OR (panel AND roof+)"

PAGE_LINE = """
const [line, done] = arguments;
const list = document.getElementById('transcript');
const before = list.querySelectorAll('li[data-kind]').length;
const observer = new MutationObserver(() => {
  if (list.querySelectorAll('li[data-kind]').length > before) {
    observer.disconnect();
    done(performance.now() - start);
  }
});
observer.observe(list, {childList: true});
document.getElementById('command').value = line;
const start = performance.now();
document.getElementById('command-form').requestSubmit();
"""

PAGE_ROUND_TRIP = """
const done = arguments[0];
const start = performance.now();
fetch('/api/state').then((r) => r.json()).then(() => done(performance.now() - start));
"""

PAGE_DOCUMENT = """
const done = arguments[0];
const pages = document.getElementById('pages');
const view = document.getElementById('document-view');
const viewShown = new Promise((resolve) => view.addEventListener('load', resolve, {once: true}));
const loaded = (image) => image.complete ? null
  : new Promise((resolve) => { image.onload = resolve; image.onerror = resolve; });
const observer = new MutationObserver(() => {
  const first = pages.querySelector('img[data-page="1"]');
  if (!first) return;
  observer.disconnect();
  // The time is taken at the first page; the run ends when the whole
  // document is shown, so that the next one does not wait behind it.
  const finish = () => {
    const elapsed = performance.now() - start;
    viewShown.then(() => Promise.all([...pages.querySelectorAll('img')].map(loaded)))
      .then(() => done(elapsed));
  };
  if (first.complete && first.naturalWidth > 0) finish();
  else first.addEventListener('load', finish);
});
observer.observe(pages, {childList: true});
const start = performance.now();
document.querySelector('#hits tbody button').click();
"""


def median_ms(measure):
    return statistics.median(measure() for _ in range(RUNS))


def wall_ms(arguments):
    start = time.perf_counter()
    subprocess.run(arguments, check=True, stdout=subprocess.DEVNULL)
    return (time.perf_counter() - start) * 1000


def settled(page, elapsed):
    """`elapsed`, once the hit list that the page asks for after a search is
    shown, so that the next line does not wait behind it."""
    latest = page.answers()[-1].get_attribute("data-set")
    page.wait.until(lambda d: d.find_elements(By.CSS_SELECTOR, f"#hits[data-set='{latest}']"))
    return elapsed


def terminal_line_ms(url, folder):
    env = dict(os.environ, SORREL_PASSWORD="demo")
    session = subprocess.Popen([f"{BUILD}/sorrel", "session", "--json", "--url", url, "--user",
                                "demo", "--out", folder], stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, text=True, env=env)

    def one():
        start = time.perf_counter()
        session.stdin.write(LINE + "\n")
        session.stdin.flush()
        while '"line"' not in session.stdout.readline():
            pass
        return (time.perf_counter() - start) * 1000

    one()  # the login
    result = median_ms(one)
    session.stdin.close()
    session.wait(timeout=60)
    return result


def main():
    folder = tempfile.mkdtemp(prefix="sorrel-web-bench-")
    server = web.Program([f"{BUILD}/sorrel-server", "--port", "0"])
    env = dict(os.environ, SORREL_PASSWORD="demo")
    desk = web.Program([f"{BUILD}/sorrel", "web", "--url", server.address, "--user", "demo",
                        "--out", os.path.join(folder, "web")], env)
    driver = web.browser()
    driver.set_script_timeout(60)
    try:
        page = web.Page(driver, desk.address)
        page.run("1000000/PN")  # the login, and a first set
        page_line = median_ms(lambda: settled(page, driver.execute_async_script(PAGE_LINE, LINE)))
        round_trip = median_ms(lambda: driver.execute_async_script(PAGE_ROUND_TRIP))
        page.run("1000000/PN")
        page.wait.until(lambda d: d.find_elements(By.CSS_SELECTOR, "#hits tbody button"))
        page_document = median_ms(lambda: driver.execute_async_script(PAGE_DOCUMENT))
    finally:
        driver.quit()
        desk.stop()
    terminal = terminal_line_ms(server.address, os.path.join(folder, "terminal"))
    server.stop()
    record = os.path.join(SOURCE, "examples/croft/drawing.croft")
    start_up = median_ms(lambda: wall_ms([f"{BUILD}/sorrel", "version"]))
    convert = median_ms(lambda: wall_ms([f"{BUILD}/sorrel", "tiff", "--png", "-o",
                                         os.path.join(folder, "tiff"), record])) - start_up
    # The floor the machine sets: one round trip of the page to the desk
    # plus the reference's own work; the desk can come no closer than this.
    line_floor = round_trip + terminal
    document_floor = round_trip + convert
    print(f"{'measure':36} {'page ms':>9} {'reference ms':>13} {'ratio':>6} {'floor ms':>9}  goal")
    print(f"{'line to its hit count':36} {page_line:9.2f} {terminal:13.2f} "
          f"{page_line / terminal:6.2f} {line_floor:9.2f}  <= 1.2 x + {round_trip:.2f} ms "
          f"round trip = {1.2 * terminal + round_trip:.2f} ms: "
          f"{'met' if page_line <= 1.2 * terminal + round_trip else 'NOT met'}")
    print(f"{'document to its first page shown':36} {page_document:9.2f} {convert:13.2f} "
          f"{page_document / convert:6.2f} {document_floor:9.2f}  "
          f"<= 1.5 x = {1.5 * convert:.2f} ms: "
          f"{'met' if page_document <= 1.5 * convert else 'NOT met'}")
    print(f"floor: one round trip of the page to the desk ({round_trip:.2f} ms) plus the reference")

if __name__ == "__main__":
    main()
