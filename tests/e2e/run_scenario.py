#!/usr/bin/env python3
"""Runs one end-to-end scenario: run_scenario.py NAME --exe EXE --helper WININFO [--artifacts DIR] [--shots DIR]."""

import argparse
import os
import sys
import traceback

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness import Context, require_environment, stop_own_prefix, use_dpi_prefix, use_two_monitors  # noqa: E402
from scenarios import SCENARIOS  # noqa: E402
import ui_scenarios  # noqa: E402,F401  (registers its scenarios in SCENARIOS)
import edge_scenarios  # noqa: E402,F401  (registers its scenarios in SCENARIOS)
import launcher_scenarios  # noqa: E402,F401  (registers its scenarios in SCENARIOS)
import keeping_scenarios  # noqa: E402,F401  (registers its scenarios in SCENARIOS)
import dpi_scenarios  # noqa: E402,F401  (registers its scenarios in SCENARIOS)
import drop_scenarios  # noqa: E402,F401  (registers its scenarios in SCENARIOS)
import monitor_scenarios  # noqa: E402,F401  (registers its scenarios in SCENARIOS)
import keyboard_scenarios  # noqa: E402,F401  (registers its scenarios in SCENARIOS)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--exe", required=True)
    parser.add_argument("--helper", required=True)
    parser.add_argument("--artifacts", default=os.path.join(os.getcwd(), "e2e-artifacts"))
    parser.add_argument("--shots", default=None, help="where pictures of the windows go (default: --artifacts)")
    options = parser.parse_args()

    require_environment()
    # A scenario at another DPI runs in a prefix of its own, set to that DPI.
    dpi = os.environ.get("CORVALIS_E2E_DPI")
    if dpi:
        use_dpi_prefix(int(dpi))
    # One on two monitors, on an X server and in a prefix of its own.
    two_monitors = None
    if os.environ.get("CORVALIS_E2E_TWO_MONITORS"):
        os.makedirs(options.artifacts, exist_ok=True)
        two_monitors = use_two_monitors(options.artifacts)
    ctx = Context(options.scenario, options.exe, options.helper, options.artifacts, options.shots)
    try:
        SCENARIOS[options.scenario](ctx)
    except Exception:  # any failure: report it with a picture of the screen
        traceback.print_exc()
        ctx.screenshot("failure")
        print(f"FAIL {options.scenario} (screenshot in {options.artifacts})")
        return 1
    finally:
        ctx.cleanup()
        if dpi or two_monitors:
            stop_own_prefix()
        if two_monitors:
            two_monitors.terminate()
            two_monitors.wait(timeout=30)
    print(f"PASS {options.scenario}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
