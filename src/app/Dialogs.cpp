#include "Dialogs.h"

#include "ResourceText.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QStringList>
#include <QUrl>

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
    // Every notice of the wizard tells of something refused or failed.
    QMessageBox box(QMessageBox::Warning, appTitle(), text, QMessageBox::Ok, parent);
    nameIcon(box, 65441);
    box.exec();
}

void addPlaces(QFileDialog& dialog, const QStringList& places)
{
    if (places.isEmpty())
        return;
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    QList<QUrl> urls = dialog.sidebarUrls();
    for (const QString& place : places) {
        const QUrl url = QUrl::fromLocalFile(place);
        if (!urls.contains(url))
            urls << url;
    }
    dialog.setSidebarUrls(urls);
}

QString QtDialogs::openFile(QWidget* parent, const QString& startDir, const QString& filter, const QStringList& places)
{
    QFileDialog dlg(parent, QString(), startDir, qtFileFilter(filter));
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setOption(QFileDialog::ReadOnly, false);
    addPlaces(dlg, places);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().first();
}

QString QtDialogs::saveFile(QWidget* parent, const QString& startPath, const QString& filter,
                            const QString& defaultSuffix, const QStringList& places)
{
    QFileDialog dlg(parent, QString(), startPath, qtFileFilter(filter));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setDefaultSuffix(defaultSuffix.startsWith(u'.') ? defaultSuffix.mid(1) : defaultSuffix);
    addPlaces(dlg, places);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().first();
}

Dialogs::SaveAnswer QtDialogs::askToSave(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, appTitle(), text, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                    parent);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    // Qt's own words for these two do not read as a question about saving in every language.
    box.button(QMessageBox::Save)->setText(rsq(65445));
    box.button(QMessageBox::Discard)->setText(rsq(65446));
    nameIcon(box, 65441);
    switch (box.exec()) {
    case QMessageBox::Save:
        return SaveAnswer::Save;
    case QMessageBox::Discard:
        return SaveAnswer::Discard;
    default:
        return SaveAnswer::Cancel;
    }
}
