"""Drives the real program: a private copy of the application directory, the program started
with the engine's remote debugging port, and the page reached over the Chrome DevTools
Protocol. Shared by the end-to-end tests and the benchmarks."""

import json
import os
import shutil
import socket
import subprocess
import tempfile
import time
import unittest
import urllib.request

import websocket

APP_DIR = os.environ.get("VESK_APP_DIR", os.path.join(os.path.dirname(__file__), "../../build/app"))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(predicate, timeout=20.0, interval=0.05, what="condition"):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(interval)
    raise TimeoutError("timed out waiting for " + what)


class Page:
    """One DevTools target."""

    def __init__(self, ws_url):
        self.ws = websocket.create_connection(ws_url, timeout=30, suppress_origin=True)
        self.next_id = 0
        self.events = []

    def close(self):
        try:
            self.ws.close()
        except Exception:
            pass

    def call(self, method, **params):
        self.next_id += 1
        my_id = self.next_id
        self.ws.send(json.dumps({"id": my_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.ws.recv())
            if message.get("id") == my_id:
                if "error" in message:
                    raise RuntimeError("%s: %s" % (method, message["error"]))
                return message.get("result", {})
            self.events.append(message)

    def evaluate(self, expression, await_promise=True):
        result = self.call("Runtime.evaluate", expression=expression, awaitPromise=await_promise,
                           returnByValue=True)
        if "exceptionDetails" in result:
            raise RuntimeError("page exception: %s" % json.dumps(result["exceptionDetails"]))
        return result["result"].get("value")

    def query(self, request, timeout_ms=1500):
        """Sends one cefQuery; returns {"ok", "code", "text"} or None when no answer came."""
        script = """
            new Promise(function (resolve) {
                var timer = setTimeout(function () { resolve(null); }, %d);
                window.cefQuery({request: %s, persistent: false,
                    onSuccess: function (t) { clearTimeout(timer); resolve({ok: true, code: 0, text: t}); },
                    onFailure: function (c, m) { clearTimeout(timer); resolve({ok: false, code: c, text: m}); }});
            })""" % (timeout_ms, json.dumps(request))
        return self.evaluate(script)

    def command(self, funcname, timeout_ms=1500, **args):
        request = dict(funcname=funcname)
        request.update(args)
        return self.query(json.dumps(request, separators=(",", ":")), timeout_ms)

    def wait_ready(self, timeout=20.0):
        wait_for(lambda: self.evaluate("document.readyState === 'complete' && typeof window.cefQuery === 'function'"),
                 timeout, what="page ready")


class App:
    """A running copy of the program in its own application directory."""

    def __init__(self, prepare=None, args=(), env=None):
        self.dir = tempfile.mkdtemp(prefix="vesk-e2e-")
        self.app_dir = os.path.join(self.dir, "app")
        shutil.copytree(APP_DIR, self.app_dir, ignore=shutil.ignore_patterns("web.log", "screenshot.png"))
        if prepare:
            prepare(self.app_dir)
        self.port = free_port()
        self.instance = "vesk-e2e-%d-%d" % (os.getpid(), self.port)
        self.env = dict(os.environ)
        self.env.update({"QTWEBENGINE_REMOTE_DEBUGGING": "127.0.0.1:%d" % self.port,
                         "VESK_INSTANCE_NAME": self.instance,
                         "HXSIM_STATE_DIR": os.path.join(self.dir, "hxsim-state")})
        self.env.pop("QT_QPA_PLATFORM", None)
        if env:
            self.env.update(env)
        self.args = list(args)
        self.proc = None
        self.page = None

    def start(self, wait_page=True):
        self.proc = subprocess.Popen([os.path.join(self.app_dir, "vesk")] + self.args, cwd=self.app_dir,
                                     env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        if wait_page:
            self.page = self.connect()
            self.page.wait_ready()
        return self

    def start_second(self, args=()):
        """Starts another copy against the same instance name; returns its process."""
        return subprocess.Popen([os.path.join(self.app_dir, "vesk")] + list(args), cwd=self.app_dir,
                                env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def targets(self):
        try:
            with urllib.request.urlopen("http://127.0.0.1:%d/json" % self.port, timeout=2) as r:
                return json.loads(r.read().decode())
        except Exception:
            return []

    def connect(self, url_suffix="view/index.html", timeout=30.0):
        def find():
            if self.proc.poll() is not None:
                raise RuntimeError("the program ended early: %s" % self.proc.stderr.read().decode(errors="replace"))
            for t in self.targets():
                if t.get("type") == "page" and t.get("url", "").endswith(url_suffix):
                    return t
            return None
        target = wait_for(find, timeout, what="page target " + url_suffix)
        return Page(target["webSocketDebuggerUrl"])

    def log(self):
        try:
            with open(os.path.join(self.app_dir, "web.log"), encoding="utf-8") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def window(self):
        """The X window id of the main window."""
        def find():
            out = subprocess.run(["xdotool", "search", "--pid", str(self.proc.pid), "--name", "^Brimlock Driver$"],
                                 capture_output=True, text=True).stdout.split()
            return out[0] if out else None
        return wait_for(find, 20, what="main window")

    def stop(self):
        if self.page:
            self.page.close()
            self.page = None
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        shutil.rmtree(self.dir, ignore_errors=True)


def window_info(window_id):
    """Map state and geometry of an X window, from xwininfo."""
    out = subprocess.run(["xwininfo", "-id", str(window_id)], capture_output=True, text=True).stdout
    info = {}
    for line in out.splitlines():
        line = line.strip()
        for key, name in (("Absolute upper-left X:", "x"), ("Absolute upper-left Y:", "y"),
                          ("Width:", "width"), ("Height:", "height"), ("Map State:", "map")):
            if line.startswith(key):
                value = line[len(key):].strip()
                info[name] = value if name == "map" else int(value)
    return info


class AppTestCase(unittest.TestCase):
    """A test with one running program, started fresh for each test."""

    prepare = None
    args = ()

    def setUp(self):
        self.app = App(prepare=type(self).prepare, args=self.args).start()
        self.page = self.app.page

    def tearDown(self):
        self.app.stop()
