"""Runs the wizard's accessibility checks on a virtual display with a window manager, in a private
D-Bus session with its own accessibility bus, and says which checks failed.

usage: run_a11y.py ZELMAR ZELMARCTL LANG_DIR [--keep] [--only=PART_OF_A_CHECK_NAME]..."""
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
INNER = "ZELMAR_A11Y_SESSION"


def start_display(work):
    """Xvfb on the first free display, which it names itself, and a window manager on it, so that
    windows become active and take the keyboard as on a desktop."""
    r, w = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(w)
    number = b""
    deadline = time.monotonic() + 30
    while not number.endswith(b"\n"):
        ready, _, _ = select.select([r], [], [], max(0.0, deadline - time.monotonic()))
        chunk = os.read(r, 16) if ready else b""
        if not chunk:
            xvfb.kill()
            raise SystemExit("a11y: Xvfb did not start")
        number += chunk
    os.close(r)
    display = ":" + number.decode().strip()
    ready_file = os.path.join(work, "wm-ready")
    wm = subprocess.Popen(["openbox", "--sm-disable", "--config-file", os.path.join(HERE, "openbox-rc.xml"),
                           "--startup", "touch " + ready_file],
                          env=dict(os.environ, DISPLAY=display), stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL)
    while not os.path.exists(ready_file):
        if wm.poll() is not None or time.monotonic() > deadline:
            wm.kill()
            xvfb.kill()
            raise SystemExit("a11y: the window manager did not start")
        time.sleep(0.05)
    return display, [wm, xvfb]


def outer(argv):
    work = tempfile.mkdtemp(prefix="zelmar-a11y-")
    keep = "--keep" in argv
    procs = []
    code = 1
    try:
        display, procs = start_display(work)
        home = os.path.join(work, "home")
        runtime = os.path.join(work, "runtime")
        os.makedirs(home)
        os.makedirs(runtime, mode=0o700)
        env = dict(os.environ, DISPLAY=display, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                   XDG_DATA_HOME=os.path.join(home, ".local/share"), XDG_CACHE_HOME=os.path.join(home, ".cache"),
                   XDG_RUNTIME_DIR=runtime, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LANG="C.UTF-8",
                   LC_ALL="C.UTF-8", QT_LOGGING_RULES="qt.multimedia*=false;qt.accessibility*=false",
                   **{INNER: work})
        for name in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS",
                     "NO_AT_BRIDGE", "ZELMAR_DATA_DIR"):
            env.pop(name, None)
        # The session bus starts the accessibility bus on demand, with the display already set.
        # The buses and the registry say much that is no news; kept for a failure.
        with open(os.path.join(work, "session.log"), "wb") as log:
            code = subprocess.call(["dbus-run-session", "--", sys.executable, os.path.abspath(__file__)] + argv,
                                   env=env, stderr=log)
        if code != 0:
            with open(os.path.join(work, "session.log"), "rb") as log:
                sys.stdout.write(log.read().decode(errors="replace")[-4000:])
    finally:
        for p in procs:
            p.kill()
            p.wait()
        if code != 0 or keep:
            print("a11y: the wizard's output and the files are in %s" % work)
        else:
            shutil.rmtree(work, ignore_errors=True)
    return code


def inner(argv):
    sys.path.insert(0, HERE)
    import wizard_checks as wc
    from atspi_kit import Failure

    zelmar, zelmarctl, lang_dir = argv[:3]
    work = os.environ[INNER]
    ctx = wc.Context(zelmar, zelmarctl, lang_dir, work)
    wav = os.path.join(work, "sounds", "ding.wav")
    os.makedirs(os.path.dirname(wav))
    wc.make_wav(wav)
    saved = os.path.join(work, "sets", "front.zmr")
    os.makedirs(os.path.dirname(saved))
    walk_set = os.path.join(work, "sets", "walk.zmr")
    ctx.ctl("import", walk_set, wav)
    ctx.ctl("signal", "set", walk_set, "1", "sound=1", "pause=50", "--name", "walk")

    ctx.only = [a.split("=", 1)[1] for a in argv if a.startswith("--only=")]
    road = ctx.check("road: new set to farewell, by keys", wc.road, ctx, wav, saved)
    if road is not None:
        ctx.check("road: saved file and chime hold the signal", wc.check_files, ctx, saved, road.get("cut"))
    ctx.check("walk: German", wc.walk, ctx, "German", walk_set)
    ctx.check("walk: Polish", wc.walk, ctx, "Polish", walk_set)
    def tabbed():
        if ctx.tab_faults:
            raise Failure("%d faults of the Tab key:\n       %s" % (len(ctx.tab_faults), "\n       ".join(ctx.tab_faults)))
    if road is not None:
        ctx.check("keys: Tab reaches every control of each page", tabbed)
    for language, faults in ctx.name_faults.items():
        def named(faults=faults):
            if faults:
                raise Failure("%d reachable controls without a name or shown while hidden:\n       %s"
                              % (len(faults), "\n       ".join(faults)))
        if ctx.only == [] or faults:
            ctx.check("names: every reachable control, %s" % language, named)
    results = ctx.results
    failed = sum(1 for _, e in results if e)
    print("%d passed, %d failed" % (len(results) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    args = sys.argv[1:]
    sys.exit(inner(args) if os.environ.get(INNER) else outer(args))
