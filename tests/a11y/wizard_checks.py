"""The wizard as a screen reader and a keyboard meet it: one whole road in English, from a new set
to the farewell page with the set saved and sent, and a walk of every page and dialog in German and
Polish. Every page and dialog met on the way is checked for controls without a name."""
import json
import math
import os
import re
import struct
import subprocess
import time
import wave

from atspi_kit import (App, Failure, descendants, describe, find, tab_faults, key, need, path_of, press, role, showing, text_of,
                       type_text, unnamed_controls, value_of, wait_for, children)
import lng

RATE = 18000
DIALOG_ROLES = ("dialog", "alert", "file chooser")


def make_wav(path, rate=22050, seconds=1.0, hz=440.0):
    """A sine that fades out: a rate the chime does not use, so the import converts it."""
    frames = int(rate * seconds)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        data = bytearray()
        for i in range(frames):
            v = 0.6 * (1.0 - i / frames) * math.sin(2 * math.pi * hz * i / rate)
            data += struct.pack("<h", int(v * 32767))
        w.writeframes(bytes(data))


class Context:
    def __init__(self, zelmar, zelmarctl, lang_dir, work):
        self.zelmar = zelmar
        self.zelmarctl = zelmarctl
        self.work = work
        self.texts = {n: lng.Texts(os.path.join(lang_dir, n + ".lng")) for n in ("English", "German", "Polish")}
        self.name_faults = {n: [] for n in self.texts}
        self.seen = {}
        self.tab_faults = []
        self.chime = os.path.join(work, "chime.bin")
        self.log = open(os.path.join(work, "wizard.log"), "ab")
        self.results = []
        self.only = []

    def check(self, name, fn, *args):
        """Runs one check and records its outcome; a failure names what it waited for."""
        if self.only and not any(o in name for o in self.only):
            return None
        t0 = time.monotonic()
        try:
            value = fn(*args)
            self.results.append((name, None))
            print("PASS %-48s %5.1f s" % (name, time.monotonic() - t0), flush=True)
            return value
        except (Failure, KeyError) as e:
            self.results.append((name, str(e)))
            print("FAIL %-48s %5.1f s\n     %s" % (name, time.monotonic() - t0, e), flush=True)
            return None

    def start(self, language, args=(), fault=None):
        env = dict(os.environ)
        env.pop("ZELMAR_VIRTUAL_CHIME", None)
        if fault:
            env["ZELMAR_VIRTUAL_FAULT"] = fault
        else:
            env.pop("ZELMAR_VIRTUAL_FAULT", None)
        argv = [self.zelmar, "--language", language, "--virtual-chime", self.chime] + list(args)
        return App(argv, "Zelmar", env=env, log=self.log)

    def audit(self, language, where, window, toolkit=False):
        """Records the window's faults, each once, with the first place it was met (a control's
        path without the window, whose caption changes with the set file). The toolkit's own file
        dialog is held to names only: its views and drop-down lists keep their rows showing while
        hidden, which is the toolkit's matter."""
        seen = self.seen.setdefault(language, set())
        for fault in unnamed_controls(window, exposure=not toolkit):
            inside = fault.split(" > ", 1)[-1]
            if inside not in seen:
                seen.add(inside)
                self.name_faults[language].append("%s: %s" % (where, fault))

    def ctl(self, *args):
        r = subprocess.run([self.zelmarctl] + list(args), capture_output=True, text=True)
        if r.returncode != 0:
            raise Failure("zelmarctl %s failed (%d): %s" % (" ".join(args), r.returncode, r.stderr.strip()))
        return r.stdout

    def info(self, path):
        return json.loads(self.ctl("info", "--json", path))


class Wizard:
    """One running wizard in one language, found and driven by what its user sees and hears."""

    def __init__(self, ctx, language, args=(), fault=None):
        self.ctx = ctx
        self.language = language
        self.T = ctx.texts[language]
        self.app = ctx.start(language, args, fault)
        self.title = self.T.resource(65233)
        self.main = self.app.wait_active("the main window '%s' to be active" % self.title,
                                         lambda w: self.title in w.name)

    def page(self, heading_control):
        """Waits until the main window is active and shows the page with this heading."""
        heading = self.T.caption(heading_control)
        try:
            self.main = self.app.wait_active(
                "the page '%s' in the active main window" % heading,
                lambda w: self.title in w.name and find(w, "label", heading) is not None)
        except Failure as e:
            active = self.app.active_window()
            seen = ", ".join(describe(o) for o in descendants(active) if role(o) in ("label", "push button"))[:400] \
                if active is not None else ""
            raise Failure("%s; active: %s showing %s" % (e, describe(active) if active else "none", seen))
        return self.main

    def dialog(self, what, probe):
        """The active dialog (a question box, a file dialog, one of the wizard's own) once probe holds."""
        return self.app.wait_active(what, lambda w: role(w) in DIALOG_ROLES and probe(w))

    def audit(self, where, window=None, toolkit=False, tab=False):
        window = window or self.app.active_window()
        self.ctx.audit(self.language, where, window, toolkit)
        if tab:
            self.ctx.tab_faults.extend("%s: %s" % (where, f) for f in tab_faults(self.app, window))

    def alt(self, control, section="TMainForm"):
        key(self.T.access_key(control, section), "Alt")

    def focus(self, what, probe):
        return self.app.wait_focus(what, probe)

    def button(self, text, window=None):
        return need(window or self.main, "push button", text)

    def close_from_farewell(self):
        """Close on the farewell page, which must end the program cleanly."""
        press(self.button(self.T.resource(65243)))
        code = self.app.wait_exit()
        if code != 0:
            raise Failure("the wizard ended with %d after Close" % code)

    def stop(self):
        self.app.stop()


def slider(window, maximum):
    """The showing slider that reaches `maximum`: 16 for the volume, 255 for a pause."""
    return next((o for o in descendants(window)
                 if role(o) == "slider" and o.queryValue().maximumValue == maximum), None)


def type_into(wz, what, text, replace=False, whole=False):
    """Types into the focused text field and waits until the field holds the text. `whole` puts
    the text in as assistive technology does, at once: a file dialog's completion list, which
    typing opens, would otherwise take the keys that follow."""
    field = wz.focus("the focus on %s" % what, lambda f: role(f) == "text")
    if whole:
        field.queryEditableText().setTextContents(text)
    else:
        if replace:
            key("a", "Control")
        type_text(text)
    wait_for("%s to hold '%s' in %s" % (what, text, path_of(field)), lambda: text_of(field).endswith(text))
    return field


def gone(obj):
    try:
        return not showing(obj)
    except Exception:
        return True


def accept_file(dlg):
    """Return in a file dialog's name field. A completion list the typing opened takes the first
    Return, so the key is pressed again while the dialog stays."""
    where = path_of(dlg)
    for _ in range(3):
        key("Return")
        try:
            return wait_for("%s to close" % where, lambda: gone(dlg), timeout=5)
        except Failure:
            continue
    raise Failure("%s stays open after Return with the file name typed" % where)


def choose_file(wz, what, path):
    """A file dialog of the toolkit: checked for names, the path put in, accepted."""
    dlg = wz.dialog(what, lambda w: True)
    wz.audit(what, dlg, toolkit=True)
    type_into(wz, "the file name field", path, whole=True)
    accept_file(dlg)


def list_items(lst):
    return [c.name for c in children(lst) if role(c) == "list item"]


def focused_list(wz, what):
    return wz.focus("the focus on %s" % what, lambda f: role(f) == "list")


def import_sound(wz, wav):
    """Page 3: Add, the file dialog, the conversion, the normalisation question answered No."""
    T = wz.T
    wz.alt("DodajDzwiek")
    choose_file(wz, "sound file dialog", wav)
    conversion = T.raw("TKonwersjaDlg", "Caption")
    # The question names the sound, which is named after its file.
    question = T.resource(65211).replace("%s", os.path.splitext(os.path.basename(wav))[0])

    def next_window(w):
        if find(w, "label", question) is not None:
            return w
        if w.name == conversion and role(w) != "alert":
            wz.audit("conversion dialog", w)   # seen only when the conversion lasts long enough
        return None
    box = wz.dialog("the normalisation question", next_window)
    wz.audit("normalisation question", box)
    key("Return")   # No is the default answer


def road(ctx, wav, saved):
    """A new set with one imported sound, a signal of it cut by keys, saved and sent, farewell."""
    wz = Wizard(ctx, "English", fault="latency-us=3000")
    T = wz.T
    result = {}
    try:
        wz.page("WitamyST")
        wz.audit("start page", tab=True)
        wz.alt("Dalej")
        wz.page("TwojZesatawSygnalowST")
        wz.audit("signal list, empty")
        wz.alt("NowySygnal")
        wz.page("TwojSygnalST")
        wz.audit("signal editor, new signal")
        wz.alt("ZmienDzwieki")
        wz.page("DostepneDzwiekiST")
        wz.audit("sound library, empty")

        import_sound(wz, wav)
        wz.page("DostepneDzwiekiST")
        wz.alt("DzwiekiL")
        library = focused_list(wz, "the sound library after the import")
        wait_for("the imported sound in the library", lambda: len(list_items(library)) == 1)
        wz.audit("sound library with a sound", tab=True)
        wz.alt("ZmienNazweDzwieku")
        wz.focus("the focus on the rename field", lambda f: role(f) == "text")
        wz.audit("sound library, renaming")
        type_into(wz, "the rename field", "Ding", replace=True)
        key("Return")
        wait_for("the renamed sound in the library", lambda: any("Ding" in n for n in list_items(library)))
        press(wz.button(T.resource(65241)))

        wz.page("TwojSygnalST")
        add_element(wz, row_keys=["Down"])   # the sound
        add_element(wz, row_keys=["Home"])   # a pause after it
        elements = element_list(wz)
        wait_for("the sound and the pause in the signal", lambda: len(list_items(elements)) == 3)
        key("Home")
        wait_for("the volume of the sound shown", lambda: slider(wz.main, 16))
        wz.audit("signal editor, a sound selected", tab=True)
        wz.alt("SygnalL")
        key("Down")
        wait_for("the pause length shown", lambda: slider(wz.main, 255))
        wz.audit("signal editor, a pause selected")
        ctx.check("keys: an element moved down and up", move_by_keys, wz, elements)

        wz.alt("SygnalL")
        key("Home")
        cut = ctx.check("keys: the fragment cut, shown as numbers", cut_by_keys, wz)
        result["cut"] = cut
        if cut is None:
            key("Escape")
        wz.page("TwojSygnalST")
        wz.alt("NazwaSygnaluL")
        type_into(wz, "the name field", "Front door", replace=True)
        press(wz.button(T.resource(65241)))

        wz.page("TwojZesatawSygnalowST")
        wz.audit("signal list with a signal", tab=True)
        wz.alt("Dalej")
        wz.page("GratulacjeST")
        wz.audit("save and send page", tab=True)
        wz.alt("Dalej")
        choose_file(wz, "save dialog", saved)
        transfer = T.raw("TKomunikacjaDlg", "Caption")
        wz.audit("transfer dialog", wz.dialog("the transfer dialog", lambda w: w.name == transfer))
        wz.page("DziekujemyST")
        wz.audit("farewell page", tab=True)
        wz.close_from_farewell()
    finally:
        wz.stop()
    return result


def element_list(wz):
    wz.alt("SygnalL")
    return focused_list(wz, "the element list")


def add_element(wz, row_keys):
    """Chooses a row of the sound choice list and presses '<<' with the keyboard alone."""
    wz.alt("DostepneDzwiekiL")
    choices = focused_list(wz, "the sound choice list")
    for k in row_keys:
        key(k)
    elements = element_list(wz)
    before = len(list_items(elements))
    wz.alt("DostepneDzwiekiL")
    focused_list(wz, "the sound choice list")
    key("Tab", "Shift")
    key("Tab", "Shift")
    add = wz.focus("the focus on the button that adds to the signal", lambda f: role(f) == "push button")
    key("space")
    wait_for("an element added by %s" % describe(add), lambda: len(list_items(elements)) == before + 1)
    return choices


def move_by_keys(wz, elements):
    """The keyboard's way for a drag: the selected element moves down and back up."""
    order = list_items(elements)
    key("Home")
    key("Down", "Control")
    swapped = [order[1].split(" ", 1)[1], order[0].split(" ", 1)[1]]
    wait_for("Ctrl+Down to move '%s' below '%s' in %s" % (order[0], order[1], path_of(elements)),
             lambda: [n.split(" ", 1)[1] for n in list_items(elements)[:2]] == swapped)
    key("Up", "Control")
    wait_for("Ctrl+Up to move it back in %s" % path_of(elements), lambda: list_items(elements) == order)


def seconds(text):
    return float(text.strip().split()[0])


def cut_by_keys(wz):
    """The fragment dialog: the start and end moved by keys, read back as numbers."""
    T = wz.T
    wz.alt("Zaawansowane")
    caption = T.raw("TFragmentDlg", "Caption")
    dlg = wz.dialog("the fragment dialog '%s'" % caption, lambda w: w.name == caption)
    wz.audit("fragment dialog", dlg, tab=True)
    try:
        start_label = T.caption("PoczatekL", "TFragmentDlg")
    except KeyError:
        raise Failure("%s: the fragment dialog has no start field to set by keys" % path_of(dlg))
    wz.alt("PoczatekL", "TFragmentDlg")
    start = wz.focus("the focus on the start field", lambda f: role(f) == "spin button")
    if start.name != start_label:
        raise Failure("%s: the focused start field is named '%s'" % (path_of(start), start.name))
    if value_of(start) != 0:
        raise Failure("%s: a whole sound starts at %s, not 0" % (path_of(start), value_of(start)))
    key("Page_Up")
    key("Up")
    key("Up")
    start_s = wait_for("the start to move by a long and two short steps",
                       lambda: value_of(start) if value_of(start) >= 0.12 else None)
    wz.alt("KoniecL", "TFragmentDlg")
    end = wz.focus("the focus on the end field", lambda f: role(f) == "spin button" and f.name != start.name)
    full = value_of(end)
    key("Page_Down")
    key("Page_Down")
    # Snapping puts the end on the first crossing after each step's target, a little later.
    end_s = wait_for("the end to move back by two long steps",
                     lambda: value_of(end) if value_of(end) <= full - 0.18 else None)
    if end_s < full - 0.21:
        raise Failure("%s: two long steps back moved the end from %.2f s to %.2f s" % (path_of(end), full, end_s))
    # Each figure is rounded on its own, so the length may differ from end less start by 0.01.
    lengths = wait_for("the length shown as a number in %s" % path_of(dlg),
                       lambda: [o.name for o in descendants(dlg)
                                if role(o) == "label" and re.fullmatch(r"\d+\.\d\d s", o.name)])
    if len(lengths) != 1 or abs(seconds(lengths[0]) - (end_s - start_s)) > 0.011:
        raise Failure("%s: the length shown is %s for a cut from %.2f s to %.2f s" % (path_of(dlg), lengths, start_s, end_s))
    shown = lengths[0].split()[0]
    wave_view = wait_for("the waveform's description to give the cut %.2f s to %.2f s, %s s long"
                         % (start_s, end_s, shown),
                         lambda: next((o for o in descendants(dlg)
                                       if all(n in o.description for n in ("%.2f" % start_s, "%.2f" % end_s, shown))),
                                      None))
    key("Return")
    return {"start_s": start_s, "end_s": end_s, "full_s": full, "wave": wave_view.description}


def check_files(ctx, saved, cut):
    """The saved set and the chime hold the signal as it was made (the cut as the dialog showed it,
    when it was set)."""
    info = ctx.info(saved)
    if len(info["signals"]) != 1 or info["signals"][0]["name"] != "Front door":
        raise Failure("saved set %s: signals %s" % (saved, [s["name"] for s in info["signals"]]))
    elements = info["signals"][0]["elements"]
    if len(elements) != 2 or elements[0]["sound"] != 1 or elements[1] != dict(elements[1], sound=0, pause=50):
        raise Failure("saved set: elements %s, not the sound and a pause of 0.50 s" % elements)
    e = elements[0]
    if (e["start"] - 1) % 8 != 0:
        raise Failure("saved set: the cut starts at sample %d, not at a block of 8" % e["start"])
    if cut and (abs((e["start"] - 1) / RATE - cut["start_s"]) > 0.0051 or abs(e["end"] / RATE - cut["end_s"]) > 0.0051):
        raise Failure("saved set: the cut %d..%d is not the %.2f s .. %.2f s the dialog showed"
                      % (e["start"], e["end"], cut["start_s"], cut["end_s"]))
    if info["sounds"][0]["name"] != "Ding":
        raise Failure("saved set: the sound is named %s" % info["sounds"][0]["name"])
    down = os.path.join(ctx.work, "downloaded.zmr")
    ctx.ctl("--virtual-chime", ctx.chime, "download", "-o", down)
    got = ctx.info(down)
    played = [x for x in got["signals"][0]["elements"]] if got["signals"] else []
    sound_len = sum(x["end"] - x["start"] + 1 for x in played if x["sound"])
    pauses = [x["pause"] for x in played if not x["sound"]]
    if len(got["signals"]) != 1 or sound_len != e["end"] - e["start"] + 1 or pauses != [50]:
        raise Failure("chime: signals %s do not play the %d samples and the pause that were sent"
                      % (got["signals"], e["end"] - e["start"] + 1))


def walk(ctx, language, set_file):
    """Every page and dialog in one language, reached by opening a set file from the start page."""
    wz = Wizard(ctx, language)
    T = wz.T
    try:
        wz.page("WitamyST")
        wz.audit("start page")
        press(need(wz.main, "radio button", T.caption("OdczytRB")))
        press(wz.button(T.caption("Dalej")))
        choose_file(wz, "open dialog", set_file)
        wz.page("TwojZesatawSygnalowST")
        wz.audit("signal list")
        press(wz.button(T.caption("ZmianaSygnalu")))
        wz.page("TwojSygnalST")
        element_list(wz)
        key("Home")
        key("Down")
        wait_for("the pause length shown", lambda: slider(wz.main, 255))
        wz.audit("signal editor, a pause selected")
        key("Up")
        wait_for("the volume shown", lambda: slider(wz.main, 16))
        wz.audit("signal editor, a sound selected")
        press(wz.button(T.caption("Zaawansowane")))
        caption = T.raw("TFragmentDlg", "Caption")
        wz.audit("fragment dialog", wz.dialog("the fragment dialog", lambda w: w.name == caption))
        key("Escape")
        wz.page("TwojSygnalST")
        press(wz.button(T.caption("ZmienDzwieki")))
        wz.page("DostepneDzwiekiST")
        wz.audit("sound library")
        press(wz.button(T.caption("ZmienNazweDzwieku")))
        wz.focus("the focus on the rename field", lambda f: role(f) == "text")
        wz.audit("sound library, renaming")
        key("Escape")
        press(wz.button(T.caption("Anuluj")))
        wz.page("TwojSygnalST")
        press(wz.button(T.caption("Anuluj")))
        wz.page("TwojZesatawSygnalowST")
        press(wz.button(T.caption("Dalej")))
        wz.page("GratulacjeST")
        wz.audit("save and send page")
        press(wz.button(T.resource(65242)))
        box = wz.dialog("the close question", lambda w: find(w, "label", T.resource(65237)) is not None)
        wz.audit("close question", box)
        key("Escape")
        wz.page("GratulacjeST")
        press(need(wz.main, "radio button", T.caption("ZamkniecieRB")))
        press(wz.button(T.caption("Dalej")))
        wz.page("DziekujemyST")
        wz.audit("farewell page")
        wz.close_from_farewell()
    finally:
        wz.stop()
