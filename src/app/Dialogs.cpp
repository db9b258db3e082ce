#include "Dialogs.h"

#include "ResourceText.h"

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QStringList>

namespace {
QString appTitle()
{
    return rsq(65233);
}

// The box's icon is a picture a screen reader meets: it says what kind of box this is.
void nameIcon(QMessageBox& box, int resource)
{
    if (auto* icon = box.findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label")))
        icon->setAccessibleName(QString::fromStdString(zelmar::rs(resource)));
}
} // namespace

QString qtFileFilter(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        QString desc = parts[i];
        // The description often repeats the patterns in brackets already; Qt reads the last bracket.
        if (desc.contains(u'('))
            desc = desc.left(desc.indexOf(u'(')).trimmed();
        out << desc + " (" + patterns + ")";
    }
    return out.join(";;");
}

bool QtDialogs::ask(QWidget* parent, const QString& text, const QString& caption)
{
    QMessageBox box(QMessageBox::Question, caption.isEmpty() ? appTitle() : caption, text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    nameIcon(box, 65370);
    return box.exec() == QMessageBox::Yes;
}

void QtDialogs::notify(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Information, appTitle(), text, QMessageBox::Ok, parent);
    nameIcon(box, 65371);
    box.exec();
}

QString QtDialogs::openFile(QWidget* parent, const QString& startDir, const QString& filter)
{
    QFileDialog dlg(parent, QString(), startDir, qtFileFilter(filter));
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setOption(QFileDialog::ReadOnly, false);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().first();
}

QString QtDialogs::saveFile(QWidget* parent, const QString& startPath, const QString& filter,
                            const QString& defaultSuffix)
{
    QFileDialog dlg(parent, QString(), startPath, qtFileFilter(filter));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setDefaultSuffix(defaultSuffix.startsWith(u'.') ? defaultSuffix.mid(1) : defaultSuffix);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().first();
}
