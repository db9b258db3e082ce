#include "Dialogs.h"
#include "MainForm.h"

#include <QApplication>

#include <clocale>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Numbers in texts are written with a point whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    QCoreApplication::setOrganizationName(QStringLiteral("VORANEX"));
    QCoreApplication::setApplicationName(QStringLiteral("Zelmar"));

    QtDialogs dialogs;
    const QStringList args = QCoreApplication::arguments();
    TMainForm window(dialogs, args.size() > 1 ? args.at(1) : QString());
    window.show();
    return app.exec();
}
