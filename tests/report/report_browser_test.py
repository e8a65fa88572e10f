#!/usr/bin/env python3
"""dmactl report in headless Chromium.

report_browser_test.py DMACTL WORK_DIR SHOT_DIR

Makes a fresh record set and a changed copy with dmactl, writes the report of
the fresh set and the comparison, opens both from file:// addresses and
checks what a reader relies on: one row per setting `show --json` lists, the
filter, the highlighted rows against `diff --json`, the byte map's hover, no
resource loaded from anywhere, no console error.  Prints the comparison's
script time (window.reportRenderMs); only a generous bound fails the test.
Screenshots go to SHOT_DIR.  Exit 77 (skipped) without Selenium or Chromium.
"""
import json
import os
import re
import shutil
import subprocess
import sys

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
except ImportError:
    print("python3-selenium is not installed: skipped")
    sys.exit(77)
if not (os.path.exists(CHROMIUM) and os.path.exists(CHROMEDRIVER)):
    print("chromium or chromium-driver is not installed: skipped")
    sys.exit(77)

dmactl, work, shots = sys.argv[1:4]
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
os.makedirs(shots, exist_ok=True)
env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, ".config"))
env.pop("DMACTL_NAMES", None)


def run(*args, status=0):
    p = subprocess.run([dmactl, *args], cwd=work, env=env, capture_output=True, text=True)
    assert p.returncode == status, f"dmactl {' '.join(args)}: exit {p.returncode}\n{p.stderr}"
    return p.stdout


run("new", "fresh")
run("new", "changed")
for setting, value in [("dmOrientation", "2"), ("0x10B", "7"), ("dmDeviceName", "<b>office</b> & co"),
                       ("0x130", "height=-12")]:
    run("--set", "changed", "set", setting, value)
run("--set", "fresh", "report", "-o", "fresh.html")
run("report", "fresh", "changed", "-o", "compare.html")
settings = json.loads(run("--set", "fresh", "--json", "show"))["settings"]
differing = {d["id"] for d in json.loads(run("--json", "diff", "fresh", "changed", status=1))["differences"]}

for page in ("fresh.html", "compare.html"):
    html = open(os.path.join(work, page), encoding="utf-8").read()
    assert not re.search(r"""(src|href)\s*=\s*["']?\s*(https?:)?//""", html, re.I), f"{page} refers elsewhere"
    assert "<b>office</b>" not in html, "a value reached the page unescaped"

options = webdriver.ChromeOptions()
options.binary_location = CHROMIUM
for a in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--disable-gpu", "--window-size=1400,1000"):
    options.add_argument(a)
options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


def visible_rows():
    return driver.execute_script(
        "return Array.from(document.querySelectorAll('table.settings tbody tr')).filter(r => !r.hidden).length")


try:
    # The report of one set: a row per setting; the filter narrows them.
    driver.get("file://" + os.path.join(work, "fresh.html"))
    rows = visible_rows()
    check(rows == len(settings), f"{rows} rows for the {len(settings)} settings show --json lists")
    box = driver.find_element(By.ID, "filter")
    box.send_keys("dmOrientation")
    narrowed = visible_rows()
    check(0 < narrowed < rows, f"the filter leaves {narrowed} rows")
    box.clear()
    box.send_keys(" ")
    driver.save_screenshot(os.path.join(shots, "fresh.png"))

    # The comparison: the highlighted rows are diff's differences.
    driver.get("file://" + os.path.join(work, "compare.html"))
    marked = set(driver.execute_script(
        "return Array.from(document.querySelectorAll('table.settings tr.changed')).map(r => r.dataset.id)"))
    check(marked == differing, f"highlighted {sorted(marked)}, diff lists {sorted(differing)}")

    # Hovering dmOrientation's first byte (DEVMODEW offset 76) names it.
    tip = driver.execute_script("""
        const cv = document.getElementById('map-0'); cv.scrollIntoView();
        const box = cv.getBoundingClientRect(), cell = cv.width / 64, b = 76;
        cv.dispatchEvent(new MouseEvent('mousemove', {bubbles: true,
            clientX: box.left + (b % 64 + .5) * cell, clientY: box.top + (Math.floor(b / 64) + .5) * cell}));
        return document.getElementById('tip').textContent;""")
    check("dmOrientation" in tip and "differs" in tip, f"hover on byte 76 says: {tip}")

    resources = driver.execute_script("return performance.getEntriesByType('resource').length")
    check(resources == 0, f"{resources} resources loaded")
    ms = driver.execute_script("return window.reportRenderMs")
    print(f"comparison script time: {ms:.1f} ms (window.reportRenderMs)")
    check(ms is not None and ms < 2000, "script time below the generous bound of 2000 ms")
    driver.execute_script("document.getElementById('differences').scrollIntoView()")
    driver.save_screenshot(os.path.join(shots, "compare.png"))

    severe = [e for e in driver.get_log("browser") if e.get("level") == "SEVERE"]
    check(not severe, f"console errors: {severe}")
finally:
    driver.quit()
sys.exit(1 if failures else 0)
