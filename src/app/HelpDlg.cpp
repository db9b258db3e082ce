#include "HelpDlg.h"

#include "AboutDlg.h"
#include "PageKit.h"

#include "i18n/CorePolyglot.h"
#include "i18n/ResourceStrings.h"
#include "paths/DataPaths.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int kTextHelpCaption = 65332;
constexpr int kTextNoGuide = 65333;
constexpr int kTextAboutButton = 65348;

QString dataDirectory()
{
    const auto data = zelmar::findDataDirectory();
    return data ? QFile::decodeName(QByteArray::fromStdString(data->string())) : QString();
}

QString languageInEffect()
{
    const auto* core = zelmar::i18n::TbsCorePolyglot::assigned();
    return core ? QString::fromStdString(core->currentLang()) : QString();
}

} // namespace

THelpDlg::THelpDlg(QWidget* mainWindow) : QDialog(mainWindow)
{
    setObjectName(QStringLiteral("HelpDlg"));
    // A window of its own that stays open beside the wizard, with a maximise box for reading.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    setModal(false);
    resize(pagekit::scaled(780), pagekit::scaled(600));

    HelpTB = new QTextBrowser(this);
    HelpTB->setObjectName(QStringLiteral("HelpTB"));
    HelpTB->setOpenLinks(true);
    HelpTB->setOpenExternalLinks(false);
    Przyciski = new QDialogButtonBox(QDialogButtonBox::Close, this);
    Przyciski->setObjectName(QStringLiteral("Przyciski"));
    connect(Przyciski, &QDialogButtonBox::rejected, this, &QDialog::close);
    // The About window is reached from the guide, as the help menu of other programs offers it.
    OProgramie = Przyciski->addButton(QString(), QDialogButtonBox::ActionRole);
    OProgramie->setObjectName(QStringLiteral("OProgramie"));
    connect(OProgramie, &QPushButton::clicked, this, [this] { TAboutDlg::showAbout(this); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(HelpTB);
    layout->addWidget(Przyciski);
}

void THelpDlg::installHelpKey(QWidget* mainWindow)
{
    auto* key = new QShortcut(QKeySequence::HelpContents, mainWindow);
    key->setObjectName(QStringLiteral("HelpKey"));
    key->setContext(Qt::ApplicationShortcut);
    QObject::connect(key, &QShortcut::activated, mainWindow, [mainWindow] { showGuide(mainWindow); });
}

THelpDlg* THelpDlg::showGuide(QWidget* mainWindow)
{
    auto* dlg = mainWindow ? mainWindow->findChild<THelpDlg*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!dlg)
        dlg = new THelpDlg(mainWindow);
    // Each time, so that the guide follows a change of language.
    dlg->loadGuide();
    dlg->show();
    dlg->raise();
    dlg->activateWindow();
    return dlg;
}

QString THelpDlg::guideFile(const QString& dataDir, const QString& language)
{
    if (dataDir.isEmpty())
        return {};
    QStringList candidates{language.isEmpty() ? QStringLiteral("Polish") : language, QStringLiteral("English")};
    for (const QString& name : candidates) {
        const QString file = dataDir + QStringLiteral("/help/") + name + QStringLiteral("/index.html");
        if (QFileInfo(file).isFile())
            return file;
    }
    return {};
}

void THelpDlg::loadGuide()
{
    setWindowTitle(QString::fromStdString(zelmar::rs(kTextHelpCaption)));
    OProgramie->setText(QString::fromStdString(zelmar::rs(kTextAboutButton)));
    const QString dataDir = dataDirectory();
    const QString file = guideFile(dataDir, languageInEffect());
    if (file.isEmpty()) {
        const QString expected = dataDir.isEmpty()
                                     ? QFile::decodeName(QByteArray::fromStdString(
                                         (zelmar::expectedDataDirectory(zelmar::executableDirectory()) / "help").string()))
                                     : dataDir + QStringLiteral("/help");
        HelpTB->setPlainText(QString::fromStdString(zelmar::rsf(kTextNoGuide, {expected.toStdString()})));
        return;
    }
    // The guide's pictures are found beside it.
    const QUrl url = QUrl::fromLocalFile(file);
    if (HelpTB->source() == url)
        HelpTB->reload();
    else
        HelpTB->setSource(url);
}
