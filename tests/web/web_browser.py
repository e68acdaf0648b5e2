#!/usr/bin/python3
"""The desk of `sorrel web` in headless Chromium, driven through WebDriver.

Usage: web_browser.py SORREL SORREL_SERVER SOURCE_DIR ARTIFACTS_DIR

Checks, each against real programs on loopback: the lines of
examples/session.verger give the same hit counts as `sorrel session --json`;
document 1 of 1000000/PN opens with its title, its style sheet applied and both
facsimile pages loaded; titles holding markup run no script; requests without
the secret, with a foreign Host or a foreign Origin are refused; a server
killed mid-session is noticed while the page is idle, a line that needs it
gets an error and the commands that need none still answer. Screenshots of
the main states go to ARTIFACTS_DIR.
"""
import http.client
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import urllib.parse

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

SORREL, SERVER, SOURCE, ARTIFACTS = sys.argv[1:5]
WAIT = 60
HOSTILE = [
    '<script>window.pwned = "script"</script>Solar hazard',
    '<img src=x onerror="window.pwned = \'img\'">Solar trap',
]


class Program:
    """A program on loopback whose first line of output is an address."""

    def __init__(self, arguments, env=None):
        self.process = subprocess.Popen(arguments, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, env=env,
                                        start_new_session=True, text=True)
        self.address = self.process.stdout.readline().strip()
        if not self.address:
            raise RuntimeError(f"{arguments[0]} printed no address")

    def stop(self, how=signal.SIGTERM):
        if self.process.poll() is None:
            os.killpg(self.process.pid, how)
            self.process.wait(timeout=30)


def session_lines():
    with open(os.path.join(SOURCE, "examples/session.verger"), encoding="utf-8") as script:
        return [line.rstrip("\n") for line in script
                if line.strip() and not line.startswith("#")]


def terminal_hits(folder):
    """Hits of each search line as `sorrel session --json` gives them."""
    out = subprocess.run([SORREL, "session", "--json", "--out", folder,
                          os.path.join(SOURCE, "examples/session.verger")],
                         capture_output=True, text=True, timeout=300, check=True).stdout
    results = [json.loads(line) for line in out.splitlines()]
    return [(r["line"], r.get("hits")) for r in results if r.get("kind") == "search"]


def hostile_base(folder):
    base = os.path.join(folder, "hostile")
    shutil.copytree(os.path.join(SOURCE, "tests/server/data/small"), base)
    index = os.path.join(base, "index.sqlite")
    if os.path.exists(index):
        os.remove(index)
    with open(os.path.join(base, "documents.ktf"), "a", encoding="utf-8") as documents:
        for number, title in enumerate(HOSTILE, start=901):
            documents.write(f"\nPN=EP {number} A1\nTI={title}\nAB=A solar hazard.\nPD=20200101\n")
    return base


def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                     "--disable-dev-shm-usage", "--window-size=1280,1000",
                     "--no-proxy-server", "--user-data-dir=" + tempfile.mkdtemp()):
        options.add_argument(argument)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def request(address, path, method="GET", headers=None, body=None):
    """Status of one plain HTTP request to the desk."""
    parts = urllib.parse.urlsplit(address)
    connection = http.client.HTTPConnection(parts.hostname, parts.port, timeout=30)
    connection.request(method, path, body=body, headers=headers or {})
    status = connection.getresponse().status
    connection.close()
    return status


def check_refusals(desk):
    parts = urllib.parse.urlsplit(desk.address)
    secret = urllib.parse.parse_qs(parts.query)["k"][0]
    cookie = {"Cookie": "sorrel_web=" + secret}
    own = f"http://127.0.0.1:{parts.port}"
    line = json.dumps({"line": "..HI"})
    cases = [
        ("no secret", "GET", {}, 403),
        ("a wrong secret", "GET", {"Cookie": "sorrel_web=" + "0" * 32}, 403),
        ("foreign Host", "GET", {**cookie, "Host": f"rebound.example:{parts.port}"}, 403),
        ("foreign Origin", "POST", {**cookie, "Origin": "http://rebound.example"}, 403),
        ("no Origin", "POST", cookie, 403),
        ("the page itself", "POST", {**cookie, "Origin": own}, 200),
    ]
    for what, method, headers, expected in cases:
        path = "/api/state" if method == "GET" else "/api/line"
        status = request(desk.address, path, method, headers, None if method == "GET" else line)
        assert status == expected, f"{what}: status {status}, not {expected}"


class Page:
    def __init__(self, driver, address):
        self.driver = driver
        driver.get(address)
        self.wait = WebDriverWait(driver, WAIT)
        self.command = self.wait.until(lambda d: d.find_element(By.ID, "command"))
        assert self.command.accessible_name == "Command", self.command.accessible_name

    def answers(self):
        return self.driver.find_elements(By.CSS_SELECTOR, "#transcript li[data-kind]")

    def run(self, line):
        """Types a line; its last transcript entry when the answer came."""
        before = len(self.answers())
        self.command.send_keys(line, Keys.ENTER)
        self.wait.until(lambda d: len(self.answers()) > before)
        return self.answers()[-1]

    def shot(self, name):
        self.driver.save_screenshot(os.path.join(ARTIFACTS, name + ".png"))

    def table_caption(self, name):
        return self.driver.find_element(By.XPATH, f"//table[caption='{name}']")


def check_document(page):
    found = page.run("1000000/PN").get_attribute("data-set")
    row = page.wait.until(lambda d: d.find_element(
        By.CSS_SELECTOR, f"#hits[data-set='{found}'] tbody button"))
    title = page.driver.find_element(By.CSS_SELECTOR, "#hits tbody tr td:nth-child(4)").text
    row.click()
    page.wait.until(lambda d: d.find_elements(
        By.CSS_SELECTOR, f"#document-area[data-opened='{found}:1']"))
    assert title in page.driver.find_element(By.ID, "document-title").text
    images = page.driver.find_elements(By.CSS_SELECTOR, "#pages img")
    assert len(images) == 2, len(images)
    page.wait.until(lambda d: all(d.execute_script(
        "return arguments[0].complete && arguments[0].naturalWidth > 0", i) for i in images))
    assert all(i.get_attribute("alt") for i in page.driver.find_elements(By.TAG_NAME, "img"))
    style = page.wait.until(lambda d: d.execute_script("""
        const view = document.getElementById('document-view').contentDocument;
        const shown = view && view.querySelector('TI');
        if (!shown) return null;
        const style = view.defaultView.getComputedStyle(shown);
        return [shown.textContent, style.display, style.fontSize];"""))
    assert style[0] == title, style
    # The sheet makes the title a block larger than the text around it.
    assert style[1] == "block" and style[2] != "16px", style
    page.driver.execute_script("document.getElementById('document-area').scrollIntoView()")
    page.shot("document")
    check_register(page, title)


def check_register(page, title):
    """Register data through the Java bridge, or a plain note without one."""
    bridge = (os.path.exists("/usr/lib/jvm/default-java/lib/server/libjvm.so")
              and os.path.exists(os.path.join(os.path.dirname(SORREL), "Trellis.dll")))
    page.driver.find_element(By.ID, "register-button").click()
    if not bridge:
        note = page.wait.until(lambda d: d.find_element(By.ID, "register-note").text)
        assert "Java" in note, note
        return
    shown = page.wait.until(lambda d: d.execute_script("""
        const view = document.getElementById('register-view');
        const body = !view.hidden && view.contentDocument && view.contentDocument.body;
        return body && body.textContent.includes('Family') ? body.textContent : null;"""))
    assert title in shown and "Legal status" in shown, shown


def check_session(page, expected):
    typed = [line for line in session_lines() if line != "..STOP"]
    seen = []
    for line in typed:
        answer = page.run(line)
        if answer.get_attribute("data-kind") == "search":
            hits = answer.get_attribute("data-hits")
            seen.append((line, None if hits is None else int(hits)))
    assert seen == expected, f"page {seen} != terminal {expected}"
    refused = page.run("solar AND AND pump")
    assert refused.get_attribute("data-kind") == "refused"
    mark = page.driver.find_element(By.CSS_SELECTOR, "#line-error mark")
    assert mark.text == "AND", mark.text
    page.table_caption("Sets")
    page.table_caption("Documents")
    page.shot("session")


def check_server_gone(page, server):
    server.stop(signal.SIGKILL)
    notices = page.driver.find_element(By.CSS_SELECTOR, "[role=status]")
    errors = page.driver.find_element(By.CSS_SELECTOR, "[role=alert]")
    # Told while idle, before any line meets the dead server.
    page.wait.until(lambda d: "does not answer" in notices.text)
    page.run("wind/TI")
    page.wait.until(lambda d: "gone" in notices.text)
    assert "does not answer" in errors.text, errors.text
    refused = page.run("solar")
    assert refused.get_attribute("data-kind") == "ended", refused.get_attribute("data-kind")
    page.wait.until(lambda d: "the search server is gone" in errors.text)
    # The commands that need no server still answer in the transcript.
    before = len(page.answers())
    page.driver.find_element(By.ID, "help-button").click()
    page.wait.until(lambda d: len(page.answers()) > before)
    helped = page.answers()[-1]
    assert helped.get_attribute("data-kind") == "help" and "answer" in helped.get_attribute(
        "class"), helped.get_attribute("outerHTML")
    history = page.run("..HI")
    assert history.get_attribute("data-kind") == "history", history.get_attribute("data-kind")
    listed = [e.text for e in page.driver.find_elements(By.CSS_SELECTOR, "#transcript li")]
    said = listed[len(listed) - 1 - listed[::-1].index("sorrel> ..HI"):]
    assert any(re.match(r"\$\d+  \d+  ", text) for text in said), said
    # The page still answers: the history comes back, the sets and the
    # document already shown stay.
    page.command.send_keys(Keys.ARROW_UP)
    assert page.command.get_attribute("value") == "..HI"
    assert page.driver.find_elements(By.CSS_SELECTOR, "#sets tbody tr")
    images = page.driver.find_elements(By.CSS_SELECTOR, "#pages img")
    assert images and page.driver.execute_script(
        "return arguments[0].naturalWidth > 0", images[0])
    page.shot("server-gone")


def check_hostile(driver, folder):
    server = Program([SERVER, "--port", "0", "--base", hostile_base(folder)])
    env = dict(os.environ, SORREL_PASSWORD="demo")
    desk = Program([SORREL, "web", "--url", server.address, "--user", "demo", "--base", "SMALL",
                    "--out", os.path.join(folder, "hostile-out")], env)
    try:
        page = Page(driver, desk.address)
        found = page.run("hazard OR trap").get_attribute("data-set")
        cells = page.wait.until(lambda d: d.find_elements(
            By.CSS_SELECTOR, f"#hits[data-set='{found}'] tbody td:nth-child(4)"))
        assert sorted(c.text for c in cells) == sorted(HOSTILE), [c.text for c in cells]
        shown_in_view = """
            const view = document.getElementById('document-view').contentDocument;
            const title = view && view.querySelector('TI');
            return title ? title.textContent : null;"""
        for position in range(1, len(HOSTILE) + 1):
            row = f"//table[@id='hits']/tbody/tr[{position}]"
            title = driver.find_element(By.XPATH, row + "/td[4]").text
            driver.find_element(By.XPATH, row + "//button").click()
            page.wait.until(lambda d: d.find_elements(
                By.CSS_SELECTOR, f"#document-area[data-opened='{found}:{position}']"))
            page.wait.until(lambda d: d.execute_script(shown_in_view) == title)
            assert title in driver.find_element(By.ID, "document-title").text
        assert driver.execute_script("return window.pwned === undefined")
        assert driver.execute_script(
            "const v = document.getElementById('document-view').contentWindow;"
            "return !v || v.pwned === undefined")
        assert not driver.find_elements(By.CSS_SELECTOR, "#hits img, #document-title img")
        assert not driver.execute_script(
            "return document.getElementById('document-view').contentDocument"
            ".querySelectorAll('script, img').length")
        page.shot("hostile-titles")
    finally:
        desk.stop()
        server.stop()


def main():
    os.makedirs(ARTIFACTS, exist_ok=True)
    folder = tempfile.mkdtemp(prefix="sorrel-web-test-")
    expected = terminal_hits(os.path.join(folder, "terminal"))
    server = Program([SERVER, "--port", "0"])
    env = dict(os.environ, SORREL_PASSWORD="demo")
    desk = Program([SORREL, "web", "--url", server.address, "--user", "demo",
                    "--out", os.path.join(folder, "web")], env)
    driver = browser()
    try:
        check_refusals(desk)
        page = Page(driver, desk.address)
        check_session(page, expected)
        check_document(page)
        check_server_gone(page, server)
        desk.stop()
        check_hostile(driver, folder)
    finally:
        driver.quit()
        desk.stop()
        server.stop()
        shutil.rmtree(folder, ignore_errors=True)
    print("web desk: all checks passed")


if __name__ == "__main__":
    main()
