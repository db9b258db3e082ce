#include "PolyglotApply.h"

#include "PageKit.h"
#include "i18n/CorePolyglot.h"
#include "i18n/Literals.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QScreen>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <queue>

namespace polyglot {

namespace {

using zelmar::i18n::decodeLiteral;
using zelmar::i18n::integerValue;

QString literal(const QString& value)
{
    return QString::fromStdString(decodeLiteral(value.toStdString()));
}

// An identifier of an enumeration, letter case ignored; -1 when the value names none.
int enumValue(const QString& value, std::initializer_list<const char*> identifiers)
{
    int i = 0;
    for (const char* id : identifiers) {
        if (value.trimmed().compare(QLatin1String(id), Qt::CaseInsensitive) == 0)
            return i;
        ++i;
    }
    return -1;
}

void setBoolean(const QString& value, const std::function<void(bool)>& set)
{
    const int v = enumValue(value, {"False", "True"});
    if (v >= 0)
        set(v == 1);
}

template <typename T>
T* as(QObject* o)
{
    return qobject_cast<T*>(o);
}

QWidget* widget(QObject* o)
{
    return o->isWidgetType() ? static_cast<QWidget*>(o) : nullptr;
}

// Taller than any window of the program: a larger font shows nothing more, it only costs the
// memory and time to draw its letters.
constexpr int kMaxFontSize = 500;

// A key may move a widget as far as it stays in sight: its top left corner in its room, and a part
// of it at least this wide and tall. A wide control may still run past the edge, as it always could.
constexpr int kInSight = 16;

// The room a widget may take, in the coordinates it is placed in: its window's rectangle for a
// control, the screen's free area for a window. A key may make a widget as large as its room.
QRect roomOf(QWidget* w)
{
    if (w->isWindow()) {
        const QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
        return screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    }
    QWidget* window = w->window();
    return QRect(-w->parentWidget()->mapTo(window, QPoint(0, 0)), window->size());
}

// A place or size of a file, which is the design's, in the pixels of the screen.
long long designed(const QString& value)
{
    return std::llround(double(integerValue(value.toStdString())) * pagekit::scale());
}

// `value` within low ... high; low when the room is smaller than that.
int within(long long value, int low, int high)
{
    return int(std::clamp<long long>(value, low, std::max(low, high)));
}

// "[fsBold,fsItalic]": every identifier must be known, or the value does not fit.
void setFontStyle(QWidget* w, const QString& value)
{
    QString v = value.trimmed();
    if (v.startsWith(u'[') && v.endsWith(u']'))
        v = v.mid(1, v.size() - 2);
    bool bold = false, italic = false, underline = false, strike = false;
    for (const QString& part : v.split(u',', Qt::SkipEmptyParts)) {
        switch (enumValue(part, {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"})) {
        case 0: bold = true; break;
        case 1: italic = true; break;
        case 2: underline = true; break;
        case 3: strike = true; break;
        default: return;
        }
    }
    QFont f = w->font();
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    f.setStrikeOut(strike);
    w->setFont(f);
}

void setFont(QWidget* w, const QString& rest, const QString& value)
{
    const QString part = rest.section(u'.', 0, 0);
    QFont f = w->font();
    if (part.compare(QLatin1String("Name"), Qt::CaseInsensitive) == 0) {
        const QString family = literal(value);
        if (family.isEmpty())
            return;
        f.setFamily(family);
    } else if (part.compare(QLatin1String("Size"), Qt::CaseInsensitive) == 0) {
        const int size = integerValue(value.toStdString());
        if (size <= 0)
            return;
        f.setPointSize(std::min(size, kMaxFontSize));
    } else if (part.compare(QLatin1String("Height"), Qt::CaseInsensitive) == 0) {
        // Negative heights are the characters' own height in pixels, as the files write them; the
        // most negative integer has no positive counterpart.
        const long long height = std::llabs(static_cast<long long>(integerValue(value.toStdString())));
        if (height == 0)
            return;
        f.setPixelSize(int(std::min<long long>(std::llround(double(height) * pagekit::scale()), kMaxFontSize)));
    } else if (part.compare(QLatin1String("Style"), Qt::CaseInsensitive) == 0) {
        setFontStyle(w, value);
        return;
    } else {
        return;
    }
    w->setFont(f);
}

// A list's items: "Strings" replaces them all; "Item(i).Caption" or "Item(i).Hint" changes one.
void setItems(QObject* o, const QString& rest, const QString& value)
{
    auto* list = as<QListWidget>(o);
    if (rest.compare(QLatin1String("Strings"), Qt::CaseInsensitive) == 0) {
        list->clear();
        for (const std::string& item : zelmar::i18n::splitItems(value.toStdString()))
            list->addItem(QString::fromStdString(item));
        return;
    }
    static const QRegularExpression item(QStringLiteral("^[^.(]*\\(([^)]*)\\)\\.(.+)$"));
    const QRegularExpressionMatch m = item.match(rest);
    if (!m.hasMatch())
        return;
    bool ok = false;
    const int index = m.captured(1).trimmed().toInt(&ok);
    if (!ok || index < 0 || index >= list->count())
        return;
    const QString property = m.captured(2);
    const bool caption = property.compare(QLatin1String("Caption"), Qt::CaseInsensitive) == 0
                         || property.compare(QLatin1String("Text"), Qt::CaseInsensitive) == 0;
    const bool hint = property.compare(QLatin1String("Hint"), Qt::CaseInsensitive) == 0;
    if (caption)
        list->item(index)->setText(literal(value));
    else if (hint)
        list->item(index)->setToolTip(literal(value));
}

// What each property name of the files is in Qt. `has` says whether an object has the property;
// `set` takes the raw value and the rest of the path (for the properties that are objects).
struct Property {
    const char* name;
    std::function<bool(QObject*)> has;
    std::function<void(QObject*, const QString& rest, const QString& value)> set;
};

bool anyWidget(QObject* o)
{
    return o->isWidgetType();
}

const std::vector<Property>& properties()
{
    static const std::vector<Property> table = {
        {"Caption",
         [](QObject* o) {
             QWidget* w = widget(o);
             return w && (w->isWindow() || as<QAbstractButton>(o) || as<QLabel>(o) || as<QGroupBox>(o));
         },
         [](QObject* o, const QString&, const QString& v) {
             const QString text = literal(v);
             if (auto* b = as<QAbstractButton>(o))
                 b->setText(text);
             else if (auto* l = as<QLabel>(o))
                 l->setText(text);
             else if (auto* g = as<QGroupBox>(o))
                 g->setTitle(text);
             else
                 widget(o)->setWindowTitle(text);
         }},
        {"Text", [](QObject* o) { return as<QLineEdit>(o) || as<QLabel>(o) || as<QAbstractButton>(o); },
         [](QObject* o, const QString&, const QString& v) {
             const QString text = literal(v);
             if (auto* e = as<QLineEdit>(o))
                 e->setText(text);
             else if (auto* l = as<QLabel>(o))
                 l->setText(text);
             else
                 as<QAbstractButton>(o)->setText(text);
         }},
        {"Hint", anyWidget,
         [](QObject* o, const QString&, const QString& v) { widget(o)->setToolTip(literal(v)); }},
        {"Left", anyWidget,
         [](QObject* o, const QString&, const QString& v) {
             QWidget* w = widget(o);
             const QRect room = roomOf(w);
             const int seen = std::min(w->width(), kInSight);
             w->move(within(designed(v), room.left(), room.right() + 1 - seen), w->y());
         }},
        {"Top", anyWidget,
         [](QObject* o, const QString&, const QString& v) {
             QWidget* w = widget(o);
             const QRect room = roomOf(w);
             const int seen = std::min(w->height(), kInSight);
             w->move(w->x(), within(designed(v), room.top(), room.bottom() + 1 - seen));
         }},
        {"Width", anyWidget,
         [](QObject* o, const QString&, const QString& v) {
             QWidget* w = widget(o);
             w->resize(within(designed(v), 0, roomOf(w).width()), w->height());
         }},
        {"Height", anyWidget,
         [](QObject* o, const QString&, const QString& v) {
             QWidget* w = widget(o);
             w->resize(w->width(), within(designed(v), 0, roomOf(w).height()));
         }},
        // A window shows itself when the program says so, never because a file did.
        {"Visible", [](QObject* o) { return o->isWidgetType() && !widget(o)->isWindow(); },
         [](QObject* o, const QString&, const QString& v) { setBoolean(v, [o](bool on) { widget(o)->setVisible(on); }); }},
        {"Enabled", anyWidget,
         [](QObject* o, const QString&, const QString& v) { setBoolean(v, [o](bool on) { widget(o)->setEnabled(on); }); }},
        {"Alignment", [](QObject* o) { return as<QLabel>(o) != nullptr; },
         [](QObject* o, const QString&, const QString& v) {
             static const Qt::Alignment kinds[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter};
             const int k = enumValue(v, {"taLeftJustify", "taRightJustify", "taCenter"});
             if (k >= 0) {
                 auto* l = as<QLabel>(o);
                 l->setAlignment((l->alignment() & ~Qt::AlignHorizontal_Mask) | kinds[k]);
             }
         }},
        // What a screen reader says of a control, where its visible text says too little or nothing.
        {"AccessibleName", anyWidget,
         [](QObject* o, const QString&, const QString& v) { widget(o)->setAccessibleName(literal(v)); }},
        {"AccessibleDescription", anyWidget,
         [](QObject* o, const QString&, const QString& v) { widget(o)->setAccessibleDescription(literal(v)); }},
        {"Font", anyWidget, [](QObject* o, const QString& rest, const QString& v) { setFont(widget(o), rest, v); }},
        {"Items", [](QObject* o) { return as<QListWidget>(o) != nullptr; }, setItems},
    };
    return table;
}

const Property* findProperty(QObject* o, const QString& name)
{
    for (const Property& p : properties()) {
        if (name.compare(QLatin1String(p.name), Qt::CaseInsensitive) == 0 && p.has(o))
            return &p;
    }
    return nullptr;
}

bool named(const QObject* o, const QString& name)
{
    return !o->objectName().isEmpty() && o->objectName().compare(name, Qt::CaseInsensitive) == 0;
}

// What a window owns: every object inside it, nearest first, but not what belongs to another
// window made inside it (the dialogs of the main window answer to their own sections).
QObject* ownedComponent(QWidget* window, const QString& name)
{
    std::queue<QObject*> pending;
    pending.push(window);
    while (!pending.empty()) {
        QObject* o = pending.front();
        pending.pop();
        for (QObject* c : o->children()) {
            if (c->isWidgetType() && static_cast<QWidget*>(c)->isWindow())
                continue;
            if (named(c, name))
                return c;
            pending.push(c);
        }
    }
    return nullptr;
}

QWidget* childControl(QObject* o, const QString& name)
{
    for (QObject* c : o->children()) {
        if (c->isWidgetType() && !static_cast<QWidget*>(c)->isWindow() && named(c, name))
            return static_cast<QWidget*>(c);
    }
    return nullptr;
}

} // namespace

QString sectionName(const QObject* window)
{
    return QString::fromLatin1(window->metaObject()->className());
}

void applyKey(QWidget* window, const QString& path, const QString& value)
{
    QObject* current = window;
    QString rest = path;
    // Each step goes one name deeper; a path has as many steps as dots, so this ends.
    while (current) {
        const qsizetype dot = rest.indexOf(u'.');
        const QString head = dot < 0 ? rest : rest.left(dot);
        const QString tail = dot < 0 ? QString() : rest.mid(dot + 1);
        if (head.isEmpty())
            return;
        if (const Property* p = findProperty(current, head)) {
            p->set(current, tail, value);
            return;
        }
        QObject* next = current == window ? ownedComponent(window, head) : nullptr;
        if (!next)
            next = childControl(current, head);
        current = next;
        rest = tail;
    }
}

void translateWindow(QWidget* window)
{
    zelmar::i18n::TbsCorePolyglot* core = zelmar::i18n::TbsCorePolyglot::assigned();
    if (!core)
        return;
    core->forEachKey(sectionName(window).toStdString(), [window](const std::string& key, const std::string& value) {
        applyKey(window, QString::fromStdString(key), QString::fromStdString(value));
    });
}

} // namespace polyglot
