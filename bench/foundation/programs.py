"""The programs the benchmarks start: the driver itself, the bench host inside a copy of the
application directory, and the bare Qt WebEngine baselines. All are vesktest.App copies with
their own executable, standard input kept open and the engine's output in a file."""

import os
import shutil
import subprocess
import time

import vesktest


class Program(vesktest.App):
    def __init__(self, executable=None, args=(), prepare=None, env=None, copy_in=False):
        """executable: None for the copy's own vesk; copy_in puts the executable into the copy
        (a host of the program's code needs the application directory beside it)."""
        def prepare_copy(app_dir):
            if copy_in:
                shutil.copy2(executable, app_dir)
            if prepare:
                prepare(app_dir)
        super().__init__(prepare=prepare_copy, args=args, env=env)
        if executable is None:
            self.executable = os.path.join(self.app_dir, "vesk")
        elif copy_in:
            self.executable = os.path.join(self.app_dir, os.path.basename(executable))
        else:
            self.executable = executable
        self.stderr_path = os.path.join(self.dir, "stderr.txt")
        self.started_at = None

    def start(self, wait_page=True, url_suffix="view/index.html"):
        with open(self.stderr_path, "wb") as err:
            self.started_at = time.time()
            self.proc = subprocess.Popen([self.executable] + self.args, cwd=self.app_dir, env=self.env,
                                         stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=err)
        # App.connect reports an early end with the program's stderr: give it the file.
        self.proc.stderr = open(self.stderr_path, "rb")
        if wait_page:
            self.page = self.connect(url_suffix)
        return self

    def tell(self, line):
        self.proc.stdin.write((line + "\n").encode())
        self.proc.stdin.flush()

    def stop(self):
        if self.proc and self.proc.stdin:
            try:
                self.proc.stdin.close()
            except OSError:
                pass
        super().stop()

    def index_url(self):
        return "file://" + os.path.join(self.app_dir, "view", "index.html")
