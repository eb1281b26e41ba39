"""The watchers in the running program: a bound program reported to the page as it starts
and stops, keys recorded as "macroItem" steps, the "showConf" shortcut toggling the second
window."""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from vesktest import App, wait_for  # noqa: E402

GAME_DIR = tempfile.mkdtemp(prefix="vesk-watch-")
GAME = os.path.join(GAME_DIR, "game")


PROBE_PAGE = """<!DOCTYPE html><html><body><script>
window.__events = [];
['macroItem', 'onProcessChanged'].forEach(function (name) {
    setMessageCallback(name, function (args) { window.__events.push([name, args]); });
});
</script></body></html>"""


def prepare(app_dir):
    with open(os.path.join(app_dir, "view", "xml", "Moniter.xml"), "w", encoding="utf-8") as f:
        f.write('<conf><modeSetting><mode index="3"><app bindingProcess="%s"/></mode></modeSetting></conf>' % GAME)
    with open(os.path.join(app_dir, "view", "watchprobe.html"), "w", encoding="utf-8") as f:
        f.write(PROBE_PAGE)


def received(page, name):
    return [args for event, args in page.evaluate("window.__events || []") if event == name]


def xdotool(*args):
    subprocess.run(["xdotool"] + list(args), check=True)


class Watchers(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.copy("/bin/sleep", GAME)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(GAME_DIR, ignore_errors=True)

    def setUp(self):
        self.app = App(prepare=prepare).start()
        self.page = self.app.page
        # The page bundle holds the event callbacks of its own pages: a probe page records them.
        self.page.evaluate("location.href = 'watchprobe.html'")
        wait_for(lambda: self.page.evaluate("location.pathname.endsWith('watchprobe.html') && "
                                            "document.readyState === 'complete' && !!window.__events"),
                 what="probe page")

    def tearDown(self):
        self.app.stop()

    def test_bound_program_reported_when_it_starts_and_stops(self):
        game = subprocess.Popen([GAME, "60"])
        try:
            wait_for(lambda: received(self.page, "onProcessChanged") == [["3", True]], 5, what="started event")
        finally:
            game.kill()
            game.wait()
        wait_for(lambda: received(self.page, "onProcessChanged") == [["3", True], ["3", False]], 5,
                 what="stopped event")
        self.assertIn("%s  become 1" % GAME, self.app.log())
        self.assertIn("current process status changed!", self.app.log())
        # A restart re-reads the bindings and reports the program that does not run.
        self.assertEqual(self.page.command("confChanged")["text"], "confChanged")
        wait_for(lambda: len(received(self.page, "onProcessChanged")) == 3, 5, what="event after the restart")
        self.assertEqual(received(self.page, "onProcessChanged")[2], ["3", False])

    def test_recorded_keys_arrive_as_macro_steps(self):
        self.assertEqual(self.page.command("startRecord")["text"], "startRecord success!")
        xdotool("keydown", "a")
        time.sleep(0.3)
        xdotool("keyup", "a")
        xdotool("key", "KP_Enter")
        wait_for(lambda: len(received(self.page, "macroItem")) == 7, 5, what="seven steps")
        steps = received(self.page, "macroItem")
        self.assertEqual(steps[0], ["0", "1", "30", "0"])  # no delay before the first press
        self.assertEqual(steps[1][0::2], ["2", "0"])
        self.assertGreaterEqual(int(steps[1][1]), 250)  # the time A was held
        self.assertLess(int(steps[1][1]), 2000)
        self.assertEqual(steps[2], ["0", "0", "30", "0"])
        self.assertEqual([steps[3][0], steps[5][0]], ["2", "2"])
        self.assertEqual(steps[4], ["0", "1", "28", "1"])  # keypad Enter: scan code 28, extended
        self.assertEqual(steps[6], ["0", "0", "28", "1"])
        self.assertEqual(self.page.command("stopRecord")["text"], "stopRecord success")
        xdotool("key", "b")
        time.sleep(0.5)
        self.assertEqual(len(received(self.page, "macroItem")), 7)

    def visible_windows(self):
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(self.app.proc.pid), "--name", ""],
                             capture_output=True, text=True).stdout.split()
        return len(out)

    def test_showconf_shortcut_toggles_the_second_window(self):
        settings = json.loads(self.page.command("getConf")["text"])[0]
        self.assertEqual(settings["showConf"], "Ctrl+Alt+M,\u0001")
        self.app.window()
        before = self.visible_windows()
        xdotool("key", "ctrl+alt+m")
        wait_for(lambda: self.visible_windows() > before, 10, what="second window")
        xdotool("key", "ctrl+alt+m")
        wait_for(lambda: self.visible_windows() == before, 10, what="second window gone")


if __name__ == "__main__":
    unittest.main()
