"""The texts of a shipped translation file, so that the tests find controls and access keys by what
the user sees in that language."""
import re


def decode(value):
    """A quoted value of the files: 'text', #NN for a character, '' for a quote inside."""
    out = []
    i = 0
    quoted = False
    while i < len(value):
        c = value[i]
        if quoted:
            if c == "'" and value[i + 1:i + 2] == "'":
                out.append("'")
                i += 2
                continue
            if c == "'":
                quoted = False
            else:
                out.append(c)
            i += 1
        elif c == "'":
            quoted = True
            i += 1
        elif c == "#":
            m = re.match(r"#(\d+)", value[i:])
            out.append(chr(int(m.group(1))) if m else chr(255))
            i += len(m.group(0)) if m else 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


class Texts:
    def __init__(self, path):
        self.sections = {}
        section = None
        with open(path, encoding="utf-8") as f:
            for line in f:
                line = line.strip()
                if not line or line.startswith(";"):
                    continue
                if line.startswith("[") and line.endswith("]"):
                    section = self.sections.setdefault(line[1:-1].strip().lower(), {})
                    continue
                if section is not None and "=" in line:
                    k, v = line.split("=", 1)
                    section.setdefault(k.strip().lower(), decode(v.strip()))

    def raw(self, section, key):
        try:
            return self.sections[section.lower()][key.lower()]
        except KeyError:
            raise KeyError("%s.%s is not in the translation file" % (section, key))

    def caption(self, control, section="TMainForm"):
        """A control's caption as assistive technology reads it: without the access-key mark."""
        return strip_mark(self.raw(section, control + ".Caption"))

    def access_key(self, control, section="TMainForm"):
        return access_key(self.raw(section, control + ".Caption"))

    def resource(self, number):
        return self.raw("ResourceStrings", str(number))


def strip_mark(text):
    return re.sub(r"&(.)", r"\1", text)


def access_key(text):
    m = re.search(r"&([^&])", text)
    if not m:
        raise KeyError("'%s' has no access key" % text)
    return m.group(1).lower()
