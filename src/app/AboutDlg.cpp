#include "AboutDlg.h"

#include "FactorySets.h"
#include "PageKit.h"
#include "UiLocale.h"
#include "Version.h"
#include "about/Libraries.h"
#include "i18n/ResourceStrings.h"
#include "paths/DataPaths.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

constexpr int kTextAppTitle = 65233;
constexpr int kTextAboutCaption = 65334;
constexpr int kTextVersion = 65335;
constexpr int kTextProgramLicence = 65336;
constexpr int kTextDataLicence = 65337;
constexpr int kTextProgramTab = 65338;
constexpr int kTextLibrariesTab = 65339;
constexpr int kTextSourcesTab = 65340;
constexpr int kTextLibrariesIntro = 65341;
constexpr int kTextNoSources = 65342;
constexpr int kTextSoundColumn = 65447;
constexpr int kTextMadeColumn = 65448;
constexpr int kTextLicenseColumn = 65449;

QString rsq(int id)
{
    return QString::fromStdString(zelmar::rs(id));
}

QString sourcesFile()
{
    const auto data = zelmar::findDataDirectory();
    const std::filesystem::path dir = data ? *data : zelmar::expectedDataDirectory(zelmar::executableDirectory());
    return QFile::decodeName(QByteArray::fromStdString((dir / "factory" / "SOURCES.md").string()));
}

// The list of sources in the language in effect, as far as the window speaks it: the heads of its
// tables, each sound under the name the factory sets give it in this language, and its length as
// the language writes numbers. What the credits say of a sound stays as the list has it.
QString inLanguageInEffect(const QString& markdown)
{
    static const QRegularExpression head(QStringLiteral("^\\|\\s*#\\s*\\|[^|]*\\|[^|]*\\|[^|]*\\|\\s*$"));
    static const QRegularExpression row(QStringLiteral("^\\|\\s*(\\d+)\\s*\\|\\s*(.*?)\\s*\\((\\d+\\.\\d+) s\\)\\s*(\\|.*)$"));
    const std::optional<zelmar::FactoryNames> names = factorysets::namesInEffect();
    int set = 0;
    QStringList out;
    for (const QString& line : markdown.split(u'\n')) {
        if (line.startsWith(QLatin1String("## "))) {
            set = 0;
            for (int s = 1; s <= zelmar::kFactorySetCount; ++s)
                if (line.mid(3).trimmed() == QLatin1String(zelmar::factorySetFileName(s).data()))
                    set = s;
        }
        if (head.match(line).hasMatch()) {
            out << QStringLiteral("| # | %1 | %2 | %3 |").arg(rsq(kTextSoundColumn), rsq(kTextMadeColumn), rsq(kTextLicenseColumn));
            continue;
        }
        const QRegularExpressionMatch m = row.match(line);
        if (!m.hasMatch()) {
            out << line;
            continue;
        }
        QString name = m.captured(2);
        if (names && set > 0) {
            const std::string own = names->soundName(m.captured(1).toInt(), set);
            if (!own.empty())
                name = QString::fromStdString(own);
        }
        out << QStringLiteral("| %1 | %2 (%3 s) %4").arg(m.captured(1), name, uilocale::decimal(m.captured(3).toDouble(), 2), m.captured(4));
    }
    return out.join(u'\n');
}

QTextBrowser* makeText(const char* name, QWidget* parent)
{
    auto* t = new QTextBrowser(parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setOpenExternalLinks(true);
    return t;
}

} // namespace

TAboutDlg::TAboutDlg(QWidget* mainWindow) : QDialog(mainWindow)
{
    setObjectName(QStringLiteral("AboutDlg"));
    setModal(true);
    resize(pagekit::scaled(720), pagekit::scaled(520));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("IkonaL"));
    icon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    NazwaL = new QLabel(this);
    NazwaL->setObjectName(QStringLiteral("NazwaL"));
    QFont big = NazwaL->font();
    big.setBold(true);
    big.setPixelSize(23);
    NazwaL->setFont(big);
    WersjaL = new QLabel(this);
    WersjaL->setObjectName(QStringLiteral("WersjaL"));
    WersjaL->setTextInteractionFlags(Qt::TextSelectableByMouse);

    Zakladki = new QTabWidget(this);
    Zakladki->setObjectName(QStringLiteral("Zakladki"));
    ProgramTB = makeText("ProgramTB", Zakladki);
    BibliotekiTB = makeText("BibliotekiTB", Zakladki);
    ZrodlaTB = makeText("ZrodlaTB", Zakladki);
    Zakladki->addTab(ProgramTB, QString());
    Zakladki->addTab(BibliotekiTB, QString());
    Zakladki->addTab(ZrodlaTB, QString());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->setObjectName(QStringLiteral("Przyciski"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* names = new QVBoxLayout;
    names->addWidget(NazwaL);
    names->addWidget(WersjaL);
    auto* head = new QHBoxLayout;
    head->addWidget(icon);
    head->addLayout(names, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(Zakladki, 1);
    layout->addWidget(buttons);
}

void TAboutDlg::showAbout(QWidget* mainWindow)
{
    TAboutDlg dlg(mainWindow);
    dlg.fill();
    dlg.exec();
}

void TAboutDlg::fill()
{
    setWindowTitle(rsq(kTextAboutCaption));
    NazwaL->setText(rsq(kTextAppTitle));
    WersjaL->setText(QString::fromStdString(zelmar::rsf(kTextVersion, {std::string(ZELMAR_VERSION)})));
    Zakladki->setTabText(0, rsq(kTextProgramTab));
    Zakladki->setTabText(1, rsq(kTextLibrariesTab));
    Zakladki->setTabText(2, rsq(kTextSourcesTab));

    const QString licence = QStringLiteral("<p>Copyright © The Zelmar developers</p><p>%1</p><p>%2</p>")
                                .arg(rsq(kTextProgramLicence).toHtmlEscaped(), rsq(kTextDataLicence).toHtmlEscaped());
    ProgramTB->setHtml(licence);

    QString rows;
    auto row = [&rows](const QString& name, const QString& version, const QString& licence) {
        rows += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td><td>%3</td></tr>")
                    .arg(name.toHtmlEscaped(), version.toHtmlEscaped(), licence.toHtmlEscaped());
    };
    row(QStringLiteral("Qt (Widgets, Multimedia)"), QString::fromLatin1(qVersion()),
        QStringLiteral("LGPL-3.0-only OR GPL-2.0-or-later"));
    for (const zelmar::LibraryNote& l : zelmar::coreLibraries())
        row(QString::fromStdString(l.name), QString::fromStdString(l.version), QString::fromStdString(l.licence));
    BibliotekiTB->setHtml(QStringLiteral("<p>%1</p><table cellspacing=\"0\" cellpadding=\"4\">%2</table>")
                              .arg(rsq(kTextLibrariesIntro).toHtmlEscaped(), rows));

    QFile sources(sourcesFile());
    if (sources.open(QIODevice::ReadOnly))
        ZrodlaTB->setMarkdown(inLanguageInEffect(QString::fromUtf8(sources.readAll())));
    else
        ZrodlaTB->setPlainText(QString::fromStdString(zelmar::rsf(kTextNoSources, {sources.fileName().toStdString()})));
}
