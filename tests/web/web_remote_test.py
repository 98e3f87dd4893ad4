#!/usr/bin/python3
"""The web remote in a real browser: headless Chromium through WebDriver against orvaned and
pjsim on loopback, all started here.

Usage: web_remote_test.py BIN_DIR OUT_DIR   (OUT_DIR gets the screenshots and the figures)
Exits 77 (skipped) only when Chromium, its driver or Selenium is not installed.
"""

import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

try:
    from selenium import webdriver
    from selenium.webdriver.common.by import By
    from selenium.webdriver.chrome.service import Service as ChromeService
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    webdriver = None

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
BIN = OUT = None
POLL_SECONDS = 1

# Two rooms: "hall" shows every button; "lab" hides some and has a slow projector and a PJLink one.
HALL_FLAGS = dict(CONFIG=1, POWERON=1, POWEROFF=1, BLANKON=1, BLANKOFF=1, VOLUME=1, MUTE=1, FREEZEON=1,
                  FREEZEOFF=1, ADVANCE=1, IMGSEND=1, ABOUT=1)
LAB_FLAGS = dict(HALL_FLAGS, POWEROFF=0, BLANKOFF=0, FREEZEON=0, FREEZEOFF=0, VOLUME=0)


def room_file(ports, flags, inputs, labels=()):
    lines = ["[GENERAL]", "MODEL=AX-210", "ModelID=101", "Type=1", "[PROJECTOR]",
             f"PJTNUM={len(ports)}", "SELECTPRJ=1"]
    for n, port in enumerate(ports, 1):
        lines += [f"[CONNECT-{n}]", "CONMETHOD=1", "COMPORTNO=0", f"TCPPORTNO={port}", "IPADDRESS=127.0.0.1",
                  "PASSWORD="]
    lines.append("[TOOLBAR]")
    lines += [f"{k}={v}" for k, v in flags.items()]
    lines += ["[INPUTSOURCE]", f"InputNum={len(inputs)}"]
    lines += [f"Input_{n:03d}=1;{code};{name}" for n, (code, name) in enumerate(inputs, 1)]
    lines += ["[INPUTSOURCEVIEW]"] + [f"InputNameView_{n:03d}={label}" for n, label in enumerate(labels, 1)]
    lines += ["[SCREEN]", "ICON=1", "ALWAYSONTOP=0", "[Volume]", "Min-Max=0,63"]
    return "\n".join(lines) + "\n"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for_line(path, prefix, process, timeout=10.0):
    end = time.time() + timeout
    while time.time() < end:
        if os.path.exists(path):
            with open(path, encoding="utf-8") as f:
                for line in f:
                    if line.startswith(prefix):
                        return line.split()
        if process.poll() is not None:
            break
        time.sleep(0.05)
    raise RuntimeError(f"no {prefix} in {path}")


class Rooms:
    """pjsim with the projectors, and orvaned serving them, in a folder of their own."""

    def __init__(self, tokens=False):
        self.dir = tempfile.mkdtemp(prefix="orvane-web-")
        self.log = os.path.join(self.dir, "pjsim.log")
        out = os.path.join(self.dir, "pjsim.out")
        with open(out, "w", encoding="utf-8") as f:
            self.pjsim = subprocess.Popen(
                [os.path.join(BIN, "pjsim"), "--log", self.log,
                 "--projector", "127.0.0.1:0,name=Front,power=on,input=3,volume=20",
                 "--projector", "127.0.0.1:0,name=Back,power=off,refuse=0x6000",
                 "--projector", "127.0.0.1:0,name=Spare,power=off,warm=60000",
                 "--projector", "127.0.0.1:0,name=Slow,power=on,input=3,fault=slow:700",
                 "--projector", "127.0.0.1:0,protocol=pjlink,class=2,notify=off,name=Wall,power=on"],
                stdout=f, stderr=subprocess.STDOUT)
        wait_for_line(out, "READY", self.pjsim)
        with open(out, encoding="utf-8") as f:
            self.ports = [line.split()[2].rsplit(":", 1)[1] for line in f if line.startswith("PROJECTOR")]
        os.makedirs(os.path.join(self.dir, "rooms"))
        hall_inputs = [(0, "Computer in 1"), (3, "HDMI 1"), (1, "Video")]
        hall = room_file(self.ports[:3], HALL_FLAGS, hall_inputs)
        self.write("rooms/hall.txt", hall)
        self.write("rooms/lab.txt", room_file(self.ports[3:], LAB_FLAGS, [(3, "HDMI 1"), (13, "HDMI 2")], ["Desk"]))
        # orvanectl, the other client, drives the hall's projectors from a folder of its own.
        self.ctl_dir = os.path.join(self.dir, "ctl")
        os.makedirs(self.ctl_dir)
        for name in ("AX-210.txt", "Orvane.txt"):
            self.write(os.path.join("ctl", name), hall)
        self.write("ctl/OrvaneOpt.txt", "1\n1\n5\n")
        shutil.copy(os.path.join(SOURCE, "res", "OrvaneModel.txt"), self.ctl_dir)
        shutil.copy(os.path.join(SOURCE, "res", "OrvaneModel.txt"), self.dir)
        self.token = None
        if tokens:
            self.token = subprocess.run([os.path.join(BIN, "orvanectl"), "--dir", self.dir, "token", "add", "web"],
                                        check=True, capture_output=True, text=True).stdout.strip()
        self.port = free_port()
        # The lab's second projector speaks PJLink, which tells blank, mute and freeze.
        self.write("LinkCore.conf", f"[PJLink]\nPorts={self.ports[4]}\n")
        self.write("orvaned.conf", f"[Service]\nListen=127.0.0.1:{self.port}\nPollSeconds={POLL_SECONDS}\n"
                                   "[Rooms]\nFolder=rooms\n")
        self.orvaned = None
        self.start()

    def write(self, name, text):
        with open(os.path.join(self.dir, name), "w", encoding="utf-8") as f:
            f.write(text)

    def start(self):
        out = os.path.join(self.dir, "orvaned.out")
        with open(out, "w", encoding="utf-8") as f, open(os.path.join(self.dir, "orvaned.log"), "a") as err:
            self.orvaned = subprocess.Popen([os.path.join(BIN, "orvaned"), "--config",
                                             os.path.join(self.dir, "orvaned.conf")], stdout=f, stderr=err)
        wait_for_line(out, "READY", self.orvaned)
        self.url = f"http://127.0.0.1:{self.port}/"

    def stop_orvaned(self):
        self.orvaned.send_signal(signal.SIGTERM)
        self.orvaned.wait(10)

    def ctl(self, *args):
        # The refusing projector fails some commands; the others are carried out all the same.
        subprocess.run([os.path.join(BIN, "orvanectl"), *args], cwd=self.ctl_dir, check=False,
                       capture_output=True, timeout=30)

    def requests(self):
        with open(self.log, encoding="utf-8") as f:
            return f.read().splitlines()

    def close(self):
        for process in (self.orvaned, self.pjsim):
            if process and process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(10)
                except subprocess.TimeoutExpired:
                    process.kill()
        shutil.rmtree(self.dir, ignore_errors=True)


def browser(width=1280, height=800):
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium")
    for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                f"--window-size={width},{height}", "--lang=en-US", "--no-first-run",
                "--disable-background-networking", "--disable-component-update", "--disable-sync",
                "--disable-default-apps", "--dns-prefetch-disable", "--no-proxy-server"):
        options.add_argument(arg)
    options.add_experimental_option("prefs", {"intl.accept_languages": "en-US,en"})
    driver = webdriver.Chrome(service=ChromeService(shutil.which("chromedriver")), options=options)
    # The window size includes the browser's frame: the page itself gets exactly this much.
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                           {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": width < 600})
    return driver


def wait(driver, condition, timeout=20):
    return WebDriverWait(driver, timeout, poll_frequency=0.05).until(lambda d: condition(d))


def toolbar_names(driver):
    return [b.accessible_name for b in driver.find_elements(By.CSS_SELECTOR, ".toolbar button")]


def catalog_text(name, key):
    """The first text of `key` (SET.NUMBER) in a shipped catalog file."""
    with open(os.path.join(SOURCE, "res", name), encoding="utf-8") as f:
        for line in f:
            left, _, right = line.partition("=")
            if left.strip() == key:
                return right.strip()
    raise KeyError(key)


def slot_text(driver, slot):
    found = driver.find_elements(By.CSS_SELECTOR, f'[data-slot="{slot}"]')
    return found[0].text if found else None


def open_room(driver, url, room):
    driver.get(url + f"#/room/{room}")
    wait(driver, lambda d: d.find_elements(By.CSS_SELECTOR, ".toolbar button"))


FIGURES = {}


class OpenService(unittest.TestCase):
    """Without tokens: the rooms, the buttons, presses, live changes, languages, checks."""

    @classmethod
    def setUpClass(cls):
        cls.service = Rooms()
        cls.addClassCleanup(cls.service.close)
        cls.driver = browser()

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()

    def test_01_rooms_list_links_hold_the_room_ids_and_a_state_line(self):
        d = self.driver
        d.get(self.service.url)
        wait(d, lambda d: len(d.find_elements(By.CSS_SELECTOR, ".rooms a")) == 2)
        links = d.find_elements(By.CSS_SELECTOR, ".rooms a")
        self.assertEqual([a.find_element(By.CSS_SELECTOR, ".room-id").text for a in links], ["hall", "lab"])
        # The state line follows the events in place: the links found at first stay on the page.
        wait(d, lambda d: "1 of 3 projectors on" in links[0].text)

    def test_02_room_shows_its_toolbar_buttons_and_inputs_in_toolbar_order(self):
        d = self.driver
        open_room(d, self.service.url, "hall")
        self.assertEqual(toolbar_names(d), ["Power On", "Power Off", "Computer1", "HDMI 1", "Video", "Blank On",
                                            "Blank Off", "Volume", "Mute", "Freeze On", "Freeze Off"])
        self.assertEqual(len(d.find_elements(By.CSS_SELECTOR, ".toolbar .group")), 3)
        icons = [img.get_attribute("src").rsplit("/", 1)[1] for img in
                 d.find_elements(By.CSS_SELECTOR, ".toolbar button img")]
        self.assertEqual(icons[:4], ["power_on.svg", "power_off.svg", "in_vga.svg", "in_hdmi.svg"])
        open_room(d, self.service.url, "lab")
        # Hidden flags hide their buttons; a labelled input is named by its label.
        self.assertEqual(toolbar_names(d), ["Power On", "Desk", "HDMI 2", "Blank On", "Mute"])

    def test_06_power_on_sends_the_toolbars_requests_and_shows_the_refusal(self):
        d = self.driver
        open_room(d, self.service.url, "hall")
        before = len(self.service.requests())
        d.find_element(By.CSS_SELECTOR, '[data-command="power_on"]').click()
        alert = wait(d, lambda d: d.find_elements(By.CSS_SELECTOR, '.alerts [role="alert"]'))[0]
        # The toolbar's message for a projector whose power cannot be asked, naming its address.
        self.assertEqual(alert.get_attribute("data-alert-slot"), "2")
        self.assertEqual(alert.find_element(By.CSS_SELECTOR, ".msg").text,
                         "The projector's power could not be controlled(127.0.0.1)")
        sent = [line for line in self.service.requests()[before:] if "type=0x6000" in line]
        # Slot 1 is asked and, being on, left alone; slot 2 refuses the question; slot 3 is
        # off and switched on, and warms up.
        self.assertIn("REQ 1 action=2 type=0x6000 setting=0 reply=data:1", sent)
        self.assertFalse(any(line.startswith("REQ 1 action=1 type=0x6000") for line in sent))
        self.assertTrue(any(line.startswith("REQ 2 action=2 type=0x6000") for line in sent))
        self.assertIn("REQ 3 action=1 type=0x6000 setting=1 reply=ack", sent)
        wait(d, lambda d: slot_text(d, 3) == "Warming up", timeout=POLL_SECONDS + 5)
        self.assertEqual(d.find_element(By.CSS_SELECTOR, '[data-command="power_on"]').get_attribute("aria-busy"),
                         "false")
        FIGURES["press_to_request_ms"] = d.execute_script("return window.orvaneTimings.presses[0].toRequest")
        FIGURES["press_to_answer_ms"] = d.execute_script("return window.orvaneTimings.presses[0].toAnswer")
        close = alert.find_element(By.CSS_SELECTOR, "button")
        self.assertEqual(close.accessible_name, "Close message")
        close.click()
        self.assertEqual(d.find_elements(By.CSS_SELECTOR, '.alerts [role="alert"]'), [])

    def test_05_a_running_press_shows_busy_and_the_next_waits(self):
        d = self.driver
        open_room(d, self.service.url, "lab")
        blank = d.find_element(By.CSS_SELECTOR, '[data-command="blank_on"]')
        mute = d.find_element(By.CSS_SELECTOR, '[data-command="mute"]')
        blank.click()
        mute.click()
        self.assertEqual(blank.get_attribute("aria-busy"), "true")
        self.assertEqual(mute.get_attribute("aria-busy"), "true")
        wait(d, lambda d: blank.get_attribute("aria-busy") == "false")
        wait(d, lambda d: mute.get_attribute("aria-busy") == "false")
        order = d.execute_script("return window.orvaneTimings.presses.map(p => p.command)")
        self.assertEqual(order[-2:], ["blank_on", "mute"])
        # What the PJLink projector tells of its picture follows the presses.
        wait(d, lambda d: [p.text for p in d.find_elements(By.CSS_SELECTOR, "li.pj .picture")] ==
             ["Blank: on · Mute: on · Freeze: off"], timeout=POLL_SECONDS + 5)

    def test_03_input_changed_by_another_client_is_highlighted_and_power_states_read_in_words(self):
        d = self.driver
        open_room(d, self.service.url, "hall")
        pressed = lambda d: [b.accessible_name for b in d.find_elements(By.CSS_SELECTOR, '[aria-pressed="true"]')]
        wait(d, lambda d: pressed(d) == ["HDMI 1"])
        # The refusing projector cannot tell its power.
        self.assertEqual([slot_text(d, n) for n in (1, 2, 3)], ["On", "Power state unknown", "Off"])
        self.service.ctl("input", "video")
        wait(d, lambda d: pressed(d) == ["Video"], timeout=POLL_SECONDS + 5)
        self.assertEqual(d.find_element(By.CSS_SELECTOR, '[data-input="HDMI 1"]').get_attribute("aria-pressed"),
                         "false")
        self.service.ctl("input", "hdmi 1")
        wait(d, lambda d: pressed(d) == ["HDMI 1"], timeout=POLL_SECONDS + 5)

    def test_04_volume_opens_up_and_down_with_the_reported_level(self):
        d = self.driver
        open_room(d, self.service.url, "hall")
        volume = d.find_element(By.CSS_SELECTOR, '[data-command="unmute"]')
        self.assertEqual(volume.get_attribute("aria-expanded"), "false")
        volume.click()
        self.assertEqual(volume.get_attribute("aria-expanded"), "true")
        names = [b.accessible_name for b in d.find_elements(By.CSS_SELECTOR, "#volume-panel button")]
        self.assertEqual(names, ["up", "down"])
        wait(d, lambda d: d.find_element(By.CSS_SELECTOR, "#volume-panel output").text == "20")
        d.find_element(By.CSS_SELECTOR, '[data-command="volume_up"]').click()
        wait(d, lambda d: d.find_element(By.CSS_SELECTOR, "#volume-panel output").text == "21",
             timeout=POLL_SECONDS + 5)
        self.assertEqual(d.find_element(By.CSS_SELECTOR, "#volume-panel meter").get_attribute("value"), "21")

    def test_08_page_in_chinese(self):
        d = self.driver
        d.get(self.service.url + "?lang=zh#/room/hall")
        wait(d, lambda d: d.find_elements(By.CSS_SELECTOR, ".toolbar button"))
        self.assertEqual(d.find_element(By.TAG_NAME, "html").get_attribute("lang"), "zh-Hans")
        self.assertEqual(toolbar_names(d)[:2], ["开机", "关机"])
        # A fresh page cannot tell which way a transition goes and says so.
        wait(d, lambda d: slot_text(d, 1) == "开机" and slot_text(d, 3) == "正在预热或冷却")
        self.assertEqual(d.find_element(By.ID, "back").text, "所有会议室")
        # A refusal is told in the page's language, naming the address.
        d.find_element(By.CSS_SELECTOR, '[data-command="power_on"]').click()
        alert = wait(d, lambda d: d.find_elements(By.CSS_SELECTOR, '.alerts [data-alert-slot="2"] .msg'))[0]
        self.assertEqual(alert.text, catalog_text("txtzhs.cat", "2201.87") + "(127.0.0.1)")

    def test_10_the_stream_comes_back_after_a_restart(self):
        d = self.driver
        open_room(d, self.service.url, "hall")
        wait(d, lambda d: slot_text(d, 1) == "On")
        self.service.stop_orvaned()
        notice = wait(d, lambda d: d.find_element(By.ID, "notice").text)
        self.assertIn("reconnecting", notice)
        self.service.start()
        wait(d, lambda d: d.find_element(By.ID, "notice").text == "")
        self.service.ctl("input", "video")
        wait(d, lambda d: d.find_element(By.CSS_SELECTOR, '[data-input="Video"]').get_attribute("aria-pressed")
             == "true", timeout=POLL_SECONDS + 5)
        self.service.ctl("input", "hdmi 1")

    def test_09_no_serious_accessibility_violation(self):
        d = self.driver
        with open(os.path.join(HERE, "node_modules", "axe-core", "axe.min.js"), encoding="utf-8") as f:
            axe = f.read()

        def check(what):
            d.execute_script(axe)
            result = d.execute_async_script(
                "const done = arguments[arguments.length - 1];"
                "axe.run(document, {resultTypes: ['violations']}).then(r => done(JSON.stringify(r.violations)));")
            bad = [v for v in json.loads(result) if v["impact"] in ("serious", "critical")]
            self.assertEqual([(v["id"], [n["html"] for n in v["nodes"]]) for v in bad], [], what)

        d.get(self.service.url)
        wait(d, lambda d: d.find_elements(By.CSS_SELECTOR, ".rooms a"))
        check("rooms")
        open_room(d, self.service.url, "hall")
        d.find_element(By.CSS_SELECTOR, '[data-command="unmute"]').click()
        d.find_element(By.CSS_SELECTOR, '[data-command="power_on"]').click()
        wait(d, lambda d: d.find_elements(By.CSS_SELECTOR, '.alerts [role="alert"]'))
        check("room with an alert")
        d.get(self.service.url + "?lang=zh#/room/hall")
        wait(d, lambda d: d.find_elements(By.CSS_SELECTOR, ".toolbar button"))
        check("room in Chinese")

    def test_07_keyboard_reaches_and_presses_the_buttons(self):
        d = self.driver
        open_room(d, self.service.url, "hall")
        wait(d, lambda d: d.switch_to.active_element.tag_name == "h1")
        from selenium.webdriver.common.keys import Keys
        d.switch_to.active_element.send_keys(Keys.TAB)
        self.assertEqual(d.switch_to.active_element.accessible_name, "Power On")
        d.switch_to.active_element.send_keys(Keys.TAB)
        self.assertEqual(d.switch_to.active_element.accessible_name, "Power Off")
        d.switch_to.active_element.send_keys(Keys.TAB)
        self.assertEqual(d.switch_to.active_element.accessible_name, "Computer1")
        d.switch_to.active_element.send_keys(Keys.ENTER)
        wait(d, lambda d: d.find_element(By.CSS_SELECTOR, '[data-input="Computer in 1"]').get_attribute(
            "aria-pressed") == "true", timeout=POLL_SECONDS + 6)
        self.service.ctl("input", "hdmi 1")

    def test_11_first_load_and_screenshots(self):
        # Figures, reported and not asserted: what the first load transfers and when the page
        # has its rooms on screen.
        d = browser()
        try:
            d.execute_cdp_cmd("Network.enable", {})
            d.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": True})
            d.get(self.service.url + "#/room/hall")
            wait(d, lambda d: d.find_elements(By.CSS_SELECTOR, "[data-slot]"))
            figures = d.execute_script(
                "const nav = performance.getEntriesByType('navigation')[0];"
                "const res = performance.getEntriesByType('resource');"
                "const bytes = nav.transferSize + res.reduce((s, r) => s + r.transferSize, 0);"
                "const ready = performance.getEntriesByName('orvane-ready')[0];"
                "return {bytes, resources: res.length, domInteractive: nav.domInteractive,"
                " ready: ready ? ready.startTime : null};")
            FIGURES["first_load_bytes"] = figures["bytes"]
            FIGURES["first_load_requests"] = figures["resources"] + 1
            FIGURES["dom_interactive_ms"] = figures["domInteractive"]
            FIGURES["room_on_screen_ms"] = figures["ready"]
        finally:
            d.quit()
        for width, height, name in ((360, 740, "phone"), (1280, 800, "desktop")):
            d = browser(width, height)
            try:
                open_room(d, self.service.url, "hall")
                d.find_element(By.CSS_SELECTOR, '[data-command="power_on"]').click()
                wait(d, lambda d: d.find_elements(By.CSS_SELECTOR, '.alerts [role="alert"]'))
                # Another command closes the volume panel, as on the toolbar: it opens last.
                d.find_element(By.CSS_SELECTOR, '[data-command="unmute"]').click()
                wait(d, lambda d: len(d.find_elements(By.CSS_SELECTOR, '.alerts [role="alert"]')) >= 3)
                wait(d, lambda d: d.find_element(By.CSS_SELECTOR, "#volume-panel output").text != "–")
                # Nothing sticks out sideways: a phone would have to scroll to reach it.
                self.assertLessEqual(d.execute_script("return document.documentElement.scrollWidth"), width)
                d.save_screenshot(os.path.join(OUT, f"web-remote-{name}.png"))
            finally:
                d.quit()


class TokenService(unittest.TestCase):
    """With a token: the prompt, a wrong and a right token, and the prompt again after a restart."""

    @classmethod
    def setUpClass(cls):
        cls.service = Rooms(tokens=True)
        cls.addClassCleanup(cls.service.close)
        cls.driver = browser()

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()

    def test_wrong_token_refused_right_token_accepted_and_asked_again_after_a_restart(self):
        d = self.driver
        d.get(self.service.url)
        form = wait(d, lambda d: d.find_elements(By.TAG_NAME, "form"))[0]
        fields = form.find_elements(By.TAG_NAME, "input")
        self.assertEqual([f.get_attribute("type") for f in fields], ["password"])
        self.assertEqual(form.find_element(By.CSS_SELECTOR, 'button[type="submit"]').accessible_name, "Sign in")
        fields[0].send_keys("not-the-token")
        form.find_element(By.CSS_SELECTOR, "button").click()
        wait(d, lambda d: d.find_element(By.CSS_SELECTOR, '[role="alert"]').text == "The token was not accepted")
        field = d.find_element(By.ID, "token")
        field.clear()
        field.send_keys(self.service.token)
        d.find_element(By.CSS_SELECTOR, 'form button[type="submit"]').click()
        wait(d, lambda d: len(d.find_elements(By.CSS_SELECTOR, ".rooms a")) == 2)
        open_room(d, self.service.url, "hall")
        wait(d, lambda d: slot_text(d, 1) == "On")
        # The service forgets its sessions when it restarts: the page asks again.
        self.service.stop_orvaned()
        self.service.start()
        wait(d, lambda d: d.find_elements(By.ID, "token"), timeout=15)


def main():
    global BIN, OUT
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    BIN, OUT = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    del sys.argv[1:3]
    if webdriver is None or not shutil.which("chromium") or not shutil.which("chromedriver"):
        print("SKIPPED: chromium, chromedriver or python3-selenium is not installed")
        return 77
    os.makedirs(OUT, exist_ok=True)
    result = unittest.main(exit=False, verbosity=2).result
    with open(os.path.join(OUT, "web-remote-figures.json"), "w", encoding="utf-8") as f:
        json.dump(FIGURES, f, indent=1)
    print("FIGURES " + json.dumps(FIGURES))
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
