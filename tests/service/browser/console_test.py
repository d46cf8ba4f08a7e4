#!/usr/bin/python3
"""The console in a real browser: headless Chromium opens the page tavireld
serves, enters the token, sends a receipt to the built-in simulated register
and sees it closed; then looks its key up. Saves a screenshot.

  console_test.py TAVIRELD SCREENSHOT.png

Loopback only, an ephemeral port, a fresh folder for everything; bounded to
a minute. Exit 0 when every check holds.
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions as ec
from selenium.webdriver.support.ui import WebDriverWait

LIMIT = 60  # seconds for any one wait


def start_service(tavireld, folder, extra=()):
    daemon = subprocess.Popen(
        [tavireld, "--listen", "127.0.0.1:0", "--journal", os.path.join(folder, "journal.db"),
         "--token-file", os.path.join(folder, "token"), *extra],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    line = daemon.stdout.readline()
    match = re.search(r"serving (http://127\.0\.0\.1:\d+)", line)
    if not match:
        daemon.kill()
        raise SystemExit("tavireld did not start: " + line + daemon.stderr.read())
    with open(os.path.join(folder, "token")) as f:
        return daemon, match.group(1), f.read().strip()


def stop_service(daemon):
    daemon.send_signal(signal.SIGTERM)
    try:
        code = daemon.wait(timeout=LIMIT)
    except subprocess.TimeoutExpired:
        daemon.kill()
        code = "killed"
    if code != 0:
        print("tavireld ended with", code, daemon.stderr.read(), file=sys.stderr)


def browser(folder):
    options = webdriver.ChromeOptions()
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--window-size=1280,900", "--user-data-dir=" + os.path.join(folder, "chromium")):
        options.add_argument(flag)
    options.binary_location = "/usr/bin/chromium"
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def text_is(element_id, expected):
    def check(driver):
        text = driver.find_element(By.ID, element_id).text
        return text if text == expected or text in ("error",) else False
    return check


def main():
    tavireld, screenshot = sys.argv[1], sys.argv[2]
    folder = tempfile.mkdtemp(prefix="tavireld-browser-")
    daemon = driver = None
    try:
        daemon, url, token = start_service(tavireld, folder)
        driver = browser(folder)
        wait = WebDriverWait(driver, LIMIT)
        driver.get(url + "/")
        driver.find_element(By.ID, "token").send_keys(token)
        driver.find_element(By.ID, "connect").click()
        wait.until(ec.visibility_of_element_located((By.ID, "console")))
        wait.until(ec.text_to_be_present_in_element((By.CSS_SELECTOR, "#registers"), "Ready"))
        assert driver.find_element(By.ID, "receipt-register").get_attribute("value") == "sim"
        key = driver.find_element(By.ID, "receipt-key").get_attribute("value")
        driver.find_element(By.ID, "send").click()
        status = wait.until(text_is("outcome-status", "closed"))
        assert status == "closed", "the receipt ended " + status + ": " + \
            driver.find_element(By.ID, "outcome").text
        assert "receipt " in driver.find_element(By.ID, "outcome-summary").text
        # The live events showed it closed too.
        wait.until(ec.text_to_be_present_in_element((By.ID, "events"), key + " on sim: closed"))
        driver.find_element(By.ID, "lookup-key").send_keys(key)
        driver.find_element(By.ID, "lookup").click()
        wait.until(ec.text_to_be_present_in_element((By.ID, "lookup-result"), '"status": "closed"'))
        # The token stays in the tab: it is not in the page's address or storage beyond the session.
        assert token not in driver.current_url
        assert driver.execute_script("return localStorage.length") == 0
        driver.save_screenshot(screenshot)
        print("console: receipt", key, "closed; screenshot in", screenshot)
    finally:
        if driver:
            driver.quit()
        if daemon:
            stop_service(daemon)
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
