#include "Dialogs.h"

#include "ResourceText.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace {
QString appTitle()
{
    return rsq(65233);
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
    return QMessageBox::question(parent, caption.isEmpty() ? appTitle() : caption, text,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
           == QMessageBox::Yes;
}

void QtDialogs::notify(QWidget* parent, const QString& text)
{
    QMessageBox::information(parent, appTitle(), text, QMessageBox::Ok);
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
