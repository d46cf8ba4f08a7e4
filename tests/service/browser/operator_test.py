#!/usr/bin/python3
"""The operator's console in headless Chromium, on the built-in simulated
register:

1. the receipt paper runs out (the console's fault switch) under a receipt:
   the register's card says paper out; the paper goes in and "Paper refilled"
   is clicked: the receipt closes and its paper shows as a slip;
2. a cheque refused after a cash payment leaves the receipt needing
   attention; a read-only token (in a second tab) sees it but no action;
   the operator marks it settled (closed) with a note from the console:
   closed, settled by "console";
3. pictures of each for docs/images, when a folder is given.

  operator_test.py TAVIRELD [PICTURES_FOLDER]

Loopback only, an ephemeral port, a fresh folder; every wait bounded.
Exit 0 when every check holds.
"""
import json
import os
import shutil
import sys
import tempfile
import urllib.request

from selenium.common.exceptions import NoSuchElementException, StaleElementReferenceException
from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions as ec
from selenium.webdriver.support.ui import Select, WebDriverWait

from console_test import LIMIT, browser, start_service, stop_service


def request(url, token, path, body=None):
    data = None if body is None else json.dumps(body).encode()
    req = urllib.request.Request(url + path, data=data, method="POST" if data else "GET",
                                 headers={"Authorization": "Bearer " + token,
                                          "Content-Type": "application/json"})
    with urllib.request.urlopen(req, timeout=LIMIT) as res:
        return json.loads(res.read())


def summary_is(name, summary):
    def check(driver):
        script = "const card = document.getElementById(arguments[0]); return card && card.dataset.summary"
        return driver.execute_script(script, "register-" + name) == summary
    return check


def connect(driver, wait, url, token):
    driver.get(url + "/")
    driver.find_element(By.ID, "token").send_keys(token)
    driver.find_element(By.ID, "connect").click()
    wait.until(ec.visibility_of_element_located((By.ID, "console")))
    wait.until(summary_is("sim", "ready"))


def click(driver, wait, element_id, by=By.ID):
    """Clicks it, finding it again when the live page redrew it under us."""
    def clicked(driver):
        try:
            element = driver.find_element(by, element_id)
            if not (element.is_displayed() and element.is_enabled()):
                return False
            element.click()
            return True
        except (NoSuchElementException, StaleElementReferenceException):
            return False
    wait.until(clicked)


def fill(driver, element_id, text):
    """Sets an input's value at once: the live page may redraw it while keys are typed."""
    driver.execute_script("document.getElementById(arguments[0]).value = arguments[1]",
                          element_id, text)


def picture(driver, folder, name, element_id=None):
    if not folder:
        return
    path = os.path.join(folder, name)
    if element_id:
        element = driver.find_element(By.ID, element_id)
        driver.execute_script("arguments[0].scrollIntoView()", element)
        element.screenshot(path)
    else:
        driver.save_screenshot(path)
    print("picture", path)


def paper_out(driver, wait, pictures):
    """Paper out under a receipt, refilled from the console."""
    click(driver, wait, "#sim-sim summary", By.CSS_SELECTOR)
    # The paper runs out at the receipt's cash payment (code 1036).
    fill(driver, "sim-fault-sim", "paper-end:1036")
    click(driver, wait, "sim-fault-set-sim")
    wait.until(ec.text_to_be_present_in_element((By.ID, "sim-state-sim"), "paper-end:1036"))
    key = driver.find_element(By.ID, "receipt-key").get_attribute("value")
    driver.find_element(By.ID, "send").click()
    wait.until(summary_is("sim", "paper-out"))
    wait.until(ec.text_to_be_present_in_element((By.ID, "paper-out-sim"), key))
    wait.until(ec.text_to_be_present_in_element((By.ID, "register-sim"), "Paper out"))
    click(driver, wait, "#paper-out-sim button.link", By.CSS_SELECTOR)
    wait.until(ec.text_to_be_present_in_element((By.ID, "document-key"), key))
    picture(driver, pictures, "console-paper-out.png", "register-sim")
    # On a simulated register the button puts the paper back too.
    click(driver, wait, "paper-refilled-sim")
    wait.until(ec.text_to_be_present_in_element((By.ID, "document-summary"), "status closed"))
    wait.until(ec.visibility_of_element_located((By.ID, "paper")))
    slip = driver.find_element(By.ID, "paper").text
    assert "PANE" in slip, slip
    wait.until(summary_is("sim", "ready"))
    picture(driver, pictures, "console-paper-slip.png", "paper")
    return key


def refused_after_payment(driver, wait, url, token, read_token, pictures):
    """A cheque refused after cash: needs attention; seen read-only; settled by hand."""
    click(driver, wait, "sim-clear-sim")
    fill(driver, "sim-fault-sim", "error=13:1044")
    click(driver, wait, "sim-fault-set-sim")
    wait.until(ec.text_to_be_present_in_element((By.ID, "sim-state-sim"), "error=13:1044"))
    key = "operator-partial-1"
    receipt = {"key": key, "type": "receipt",
               "lines": [{"department": 1, "description": "PANE", "price": "3.00"}],
               "payments": [{"type": "cash", "amount": "1.00"}, {"type": "cheque"}]}
    outcome = request(url, token, "/v1/registers/sim/documents?wait=30", receipt)
    assert outcome["status"] == "needs-attention", outcome
    wait.until(summary_is("sim", "needs-attention"))
    wait.until(ec.text_to_be_present_in_element((By.ID, "attention-sim"), key))
    click(driver, wait, "#attention-sim button.link", By.CSS_SELECTOR)
    wait.until(ec.text_to_be_present_in_element((By.ID, "document-key"), key))
    click(driver, wait, "#sim-sim summary", By.CSS_SELECTOR)  # the switches folded away
    picture(driver, pictures, "console-needs-attention.png", "register-sim")

    # A status screen with the read-only token: the same facts, no action.
    first = driver.current_window_handle
    driver.switch_to.new_window("tab")
    connect_read_only(driver, wait, url, read_token, key)
    driver.close()
    driver.switch_to.window(first)

    # The rest was paid in cash by hand at the till: marked settled with a note.
    Select(driver.find_element(By.ID, "settle-sim-settled-as")).select_by_value("closed")
    fill(driver, "settle-sim-note", "rest paid in cash at the till")
    click(driver, wait, "settle-sim-mark")
    script = ("const e = document.getElementById('action-error').textContent;"
              "const s = document.getElementById('document-summary').textContent;"
              "return e ? 'refused: ' + e : s.includes('status closed') && s")
    summary = wait.until(lambda d: d.execute_script(script))
    assert "settled by console (mark-settled as closed): rest paid in cash" in summary, summary
    wait.until(summary_is("sim", "ready"))
    settled = request(url, token, "/v1/documents/" + key)
    assert settled["status"] == "closed" and settled["settlement"]["by"] == "console", settled


def connect_read_only(driver, wait, url, read_token, key):
    driver.get(url + "/")
    driver.find_element(By.ID, "token").send_keys(read_token)
    driver.find_element(By.ID, "connect").click()
    wait.until(ec.visibility_of_element_located((By.ID, "scope")))
    wait.until(summary_is("sim", "needs-attention"))
    wait.until(ec.text_to_be_present_in_element((By.CSS_SELECTOR, "#documents tbody"), key))
    click(driver, wait, "#attention-sim button.link", By.CSS_SELECTOR)
    wait.until(ec.text_to_be_present_in_element((By.ID, "document-key"), key))
    actions = driver.find_elements(By.CSS_SELECTOR, "#registers button:not(.link), #document-actions *")
    assert not actions, "a read-only token sees actions: " + ", ".join(a.text for a in actions)
    assert not driver.find_element(By.ID, "receipt-form").is_displayed()


def main():
    tavireld = sys.argv[1]
    pictures = sys.argv[2] if len(sys.argv) > 2 else None
    if pictures:
        os.makedirs(pictures, exist_ok=True)
    folder = tempfile.mkdtemp(prefix="tavireld-operator-")
    daemon = driver = None
    try:
        read_token_file = os.path.join(folder, "read-token")
        daemon, url, token = start_service(tavireld, folder,
                                           ["--read-token-file", read_token_file])
        with open(read_token_file) as f:
            read_token = f.read().strip()
        driver = browser(folder)
        wait = WebDriverWait(driver, LIMIT)
        connect(driver, wait, url, token)
        key = paper_out(driver, wait, pictures)
        refused_after_payment(driver, wait, url, token, read_token, pictures)
        print("operator: paper refilled for", key, "; needs attention settled from the console")
    finally:
        if driver:
            driver.quit()
        if daemon:
            stop_service(daemon)
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
