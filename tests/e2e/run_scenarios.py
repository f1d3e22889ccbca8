#!/usr/bin/env python3
"""Runs the scenarios of end-to-end test files against the real program under Wine.

    run_scenarios.py --exe dist/pomki_pet.exe --driver build/win/e2e_driver.exe \\
                     --replay build/native/pomki_replay --work build/native/e2e \\
                     tests/e2e/test_foundation.py [--only NAME] [--repeat N]

Each `scenario_*` function of a file runs in the order written, one at a time; with --repeat N
each chosen scenario runs N times in a row, in one Wine environment (a loop to catch races:
`--only left_click_and_drag --repeat 50`); the folder of a failed run in such a loop is kept
beside the scenario's own as NAME.failed-runK. A case of a scenario that cannot run here is
reported as "SKIP file.scenario[case]: reason". The last line printed is "N passed, N failed"
(", N skipped" when some could not run here).

Where things are: scenario.py (what a scenario works with), savefile.py (the save file's
codec), constants.py (the program's ids and texts), walk.py (watching the pet and judging its
walk), driver_client.py (the test driver), wine_env.py (display, prefix and wineserver; the
prefix recipe itself is tools/wine_prefix.py).
"""

from __future__ import annotations

import argparse
import importlib.util
import shutil
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from errors import HarnessError, Skip  # noqa: E402
from scenario import Scenario  # noqa: E402
from wine_env import Environment, wine_prefix  # noqa: E402


def load_scenarios(path: Path):
    loader_spec = importlib.util.spec_from_file_location(f"e2e_{path.stem}", path)
    module = importlib.util.module_from_spec(loader_spec)
    loader_spec.loader.exec_module(module)
    return [(name, fn) for name, fn in vars(module).items() if name.startswith("scenario_") and callable(fn)]


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", required=True, type=Path)
    parser.add_argument("--driver", required=True, type=Path)
    parser.add_argument("--replay", required=True, type=Path, help="pomki_replay, the trace replay (native build)")
    parser.add_argument("--work", required=True, type=Path)
    parser.add_argument("--only", action="append", default=[], help="run only scenarios whose name holds this text")
    parser.add_argument("--repeat", type=int, default=1, help="run each chosen scenario this many times in a row")
    parser.add_argument("files", nargs="+", type=Path)
    args = parser.parse_args()

    passed = failed = skipped = 0
    started = time.monotonic()
    environment = Environment(args.work, args.exe, args.driver, args.replay)
    try:
        environment.start()
    except (HarnessError, wine_prefix.PrefixError) as e:
        print(f"e2e: cannot set up: {e}", flush=True)
        environment.stop()
        print("0 passed, 1 failed")
        return 1
    try:
        for path in args.files:
            for name, fn in load_scenarios(path):
                short = name[len("scenario_"):]
                if args.only and not any(o in short for o in args.only):
                    continue
                failures_here = 0
                for run in range(1, args.repeat + 1):
                    scenario = Scenario(environment, path.stem, short)
                    t0 = time.monotonic()
                    outcome, detail = "PASS", ""
                    try:
                        fn(scenario)
                        scenario.close()
                        scenario.replay_traces()
                        passed += 1
                    except Skip as e:
                        outcome, detail = "SKIP", f": {e}"
                        skipped += 1
                    except Exception as e:  # a failing scenario must not stop the others
                        outcome, detail = "FAIL", f": {str(e)[:300]}"
                        failed += 1
                        failures_here += 1
                        print(scenario.report(e), flush=True)
                    finally:
                        scenario.close()
                        if outcome == "FAIL" or scenario.restart_wine_after:
                            environment.restart_wine()
                        if outcome == "FAIL" and args.repeat > 1:
                            # The next run starts from a fresh folder: keep this one to be studied.
                            kept = scenario.folder.with_name(f"{scenario.folder.name}.failed-run{run}")
                            shutil.rmtree(kept, ignore_errors=True)
                            scenario.folder.rename(kept)
                            print(f"  the failed run's folder is kept in {kept}", flush=True)
                    for case, reason in scenario.skipped_cases:
                        print(f"SKIP {path.stem}.{short}[{case}]: {reason}", flush=True)
                        skipped += outcome != "SKIP"  # a skipped scenario is counted once
                    counter = f" [run {run}/{args.repeat}]" if args.repeat > 1 else ""
                    print(f"{outcome} {path.stem}.{short}{counter} ({time.monotonic() - t0:.1f} s){detail}", flush=True)
                if args.repeat > 1:
                    print(f"LOOP {path.stem}.{short}: {args.repeat - failures_here} of {args.repeat} runs passed",
                          flush=True)
    finally:
        environment.stop()
    print(f"e2e: {time.monotonic() - started:.1f} s", flush=True)
    print(f"{passed} passed, {failed} failed" + (f", {skipped} skipped" if skipped else ""))
    return 1 if failed or not passed and not skipped else 0


if __name__ == "__main__":
    sys.exit(main())
