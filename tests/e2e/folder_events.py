"""Changes to the files of a folder as Linux reports them (inotify), read without waiting: the
moment the program creates, writes or moves a file there, to the tenth of a millisecond."""

from __future__ import annotations

import ctypes
import os
import select
import struct

_libc = ctypes.CDLL(None, use_errno=True)
IN_MODIFY, IN_CLOSE_WRITE, IN_MOVED_TO, IN_CREATE, IN_DELETE = 0x2, 0x8, 0x80, 0x100, 0x200
IN_NONBLOCK = os.O_NONBLOCK
_EVENT = struct.Struct("iIII")  # wd, mask, cookie, len


class FolderEvents:
    def __init__(self, folder, mask: int = IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE):
        self.fd = _libc.inotify_init1(IN_NONBLOCK)
        if self.fd < 0:
            raise OSError(ctypes.get_errno(), "inotify_init1")
        if _libc.inotify_add_watch(self.fd, os.fsencode(str(folder)), mask) < 0:
            os.close(self.fd)
            raise OSError(ctypes.get_errno(), "inotify_add_watch")

    def drain(self) -> list[tuple[int, str]]:
        """The events that came since the last look: (mask, file name)."""
        events = []
        while True:
            try:
                data = os.read(self.fd, 65536)
            except BlockingIOError:
                return events
            pos = 0
            while pos < len(data):
                _, mask, _, length = _EVENT.unpack_from(data, pos)
                name = data[pos + _EVENT.size:pos + _EVENT.size + length].split(b"\0", 1)[0].decode(errors="replace")
                events.append((mask, name))
                pos += _EVENT.size + length

    def wait(self, names: set[str], timeout: float) -> list[tuple[int, str]]:
        """Waits until an event of one of these files comes; returns the events seen (empty when
        the time ran out)."""
        seen = []
        ready, _, _ = select.select([self.fd], [], [], timeout)
        while ready:
            seen += self.drain()
            if any(name in names for _, name in seen):
                return seen
            ready, _, _ = select.select([self.fd], [], [], timeout)
        return []

    def close(self) -> None:
        os.close(self.fd)
