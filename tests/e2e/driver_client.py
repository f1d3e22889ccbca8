"""The client of the test driver (tests/e2e/driver, built as e2e_driver.exe): one
`e2e_driver.exe serve` process per Driver, one request per line, JSON objects back.

    reply = driver.call("sample", hwnd=h)   # options become --key value; True gives a bare --key
    reply.ok, reply.one, reply.objects
"""

from __future__ import annotations

import contextlib
import json
import os
import select
import signal
import subprocess
import time
from pathlib import Path
from typing import Callable

from errors import HarnessError


def _log(text: str) -> None:
    print(text, flush=True)


class Reply:
    """The result of one driver command: exit code and the JSON objects it printed."""

    def __init__(self, command: list[str], rc: int, lines: list[str]):
        self.command = command
        self.rc = rc
        self.objects = []
        for line in lines:
            try:
                self.objects.append(json.loads(line))
            except ValueError:
                self.objects.append({"text": line})

    @property
    def ok(self) -> bool:
        return self.rc == 0

    @property
    def one(self) -> dict:
        return self.objects[0] if self.objects else {}

    def __repr__(self):
        return f"rc={self.rc} {json.dumps(self.objects, ensure_ascii=False)}"


class Driver:
    """One `e2e_driver.exe serve` process: requests go in on stdin, replies come back on stdout."""

    END = b"\x1e"

    def __init__(self, driver_exe: Path, env: dict, desktop: str | None = None, log: Callable[[str], None] = _log):
        self.driver_exe = driver_exe
        self.env = env
        self.desktop = desktop
        self.log = log
        self._proc: subprocess.Popen | None = None
        self._buffer = b""

    def _start(self) -> None:
        args = ["wine", str(self.driver_exe), "serve"]
        if self.desktop:
            args += ["--desktop", self.desktop]
        self._proc = subprocess.Popen(args, env=self.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                      stderr=subprocess.DEVNULL, start_new_session=True)
        self._buffer = b""

    def call(self, command: str, timeout: float = 20, **options) -> Reply:
        """Runs one command; options become --key value (True gives a bare --key)."""
        words = [command]
        for key, value in options.items():
            if value is None or value is False:
                continue
            words.append("--" + key.replace("_", "-"))
            if value is not True:
                words.append(str(value))
        if any("\t" in w or "\n" in w for w in words):
            raise HarnessError("driver arguments cannot hold tabs or line feeds")
        if "wait" in options and options["wait"]:
            timeout = max(timeout, int(options["wait"]) / 1000 + 10)
        if not self._proc or self._proc.poll() is not None:
            self._start()
        try:
            self._proc.stdin.write(("\t".join(words) + "\n").encode("utf-8"))
            self._proc.stdin.flush()
        except BrokenPipeError as e:
            self.close()
            raise HarnessError(f"the driver ended unexpectedly before `{command}`") from e
        lines = []
        deadline = time.monotonic() + timeout
        fd = self._proc.stdout.fileno()
        while True:
            newline = self._buffer.find(b"\n")
            if newline >= 0:
                line, self._buffer = self._buffer[:newline], self._buffer[newline + 1:]
                line = line.rstrip(b"\r")
                if line.startswith(self.END):
                    reply = Reply(words, int(line[1:] or b"1"), lines)
                    self.log(f"driver {' '.join(words)} -> {reply!r}"[:2000])
                    return reply
                lines.append(line.decode("utf-8", errors="replace"))
                continue
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                self.close()
                raise HarnessError(f"the driver did not answer `{' '.join(words)}` within {timeout:.0f} s")
            ready, _, _ = select.select([fd], [], [], remaining)
            if ready:
                chunk = os.read(fd, 65536)
                if not chunk:
                    self.close()
                    raise HarnessError(f"the driver ended while answering `{' '.join(words)}`")
                self._buffer += chunk

    def close(self) -> None:
        if not self._proc:
            return
        with contextlib.suppress(Exception):
            if self._proc.poll() is None:
                self._proc.stdin.write(b"exit\n")
                self._proc.stdin.flush()
                self._proc.wait(timeout=3)
        if self._proc.poll() is None:
            with contextlib.suppress(ProcessLookupError):
                os.killpg(self._proc.pid, signal.SIGKILL)
            self._proc.wait()
        for stream in (self._proc.stdin, self._proc.stdout):
            with contextlib.suppress(Exception):
                stream.close()
        self._proc = None

