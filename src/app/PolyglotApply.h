#pragma once
// How one key of a translation file reaches a Qt window: "Dalej.Caption", "WitamyST.Font.Name",
// "ZestawLB.Items.Strings", "SygnalLB.Items.Item(2).Caption", "DoSygnalu.AccessibleName". The property names are the files'
// own; the table in PolyglotApply.cpp says what each one is in Qt.
#include <QString>

class QObject;
class QWidget;

namespace polyglot {

// Applies the key `path` with the raw `value` to `window`. A path that names no property, component
// or child control, and a value that does not fit its property, are ignored.
void applyKey(QWidget* window, const QString& path, const QString& value);

// Translates `window` from the section named after its class, when a translation file is open.
void translateWindow(QWidget* window);

// The name of a window's section: its class name ("TMainForm").
QString sectionName(const QObject* window);

} // namespace polyglot
