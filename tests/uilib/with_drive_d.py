#!/usr/bin/env python3
"""Runs a command with drive D: of the Wine prefix mapped to a fresh scratch folder.

    with_drive_d.py COMMAND [ARGS...]

The mapping is the symbolic link $WINEPREFIX/dosdevices/d: (Wine resolves drive
letters through that folder on every access). A D: that existed before is put back
afterwards, and the scratch folder is removed. The command sees
CORVALIS_TEST_DRIVE_D=1. The exit status is the command's.
"""

import os
import shutil
import subprocess
import sys
import tempfile


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    prefix = os.environ.get("WINEPREFIX")
    if not prefix or not os.path.isdir(os.path.join(prefix, "dosdevices")):
        print("with_drive_d.py: WINEPREFIX does not name a prepared Wine prefix", file=sys.stderr)
        return 2
    link = os.path.join(prefix, "dosdevices", "d:")
    previous = os.readlink(link) if os.path.islink(link) else None
    if previous is None and os.path.lexists(link):
        print(f"with_drive_d.py: {link} exists and is no link; not touching it", file=sys.stderr)
        return 2
    scratch = tempfile.mkdtemp(prefix="corvalis-drive-d-")
    try:
        if previous is not None:
            os.remove(link)
        os.symlink(scratch, link)
        environment = dict(os.environ, CORVALIS_TEST_DRIVE_D="1")
        return subprocess.call(sys.argv[1:], env=environment)
    finally:
        if os.path.lexists(link):
            os.remove(link)
        if previous is not None:
            os.symlink(previous, link)
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
