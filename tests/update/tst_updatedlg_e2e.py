"""The update dialog in the running program, against nginx on loopback and the simulated
mouse: the start-up check offers client, page bundle and firmware; "Update" downloads all
three with the bar moving, the page bundle replaces view/, the mouse is flashed and comes back
running the new image, and after the program package the updater runs with "-update" once
the program has quit. With VESK_SCREENSHOT_DIR set, the dialog's pages are saved there."""

import json
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from vesktest import APP_DIR, App, free_port, wait_for, window_info  # noqa: E402

SHOTS = os.environ.get("VESK_SCREENSHOT_DIR")


class Nginx:
    """nginx serving a folder, the update service's reply from "upgrade.json"."""

    def __init__(self, root, directives=""):
        self.root = root
        self.state = tempfile.mkdtemp(prefix="vesk-nginx-")
        self.port = free_port()
        with open(os.path.join(self.state, "nginx.conf"), "w") as f:
            f.write("""%s daemon off; master_process off; pid %s/nginx.pid; error_log %s/error.log;
events { worker_connections 64; }
http { access_log %s/access.log; client_body_temp_path %s/body; proxy_temp_path %s/proxy;
  fastcgi_temp_path %s/fcgi; uwsgi_temp_path %s/uwsgi; scgi_temp_path %s/scgi;
  default_type application/octet-stream;
  server { listen 127.0.0.1:%d; root %s; %s
    location = /api/system/upgrade { default_type application/json; try_files /upgrade.json =404; } } }
""" % (("user root;" if os.geteuid() == 0 else ""), *([self.state] * 8), self.port, root, directives))
        self.proc = subprocess.Popen(["/usr/sbin/nginx", "-p", self.state, "-e", self.state + "/error.log",
                                      "-c", self.state + "/nginx.conf"])
        wait_for(lambda: self._up(), 10, what="nginx")

    def _up(self):
        import socket
        try:
            with socket.create_connection(("127.0.0.1", self.port), 0.2):
                return True
        except OSError:
            return False

    def url(self, path):
        return "http://127.0.0.1:%d/%s" % (self.port, path)

    def stop(self):
        self.proc.kill()
        self.proc.wait()
        shutil.rmtree(self.state, ignore_errors=True)


def run(*args):
    subprocess.run(list(args), check=True, stdout=subprocess.DEVNULL)


def package(folder, files, version, output):
    """A package built by vesk-pack from `files` (name -> bytes) under a folder "pkg"."""
    src = os.path.join(folder, "src-" + os.path.basename(output), "pkg")
    for name, data in files.items():
        os.makedirs(os.path.dirname(os.path.join(src, name)), exist_ok=True)
        with open(os.path.join(src, name), "wb") as f:
            f.write(data)
    run(os.path.join(APP_DIR, "vesk-pack"), "build", src, version, output)


def dialog_window(pid):
    def find():
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid), "--name", ".*"],
                             capture_output=True, text=True).stdout.split()
        for wid in out:
            info = window_info(wid)
            if info.get("width") == 600 and info.get("height") == 380 and info.get("map") == "IsViewable":
                return wid, info
        return None
    return wait_for(find, 60, what="update dialog")


def screenshot(info, name):
    if not SHOTS:
        return
    os.makedirs(SHOTS, exist_ok=True)
    run("import", "-window", "root", "-crop", "640x420+%d+%d" % (info["x"] - 20, info["y"] - 20), "+repage",
        os.path.join(SHOTS, name + ".png"))


def bar_fill(info):
    """Filled pixels along the middle row of the dialog's progress bar, read from the screen."""
    x, y = info["x"] + 57, info["y"] + 304
    out = subprocess.run(["import", "-window", "root", "-crop", "480x1+%d+%d" % (x, y), "txt:-"],
                         capture_output=True, text=True).stdout
    filled = 0
    for m in re.finditer(r"\((\d+),(\d+),(\d+)", out):
        r, g, b = (int(v) for v in m.groups())
        if r < 160 and b > 200:
            filled += 1
    return filled


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def click(wid, x, y):
    run("xdotool", "mousemove", "--window", wid, str(x), str(y))
    time.sleep(0.2)
    run("xdotool", "click", "1")


def hxctl(app, *args):
    return subprocess.run([os.path.join(app.app_dir, "hxctl")] + list(args), env=app.env,
                          capture_output=True, text=True).stdout


class UpdateDialogInTheProgram(unittest.TestCase):
    def setUp(self):
        self.served = tempfile.mkdtemp(prefix="vesk-served-")
        self.marker = os.path.join(self.served, "updater-ran.txt")
        self.updater = ("#!/bin/sh\necho \"$(pwd)|$*\" > '%s'\n" % self.marker).encode()
        self.nginx = Nginx(self.served, "location /slow/ { limit_rate 200k; } location /slower/ { limit_rate 200k; }")
        self.app = None

    def tearDown(self):
        if self.app:
            self.app.stop()
        self.nginx.stop()
        shutil.rmtree(self.served, ignore_errors=True)

    def offer(self, deployment, **urls):
        reply = {"code": 0, "ret": dict(type="0", deployment=deployment, **urls)}
        with open(os.path.join(self.served, "upgrade.json"), "w") as f:
            json.dump(reply, f)

    def start(self, close_func="hide"):
        server = "http://127.0.0.1:%d" % self.nginx.port

        def prepare(app_dir):
            conf = os.path.join(app_dir, "Resources", "profiles", "conf.xml")
            with open(conf, encoding="utf-8") as f:
                text = f.read()
            text = re.sub(r'updateServer="[^"]*"', 'updateServer="%s"' % server, text)
            text = re.sub(r'closeFunc="[^"]*"', 'closeFunc="%s"' % close_func, text)
            with open(conf, "w", encoding="utf-8") as f:
                f.write(text)
        self.app = App(prepare=prepare, env={"HXSIM_CONFIG": ""}).start()
        return self.app

    def client_package(self, path, padding):
        os.makedirs(os.path.dirname(os.path.join(self.served, path)), exist_ok=True)
        package(self.served, {"Updater.exe": self.updater, "vesk.new": random.Random(1).randbytes(padding)},
                "2.0.0", os.path.join(self.served, path))

    def test_all_three_packages(self):
        rng = random.Random(8)
        firmware = rng.randbytes(9000)
        fw_dir = tempfile.mkdtemp(dir=self.served)
        with open(os.path.join(fw_dir, "data"), "wb") as f:
            f.write(firmware)
        run(os.path.join(APP_DIR, "vesk-fwimage"), "build", os.path.join(fw_dir, "data"), os.path.join(fw_dir, "update.bin"))
        with open(os.path.join(fw_dir, "update.bin"), "rb") as f:
            package(self.served, {"update.bin": f.read()}, "1.3.0", os.path.join(self.served, "firmware.pkg"))
        os.makedirs(os.path.join(self.served, "slow"))
        os.makedirs(os.path.join(self.served, "slower"))
        package(self.served, {"index.html": b"<html><body>new bundle</body></html>",
                              "img/filler.bin": rng.randbytes(1400 * 1024)},
                "3.1.0", os.path.join(self.served, "slow", "html.pkg"))
        self.client_package("slower/client.pkg", 2400 * 1024)
        self.offer("client,html,firmware", clientPackage=self.nginx.url("slower/client.pkg"),
                   devicePackage=self.nginx.url("slow/html.pkg"), firmwarePackage=self.nginx.url("firmware.pkg"))

        app = self.start(close_func="closeapp")
        before = hxctl(app, "list")
        wid, info = dialog_window(app.proc.pid)
        screenshot(info, "update-offer")
        click(wid, 362, 272)  # "Update"

        fills = set()
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            fills.add(bar_fill(info))
            if len(fills) == 2:
                screenshot(info, "update-firmware")
            time.sleep(0.3)
        self.assertGreaterEqual(len(fills - {0}), 3, "the progress bar did not move: %s" % sorted(fills))

        # The firmware flashes while the others download: at about 4 s the mouse is found in
        # flashing mode, the blocks follow, the mouse verifies and restarts into the new image.
        expected = "firmware=%d:%08x" % (len(firmware), __import__("zlib").crc32(firmware))
        wait_for(lambda: expected in hxctl(app, "list") and " normal " in hxctl(app, "list"), 30,
                 what="the mouse back with the new firmware")
        self.assertNotIn(expected, before)
        if window_info(wid).get("map") == "IsViewable":
            screenshot(info, "update-verified")

        # The page bundle replaces view/ and closes the dialog.
        index = os.path.join(app.app_dir, "view", "index.html")
        wait_for(lambda: "new bundle" in read(index), 30, what="the new page bundle")
        wait_for(lambda: window_info(wid).get("map") != "IsViewable", 10, what="the dialog closing")
        self.assertTrue(os.path.exists(os.path.join(app.app_dir, "view", "img", "filler.bin")))

        # The program package arrives after the dialog closed and still arms the updater.
        updater = os.path.join(app.app_dir, "Updater.exe")
        wait_for(lambda: os.path.exists(updater), 30, what="the updater next to the program")
        self.assertTrue(os.access(updater, os.X_OK))
        conf = os.path.join(app.app_dir, "Resources", "profiles", "conf.xml")
        wait_for(lambda: 'version="2.0.0"' in read(conf), 10, what="the new version in conf.xml")

        self.assertFalse(os.path.exists(self.marker))
        try:
            app.page.command("closeApp")
        except Exception:
            pass  # the program may end before it answers
        app.proc.wait(30)
        ran = wait_for(lambda: os.path.exists(self.marker) and read(self.marker).strip(), 10,
                       what="the updater")
        self.assertEqual(ran, os.path.realpath(app.app_dir) + "|-update")
        self.assertIn("Application Info: executing %s/Updater.exe -update" % app.app_dir, app.log())

    def test_restart_now(self):
        self.client_package("client.pkg", 300 * 1024)
        self.offer("client", clientPackage=self.nginx.url("client.pkg"))
        app = self.start()
        wid, info = dialog_window(app.proc.pid)
        click(wid, 362, 272)  # "Update"
        updater = os.path.join(app.app_dir, "Updater.exe")
        wait_for(lambda: os.path.exists(updater), 30, what="the updater next to the program")
        time.sleep(0.5)
        screenshot(info, "update-restart")
        click(wid, 362, 272)  # "Restart Now"
        app.proc.wait(30)
        ran = wait_for(lambda: os.path.exists(self.marker) and read(self.marker).strip(), 10,
                       what="the updater")
        self.assertEqual(ran, os.path.realpath(app.app_dir) + "|-update")


if __name__ == "__main__":
    unittest.main()
