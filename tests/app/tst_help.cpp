// The guide and the About window: the shipped guides complete in every language, the guide of the
// language in effect shown with its pictures, and the About window's version, licences, libraries
// and the credits of every factory sound read from the data.
#include "AboutDlg.h"
#include "HelpDlg.h"
#include "PageDriver.h"
#include "Version.h"

#include "i18n/CorePolyglot.h"
#include "paths/DataPaths.h"

#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QTabWidget>
#include <QTextBrowser>

using namespace pagedriver;
using zelmar::i18n::TbsCorePolyglot;

namespace {

QString dataDir()
{
    return QFile::decodeName(QByteArray::fromStdString(zelmar::findDataDirectory()->string()));
}

QString readAll(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QSet<QString> captures(const QString& text, const char* pattern)
{
    QSet<QString> out;
    const QRegularExpression re(QString::fromLatin1(pattern));
    for (auto it = re.globalMatch(text); it.hasNext();)
        out.insert(it.next().captured(1));
    return out;
}

void useLanguage(const QString& language)
{
    auto& core = TbsCorePolyglot::GetCorePolyglot();
    core.setLangsDir((dataDir() + QStringLiteral("/lang/")).toStdString());
    core.setCurrentLang(language.toStdString());
}

} // namespace

class HelpTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { initTestProgram(settings_); }
    void cleanup()
    {
        qunsetenv("ZELMAR_DATA_DIR");
        TbsCorePolyglot::releaseCorePolyglot();
    }

    void shippedGuidesAreCompleteAndAlike();
    void guideFollowsTheLanguageInEffect();
    void missingGuideSaysWhereItWasLookedFor();
    void aboutShowsVersionLicencesLibrariesAndEverySoundsSource();
    void aboutWithoutTheSourcesFileSaysWhichFile();

private:
    QTemporaryDir settings_;
};

// Each language's guide: its pictures present and readable, its links leading to its own
// sections, and the same sections and pictures as the others, so no language misses a part.
void HelpTest::shippedGuidesAreCompleteAndAlike()
{
    QSet<QString> firstSections, firstPictures;
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("German"), QStringLiteral("Polish")}) {
        const QString file = dataDir() + QStringLiteral("/help/") + language + QStringLiteral("/index.html");
        const QString html = readAll(file);
        QVERIFY2(!html.isEmpty(), qPrintable(file));
        const QSet<QString> sections = captures(html, "<h2 id=\"([^\"]+)\"");
        const QSet<QString> links = captures(html, "href=\"#([^\"]+)\"");
        const QSet<QString> pictures = captures(html, "<img src=\"([^\"]+)\"");
        QVERIFY(sections.size() >= 8);
        QVERIFY2(sections.contains(links), qPrintable(language + QStringLiteral(": a link to no section")));
        for (const QString& picture : pictures)
            QVERIFY2(!QImage(QFileInfo(file).dir().filePath(picture)).isNull(), qPrintable(language + u' ' + picture));
        if (firstSections.isEmpty()) {
            firstSections = sections;
            firstPictures = pictures;
        }
        QCOMPARE(sections, firstSections);
        QCOMPARE(pictures, firstPictures);
        // The access rules and the way back are named in every language.
        QVERIFY(html.contains(QStringLiteral("70-zelmar.rules")));
        QVERIFY(html.contains(QStringLiteral("Backups")));
    }
    QVERIFY(firstPictures.contains(QStringLiteral("page3.png")));
}

void HelpTest::guideFollowsTheLanguageInEffect()
{
    ScriptedDialogs dialogs;
    TMainForm form(dialogs);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));

    // F1 in the wizard's window shows the guide, and so does its button.
    useLanguage(QStringLiteral("German"));
    QVERIFY(!form.findChild<THelpDlg*>());
    QTest::keyClick(&form, Qt::Key_F1);
    THelpDlg* help = form.findChild<THelpDlg*>();
    QVERIFY(help && help->isVisible());
    help->close();
    QVERIFY(click(form, "Pomoc"));
    QVERIFY(help->isVisible());
    QCOMPARE(help->windowTitle(), rsq(65332));
    QVERIFY(help->windowTitle().startsWith(QStringLiteral("Hilfe")));
    QCOMPARE(help->browser()->source().toLocalFile(), dataDir() + QStringLiteral("/help/German/index.html"));
    QVERIFY(help->browser()->toPlainText().contains(QStringLiteral("Signalsammlung")));
    // The pictures are found beside the guide.
    const QVariant picture = help->browser()->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("page0.png")));
    QVERIFY(!picture.isNull());

    // One window: asked again after a change of language, it shows the other guide.
    useLanguage(QStringLiteral("English"));
    QCOMPARE(THelpDlg::showGuide(&form), help);
    QCOMPARE(form.findChildren<THelpDlg*>().size(), 1);
    QVERIFY(help->browser()->toPlainText().contains(QStringLiteral("What a signal set is")));

    // The About window is reached from the guide.
    QCOMPARE(help->aboutButton()->text(), QStringLiteral("About Zelmar"));
    QString aboutSeen;
    QTimer::singleShot(0, [&] {
        if (auto* about = qobject_cast<TAboutDlg*>(QApplication::activeModalWidget())) {
            aboutSeen = about->windowTitle();
            about->reject();
        }
    });
    help->aboutButton()->click();
    QCOMPARE(aboutSeen, QStringLiteral("About Zelmar"));

    // A language without a guide of its own reads the English one; no language in effect is the
    // built-in Polish.
    QCOMPARE(THelpDlg::guideFile(dataDir(), QStringLiteral("French")), dataDir() + QStringLiteral("/help/English/index.html"));
    QCOMPARE(THelpDlg::guideFile(dataDir(), QString()), dataDir() + QStringLiteral("/help/Polish/index.html"));
    help->close();
}

void HelpTest::missingGuideSaysWhereItWasLookedFor()
{
    QTemporaryDir empty;
    qputenv("ZELMAR_DATA_DIR", QFile::encodeName(empty.path()));
    THelpDlg help;
    help.loadGuide();
    const QString expected = QString::fromStdString(zelmar::rsf(65333, {(empty.path() + QStringLiteral("/help")).toStdString()}));
    QCOMPARE(help.browser()->toPlainText(), expected);
    QVERIFY(expected.contains(empty.path()));
}

void HelpTest::aboutShowsVersionLicencesLibrariesAndEverySoundsSource()
{
    useLanguage(QStringLiteral("English"));
    TAboutDlg about;
    about.fill();
    QCOMPARE(about.windowTitle(), QStringLiteral("About Zelmar"));
    QVERIFY(about.versionLabel()->text().contains(QStringLiteral(ZELMAR_VERSION)));
    const QString licence = about.programText()->toPlainText();
    QVERIFY(licence.contains(QStringLiteral("GPL-3.0-or-later")));
    QVERIFY(licence.contains(QStringLiteral("GPL-3.0-only")));

    // Every library with the version it reports.
    const QString libraries = about.librariesText()->toPlainText();
    for (const char* name : {"Qt", "libsndfile", "libmad", "libsoxr", "libusb-0.1", "hidapi"}) {
        const QRegularExpression line(QStringLiteral("%1[^\\n]*\\n?[^\\n]*[0-9]+\\.[0-9]+").arg(QRegularExpression::escape(QString::fromLatin1(name))));
        QVERIFY2(line.match(libraries).hasMatch(), qPrintable(QStringLiteral("%1 in\n%2").arg(QString::fromLatin1(name), libraries)));
    }

    // Every sound named in the factory folder's list of sources is shown, with its licence.
    const QString sources = about.sourcesText()->toPlainText();
    const QString md = readAll(dataDir() + QStringLiteral("/factory/SOURCES.md"));
    int rows = 0;
    static const QRegularExpression row(QStringLiteral("^\\| *[0-9]+ *\\| *([^|]+?) *\\|.*\\| *([^|]+?) *\\| *$"),
                                        QRegularExpression::MultilineOption);
    for (auto it = row.globalMatch(md); it.hasNext(); ++rows) {
        const auto m = it.next();
        QVERIFY2(sources.contains(m.captured(1)), qPrintable(m.captured(1)));
        QVERIFY2(sources.contains(m.captured(2)), qPrintable(m.captured(2)));
    }
    QVERIFY(rows >= 100);

    // In German the sounds are named as the German sets name them, their lengths written with a
    // comma, and the heads of the tables are German.
    useLanguage(QStringLiteral("German"));
    about.fill();
    const QString german = about.sourcesText()->toPlainText();
    QVERIFY2(german.contains(QStringLiteral("Hahn (")) && !german.contains(QStringLiteral("rooster (")), qPrintable(german.left(600)));
    QVERIFY(QRegularExpression(QStringLiteral("Hahn \\(\\d+,\\d\\d s\\)")).match(german).hasMatch());
    QVERIFY(german.contains(QStringLiteral("Lizenz")));
    QCOMPARE(about.windowTitle(), QStringLiteral("Über Zelmar"));
}

void HelpTest::aboutWithoutTheSourcesFileSaysWhichFile()
{
    QTemporaryDir empty;
    qputenv("ZELMAR_DATA_DIR", QFile::encodeName(empty.path()));
    TAboutDlg about;
    about.fill();
    QCOMPARE(about.sourcesText()->toPlainText(),
             QString::fromStdString(zelmar::rsf(65342, {(empty.path() + QStringLiteral("/factory/SOURCES.md")).toStdString()})));
}

QTEST_MAIN(HelpTest)
#include "tst_help.moc"
