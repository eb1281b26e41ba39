"""A tour of the page bundle as a user takes it: the real driver with the simulated mouse,
driven through the bundle's own controls (mouse clicks and key presses sent over the DevTools
protocol, real X input for the recorder and the file dialogs), checked against the mouse's
memory and the files on disk. Saves a screenshot of every page into VESK_SCREENSHOT_DIR
(docs/screenshots to refresh the README's pictures) or a temporary folder."""

import base64
import json
import os
import shutil
import subprocess
import tempfile
import time
import unittest

from vesktest import App, wait_for, window_info

SN = "BRM1000001"
SHOT_DIR = os.environ.get("VESK_SCREENSHOT_DIR") or tempfile.mkdtemp(prefix="vesk-shots-")


def read_text(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


class Tour(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.app = App().start()
        cls.page = cls.app.page
        cls.page.call("Page.enable")
        subprocess.run(["xdotool", "windowfocus", "--sync", cls.app.window()], check=True)
        wait_for(lambda: cls.text("#dev-name") == "Brimlock M1", what="the mouse on the device page")

    @classmethod
    def tearDownClass(cls):
        cls.app.stop()

    # ---- helpers ----

    @classmethod
    def text(cls, selector):
        return cls.page.evaluate("(function (e) { return e ? e.innerText : null; })(document.querySelector(%s))"
                                 % json.dumps(selector))

    def hxctl(self, *args):
        out = subprocess.run([os.path.join(self.app.app_dir, "hxctl")] + list(args), env=self.app.env,
                             capture_output=True, text=True, timeout=10)
        self.assertEqual(out.returncode, 0, out.stdout + out.stderr)
        return out.stdout

    def mouse_bytes(self, kind, address, count):
        """Bytes of the simulated mouse's memory ("read") or a property ("prop")."""
        digits = self.hxctl(kind, SN, address, str(count)).split()[0]
        return [int(digits[i:i + 2], 16) for i in range(0, len(digits), 2)]

    def click(self, selector, opens_dialog=False):
        """A real left click in the middle of the element, scrolled into view first. A click
        that opens a native dialog is acknowledged only after the dialog has closed, so its
        release is sent without waiting."""
        box = self.page.evaluate("""(function (e) {
            if (!e) return null;
            e.scrollIntoView({block: 'center'});
            var r = e.getBoundingClientRect();
            return [r.left + r.width / 2, r.top + r.height / 2];
        })(document.querySelector(%s))""" % json.dumps(selector))
        self.assertIsNotNone(box, "no element " + selector)
        self.page.call("Input.dispatchMouseEvent", type="mousePressed", x=box[0], y=box[1], button="left", clickCount=1)
        release = dict(type="mouseReleased", x=box[0], y=box[1], button="left", clickCount=1)
        if not opens_dialog:
            self.page.call("Input.dispatchMouseEvent", **release)
            return
        self.page.next_id += 1
        self.page.ws.send(json.dumps({"id": self.page.next_id, "method": "Input.dispatchMouseEvent", "params": release}))

    def key(self, name):
        """A real key press (X test input) into the focused window; the engine's own key
        events do not reach the page here."""
        subprocess.run(["xdotool", "key", name], check=True)

    def choose(self, selector, value):
        """Picks an entry of a drop-down with the arrow keys, as a keyboard user does (the
        native pop-up is not opened). A change may redraw the drop-down, so it is found anew."""
        where = """(function (s) { var i = -1; for (var k = 0; k < s.options.length; k++) if (s.options[k].value === %s) i = k;
                   s.focus(); return i - s.selectedIndex; })(document.querySelector(%s))""" % (
            json.dumps(str(value)), json.dumps(selector))
        for _ in range(200):
            distance = self.page.evaluate(where)
            if distance == 0:
                return
            self.key("Down" if distance > 0 else "Up")
        self.fail("value %s not offered by %s" % (value, selector))

    def open_page(self, name):
        self.click("#nav-" + name)
        wait_for(lambda: self.page.evaluate("!document.getElementById('page-%s').hidden" % name), what=name)

    def screenshot(self, name):
        self.page.evaluate("document.getElementById('toasts').textContent = ''; document.activeElement.blur(); 0")
        time.sleep(0.6)  # let transitions settle
        data = self.page.call("Page.captureScreenshot", format="png")["data"]
        with open(os.path.join(SHOT_DIR, name + ".png"), "wb") as f:
            f.write(base64.b64decode(data))

    def requests(self, funcname):
        """States and replies of the page's requests of one command, newest first."""
        return self.page.evaluate("""driver.history.requests.filter(function (r) {
            return r.text.indexOf('"funcname":"%s"') >= 0; }).map(function (r) { return r.state + ' ' + r.reply; })"""
                                  % funcname)

    def requests_ok(self, funcname):
        return self.page.evaluate("""driver.history.requests.filter(function (r) {
            return r.text.indexOf('"funcname":"%s"') >= 0 && r.state === 'ok'; }).length""" % funcname)

    def dialog_answer(self, title, path):
        """Fills the driver's file dialog with a path and accepts it."""
        window = wait_for(lambda: (subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title],
                                                  capture_output=True, text=True).stdout.split() or [None])[0],
                          what="dialog " + title)
        time.sleep(0.8)
        # No window manager hands out the focus here; the dialog's file name field has it
        # once the dialog has it.
        subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)
        subprocess.run(["xdotool", "type", "--delay", "20", path], check=True)
        subprocess.run(["xdotool", "key", "Return"], check=True)
        # Give the focus back to the main window for the keys that follow.
        wait_for(lambda: not subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title],
                                            capture_output=True, text=True).stdout.split(), what="dialog closed")
        subprocess.run(["xdotool", "windowfocus", "--sync", self.app.window()], check=True)

    # ---- the pages, in the order of the navigation ----

    def test_1_device(self):
        wait_for(lambda: "1.2.0" in (self.text("#dev-firmware") or ""), what="onboard firmware")
        self.assertEqual(self.text("#dev-sn"), SN)
        self.assertIn("800 DPI", self.text("#dev-dpi"))
        self.hxctl("data", SN, "0203800c")
        wait_for(lambda: "DPI stage 4 · 3200 DPI" in self.text("#dev-reports"), what="the data report")
        self.assertEqual(self.text("#dev-dpi"), "3200 DPI")
        self.click("#dev-identify")
        wait_for(lambda: self.requests_ok("notifyDevice"), what="identify")
        self.screenshot("device")

    def test_2_performance(self):
        self.open_page("performance")
        wait_for(lambda: self.page.evaluate("!!document.querySelector('#perf-polling button')"), what="polling rates")
        self.click("#perf-polling button[data-value='3']")
        wait_for(lambda: self.mouse_bytes("prop", "0x12", 1) == [3], what="500 Hz on the mouse")
        self.click(".stage[data-stage='2'] .stage-top")
        wait_for(lambda: self.mouse_bytes("prop", "0x11", 1) == [2], what="stage 3 active")
        # A new DPI value typed into stage 5.
        self.page.evaluate("document.querySelector(\".stage[data-stage='4'] input[type=number]\").select()")
        self.page.call("Input.insertText", text="12000")
        self.key("Return")
        wait_for(lambda: self.mouse_bytes("prop", "0x11", 11)[9:11] == [12000 & 0xFF, 12000 >> 8], what="stage 5 DPI")
        self.screenshot("performance")

    def test_3_buttons(self):
        self.open_page("buttons")
        wait_for(lambda: self.page.evaluate("document.querySelectorAll('.button-row').length") == 8, what="button map")
        self.click(".button-row[data-button='6']")
        self.choose(".editor select", 2)   # keyboard key
        self.choose(".editor select[aria-label=Key]", 0x09)   # F
        self.click("#buttons-save")
        wait_for(lambda: self.mouse_bytes("read", "0x14", 4) == [2, 0, 9, 0], what="button 6 presses F")
        self.assertEqual(self.text(".button-row[data-button='6'] .assign"), "F")
        self.screenshot("buttons")

    def test_4_macros(self):
        self.open_page("macros")
        wait_for(lambda: "empty" in (self.text(".slot[data-slot='2']") or ""), what="slot states")
        self.click(".slot[data-slot='2']")
        self.click("#macro-record")
        wait_for(lambda: self.page.evaluate("!!document.getElementById('macro-stop')"), what="recording")
        time.sleep(0.5)
        subprocess.run(["xdotool", "key", "--delay", "120", "h", "i"], check=True)
        wait_for(lambda: self.page.evaluate("document.querySelectorAll('#macro-timeline .step').length") == 4,
                 what="four recorded steps")
        self.screenshot("macros")
        self.click("#macro-stop")
        self.click("#macro-write")
        wait_for(lambda: self.mouse_bytes("read", "0x1200", 1) == [4], what="the macro in slot 2")
        steps = self.mouse_bytes("read", "0x1200", 17)
        self.assertEqual([steps[1], steps[2], steps[5], steps[6]], [1, 0x0B, 2, 0x0B])  # H down, H up
        self.assertEqual([steps[9], steps[10], steps[13], steps[14]], [1, 0x0C, 2, 0x0C])  # I down, I up
        wait_for(lambda: "4 steps" in self.text(".slot[data-slot='2']"), what="slot shown as used")

    def test_5_profiles(self):
        self.open_page("profiles")
        wait_for(lambda: "Default" in (self.text("#profile-list") or ""), what="the profile")
        self.click("#profile-capture")
        wait_for(lambda: "500 Hz" in self.text("#profile-list"), what="profile holds the mouse's settings")
        self.click("#profile-save")
        profile = os.path.join(self.app.app_dir, "Resources/profiles/profile1.xml")
        wait_for(lambda: 'pollingRate="500"' in read_text(profile), what="profile written")
        self.screenshot("profiles")

        exported = os.path.join(self.app.dir, "tour.pfd")
        self.click("#profile-export", opens_dialog=True)
        self.dialog_answer("SaveFileDialog", exported)
        wait_for(lambda: os.path.exists(exported) and os.path.getsize(exported) > 8, what="exported profile")
        with open(exported, "rb") as f:
            self.assertEqual(f.read(4), b"\x0a\x0b\x0c\x0d")
        self.click("#profile-import", opens_dialog=True)
        self.dialog_answer("OpenFileDialog", exported)
        wait_for(lambda: self.requests_ok("modifyReplaceProfileEx"), what="imported profile")

    def test_6_modes(self):
        program = os.path.join(self.app.dir, "game.exe")
        shutil.copy("/bin/sleep", program)
        self.open_page("modes")
        wait_for(lambda: self.page.evaluate("document.querySelectorAll('.mode-card').length") == 5, what="modes")
        self.click(".mode-card[data-mode='2'] button[data-mode='2']", opens_dialog=True)
        self.dialog_answer("OpenFileDialog", program)
        wait_for(lambda: "game.exe" in self.text(".mode-card[data-mode='2']"), what="bound program")
        bindings = os.path.join(self.app.app_dir, "view/xml/Moniter.xml")
        wait_for(lambda: program in read_text(bindings), what="bindings written")

        # The restarted watcher first reports the bound program as not running; only a start
        # after that is news to it.
        wait_for(lambda: 'onProcessChanged ["2",false]' in self.text("#events"), timeout=15, what="watcher restarted")
        game = subprocess.Popen([program, "60"])
        try:
            wait_for(lambda: self.mouse_bytes("prop", "0x10", 1) == [2], timeout=15, what="mode 3 while the game runs")
            wait_for(lambda: self.page.evaluate("!!document.querySelector('#page-modes .banner')"), what="banner")
            self.screenshot("modes")
        finally:
            game.kill()
            game.wait()
        wait_for(lambda: self.mouse_bytes("prop", "0x10", 1) == [0], timeout=15, what="back to mode 1")

    def test_7_settings(self):
        self.open_page("settings")
        wait_for(lambda: self.page.evaluate("!!document.querySelector('.close-func')"), what="settings")
        self.click(".close-func button[data-value='closeapp']")
        conf = os.path.join(self.app.app_dir, "Resources/profiles/conf.xml")
        wait_for(lambda: 'closeFunc="closeapp"' in read_text(conf), what="close behaviour saved")
        self.click(".close-func button[data-value='hide']")
        wait_for(lambda: 'closeFunc="hide"' in read_text(conf), what="close behaviour back")
        self.click("#setting-lines")
        self.key("Right")
        # The desktop may refuse (a bare X server has no such setting); the page then says so.
        answer = wait_for(lambda: self.requests("modifyMouseScrollLines"), what="scroll lines")[0]
        if answer.startswith("failed"):
            wait_for(lambda: "modifyMouseScrollLines failed" in self.text("#toasts"), what="refusal shown")
        else:
            self.assertEqual(answer, "ok modifyMouseScrollLines success")
        self.screenshot("settings")

    def test_8_diagnostics_and_window(self):
        self.open_page("diagnostics")
        self.assertIn("onDeviceData [\"0203800c00000000\"]", self.text("#events"))
        self.assertIn("onProcessChanged [\"2\",true]", self.text("#events"))
        self.screenshot("diagnostics")

        window = self.app.window()
        before = window_info(window)
        # Drag the title bar by 40, 30 pixels.
        self.page.call("Input.dispatchMouseEvent", type="mousePressed", x=300, y=20, button="left", clickCount=1)
        for step in range(1, 5):
            self.page.call("Input.dispatchMouseEvent", type="mouseMoved", x=300 + 10 * step, y=20 + 7.5 * step,
                           button="left")
            time.sleep(0.05)
        self.page.call("Input.dispatchMouseEvent", type="mouseReleased", x=340, y=50, button="left", clickCount=1)
        wait_for(lambda: window_info(window)["x"] == before["x"] + 40, what="window dragged")
        self.assertEqual(window_info(window)["y"], before["y"] + 30)

        self.click("#btn-max")
        wait_for(lambda: window_info(window)["width"] > before["width"], what="maximised")
        self.assertEqual(self.page.evaluate("document.getElementById('btn-max').title"), "Restore")
        self.click("#btn-max")
        wait_for(lambda: window_info(window)["width"] == before["width"], what="restored")

        self.click("#btn-min")
        wait_for(lambda: window_info(window)["map"] != "IsViewable", what="minimised")


if __name__ == "__main__":
    unittest.main()
