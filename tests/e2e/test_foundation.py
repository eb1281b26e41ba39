"""The program as a user and its page see it: window, page protocol, events, window control,
single instance, settings."""

import json
import os
import subprocess
import tempfile
import time
import unittest

from vesktest import App, AppTestCase, wait_for, window_info


class PageProtocol(AppTestCase):
    def test_getconf_answers_settings_in_key_order(self):
        reply = self.page.command("getConf")
        self.assertTrue(reply["ok"], reply)
        settings = json.loads(reply["text"])
        self.assertEqual(len(settings), 1)
        keys = list(settings[0].keys())
        self.assertEqual(keys, sorted(keys))
        self.assertEqual(settings[0]["clientSize"], "1100,700")
        self.assertIn("MacAddress", settings[0])
        self.assertRegex(settings[0]["showConf"], "^Ctrl\\+Alt\\+M,[\u0000\u0001]$")

    def test_bad_requests_get_no_answer(self):
        for request in ["not json", "[1,2]", '{"funcname":"GetConf"}', '{"funcname":5}', '{"x":1}',
                        '{"funcname":"noSuchCommand"}', '{ "funcname": "maxsizeWindow" }', "moveWindow:1,2,3"]:
            with self.subTest(request=request):
                self.assertIsNone(self.page.query(request, timeout_ms=300))

    def test_query_shape_and_cancel(self):
        self.assertEqual(self.page.evaluate("typeof window.cefQuery({request: 'x'})"), "number")
        self.assertEqual(self.page.evaluate("typeof window.cefQueryCancel"), "function")
        # A cancelled query is never answered.
        answered = self.page.evaluate("""new Promise(function (resolve) {
            var id = cefQuery({request: '{"funcname":"getConf"}', onSuccess: function () { resolve(true); },
                               onFailure: function () { resolve(true); }});
            cefQueryCancel(id);
            setTimeout(function () { resolve(false); }, 500);
        })""")
        self.assertFalse(answered)
        self.assertTrue(self.page.evaluate("""(function () {
            try { cefQuery(5); return false; } catch (e) { return true; } })()"""))

    def test_set_message_callback_rules(self):
        self.assertTrue(self.page.evaluate("""(function () {
            return setMessageCallback('x') === undefined && setMessageCallback(5, function () {}) === undefined &&
                   setMessageCallback('someName', function () {}) === undefined;
        })()"""))

    def test_no_protocol_outside_the_view_folder(self):
        self.page.call("Page.enable")
        self.page.call("Page.navigate", url="data:text/html,<p>elsewhere</p>")
        wait_for(lambda: self.page.evaluate("location.protocol") == "data:", what="navigation")
        self.assertEqual(self.page.evaluate(
            "[typeof window.cefQuery, typeof window.setMessageCallback, typeof window.qt].join()"),
            "undefined,undefined,undefined")

    def test_unknown_scheme_shows_error_page(self):
        self.page.evaluate("location.href = 'foo:bar'")
        wait_for(lambda: "Failed to load URL" in (self.page.evaluate("document.body ? document.body.innerText : ''")
                                                   or ""), what="error page")
        self.assertEqual(self.page.evaluate("document.body.innerText").strip(),
                         "Failed to load URL foo:bar with error ERR_UNKNOWN_URL_SCHEME (-302).")


PROBE_PAGE = """<!DOCTYPE html><html><body><script>
window.__events = [];
['devicesChanged', 'macroItem', 'currentPropChanged', 'navStateChanged', 'onDeviceData', 'onProcessChanged']
  .forEach(function (name) {
    setMessageCallback(name, function (args) { window.__events.push([name, args]); });
  });
</script></body></html>"""


def add_probe_page(app_dir):
    with open(os.path.join(app_dir, "view", "probe.html"), "w") as f:
        f.write(PROBE_PAGE)


class Events(AppTestCase):
    """Events reach a page of the view folder that registered for them."""

    prepare = staticmethod(add_probe_page)

    def open_probe(self):
        self.page.evaluate("location.href = 'probe.html'")
        wait_for(lambda: self.page.evaluate("location.pathname.endsWith('probe.html') && "
                                            "document.readyState === 'complete' && !!window.__events"),
                 what="probe page")

    def nav_events(self):
        return [e for e in self.page.evaluate("window.__events || []") if e[0] == "navStateChanged"]

    def test_nav_state_after_load_and_after_reloads(self):
        self.open_probe()
        wait_for(lambda: self.nav_events(), what="navStateChanged")
        self.assertEqual(self.nav_events()[-1], ["navStateChanged", [True, False]])
        for _ in range(100):
            # A query in flight when its document goes away is dropped without harm.
            self.page.evaluate("window.cefQuery && cefQuery({request: JSON.stringify({funcname: 'getConf'})}); 0")
            self.page.call("Page.reload")
        wait_for(lambda: self.page.evaluate("document.readyState === 'complete' && !!window.__events"),
                 what="reloaded")
        # The new document registered again and is served; the old registrations are gone.
        wait_for(lambda: self.nav_events(), what="event after reloads")
        self.assertEqual(self.nav_events()[-1], ["navStateChanged", [True, False]])
        self.assertTrue(self.page.command("getConf")["ok"])
        self.assertIsNone(self.app.proc.poll())


class WindowControl(AppTestCase):
    def test_window_shows_the_page_and_logs(self):
        info = window_info(self.app.window())
        self.assertEqual(info["map"], "IsViewable")
        self.assertEqual((info["width"], info["height"]), (1100, 700))
        wait_for(lambda: "mainwindow show!" in self.app.log(), what="log line")
        self.assertRegex(self.app.log(), r"\[\d{4}/\d{6}\.\d{3}:INFO:cefapplication\] mainwindow show!")
        # The engine's cache sits in the temporary folder, whatever the working directory.
        self.assertTrue(os.path.isdir(os.path.join(tempfile.gettempdir(), "Cache")))

    def test_move_window(self):
        window = self.app.window()
        before = window_info(window)
        self.assertEqual(self.page.query("moveWindow:10,-5,1100,700"), {"ok": True, "code": 0, "text": ""})
        wait_for(lambda: window_info(window)["x"] == before["x"] + 10, what="moved window")
        after = window_info(window)
        self.assertEqual(after["y"], before["y"] - 5)
        self.assertIsNone(self.page.query("moveWindow:1,2,3", timeout_ms=300))
        self.assertIsNone(self.page.query("moveWindow", timeout_ms=300))

    def test_minimise_twice_restores(self):
        window = self.app.window()
        minimise = '{"funcname":"minisizeWindow"}'
        self.assertEqual(self.page.query(minimise), {"ok": True, "code": 0, "text": ""})
        wait_for(lambda: window_info(window)["map"] != "IsViewable", what="minimised")
        self.assertEqual(self.page.query(minimise), {"ok": True, "code": 0, "text": ""})
        wait_for(lambda: window_info(window)["map"] == "IsViewable", what="restored")


class SingleInstance(AppTestCase):
    def test_second_start_ends_and_shows_the_first(self):
        window = self.app.window()
        self.page.query('{"funcname":"minisizeWindow"}')
        wait_for(lambda: window_info(window)["map"] != "IsViewable", what="minimised")
        second = self.app.start_second()
        self.assertEqual(second.wait(20), 0)
        wait_for(lambda: window_info(window)["map"] == "IsViewable", what="first instance shown")
        self.assertIsNone(self.app.proc.poll())
        self.assertEqual(self.app.log().count("mainwindow show!"), 1)

    def test_dead_socket_is_taken_over(self):
        self.app.proc.kill()
        self.app.proc.wait()
        # The crashed instance left its socket file behind; a new start must still come up.
        restarted = App(args=())
        restarted.app_dir, restarted.env = self.app.app_dir, self.app.env
        restarted.port = self.app.port
        restarted.start()
        try:
            self.assertTrue(restarted.page.command("getConf")["ok"])
        finally:
            restarted.page.close()
            restarted.proc.terminate()
            restarted.proc.wait(10)


def remove_conf(app_dir):
    os.remove(os.path.join(app_dir, "Resources/profiles/conf.xml"))


def break_conf(app_dir):
    with open(os.path.join(app_dir, "Resources/profiles/conf.xml"), "w") as f:
        f.write("<root><client clientSize='1,2'></root")


class MissingSettings(AppTestCase):
    prepare = staticmethod(remove_conf)

    def test_getconf_fails(self):
        self.assertEqual(self.page.command("getConf"), {"ok": False, "code": 0, "text": "cant find conf.xml"})
        self.assertEqual(window_info(self.app.window())["width"], 800)


class MalformedSettings(AppTestCase):
    prepare = staticmethod(break_conf)

    def test_getconf_fails(self):
        self.assertEqual(self.page.command("getConf"), {"ok": False, "code": 0, "text": "cant find conf.xml"})


if __name__ == "__main__":
    unittest.main()
