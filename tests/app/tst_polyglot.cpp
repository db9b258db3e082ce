// Translation of the windows: keys applied to real windows, the shipped files complete, and the
// language a start chooses.
#include "ChimeRoads.h"
#include "FragmentDlg.h"
#include "KomunikacjaDlg.h"
#include "KonwersjaDlg.h"
#include "PolyglotApply.h"
#include "PolyglotManager.h"
#include "PolyglotStart.h"
#include "ListKit.h"
#include "SignalListPage.h"
#include "WindowTest.h"
#include "WindowTexts.h"
#include "i18n/CorePolyglot.h"
#include "i18n/IniFile.h"
#include "i18n/Literals.h"
#include "paths/DataPaths.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QMessageBox>
#include <QTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStackedWidget>

using namespace pagedriver;
using zelmar::i18n::TbsCorePolyglot;
using zelmar::i18n::TbsINIFile;

namespace {

QString langDir()
{
    return QFile::decodeName(QByteArray::fromStdString((*zelmar::findDataDirectory() / "lang").string()));
}

// The placeholders of a text, in order ("%%" is no placeholder).
QStringList placeholders(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("%%|%[-+ 0#]*[0-9]*(?:\\.[0-9]+)?[a-zA-Z]"));
    QStringList out;
    for (auto it = re.globalMatch(text); it.hasNext();) {
        const QString p = it.next().captured();
        if (p != QLatin1String("%%"))
            out << p;
    }
    return out;
}

QString decoded(const std::string& value)
{
    return QString::fromStdString(zelmar::i18n::decodeLiteral(value));
}

// The value of `key` in `section` of `file` (letter case ignored), or null.
std::optional<QString> valueOf(const TbsINIFile& file, const char* section, const QString& key)
{
    const auto* keys = file.section(section);
    if (!keys)
        return std::nullopt;
    for (const auto& k : *keys) {
        if (QString::fromStdString(k.name).compare(key, Qt::CaseInsensitive) == 0)
            return QString::fromStdString(k.value);
    }
    return std::nullopt;
}

// Controls whose texts the program writes itself at each use, from resource strings.
bool writtenByProgram(const QString& key)
{
    // The spoken descriptions carry values (a cut, a level, the memory) and are written at each
    // use from resource strings, which are checked as such.
    return key.startsWith(QLatin1String("PozostalyCzasST.")) || key.endsWith(QLatin1String(".AccessibleDescription"));
}

} // namespace

class PolyglotTest : public WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void keysReachTheNamedControlsOfTheirOwnWindowOnly();
    void valuesThatDoNotFitAndPathsThatNameNothingAreIgnored();
    void managerEventsCanCancelAndTranslatorsFollowTheirManager();
    void shippedFilesCoverEveryTextAndResource_data();
    void shippedFilesCoverEveryTextAndResource();
    void settingsLanguageTranslatesEveryWindowAndQtsOwnTexts();
    void withoutLanguageSettingTheLocaleDecides_data();
    void withoutLanguageSettingTheLocaleDecides();
    void commandLineLanguageWinsOverTheSettings();
    void folderWithoutTranslationsKeepsPolish();
    void numbersAreShownAndReadAsTheLanguageWritesThem_data();
    void numbersAreShownAndReadAsTheLanguageWritesThem();
    void programAnswersHelpAndVersionWithoutAWindow();

private:
    QList<QWidget*> windowsOf(TMainForm& form);
    void writeFile(const QString& name, const QByteArray& content);

    std::unique_ptr<QTemporaryDir> tmp_;
};

void PolyglotTest::initTestCase()
{
    WindowTest::initTestCase();
    QVERIFY(zelmar::findDataDirectory());
}

void PolyglotTest::init()
{
    WindowTest::init();
    tmp_ = std::make_unique<QTemporaryDir>();
    polyglot::setStartOptions({});
    // Each test starts from a fresh core, as a program does.
    TbsCorePolyglot::releaseCorePolyglot();
}

void PolyglotTest::cleanup()
{
    qunsetenv("ZELMAR_DATA_DIR");
    polyglot::setStartOptions({});
    TbsCorePolyglot::releaseCorePolyglot();
    WindowTest::cleanup();
}

QList<QWidget*> PolyglotTest::windowsOf(TMainForm& form)
{
    return {&form, &form.fragmentDialog(), &transferDialog(form, dialogs()), &form.conversionDialog()};
}

void PolyglotTest::writeFile(const QString& name, const QByteArray& content)
{
    QFile f(tmp_->filePath(name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

void PolyglotTest::keysReachTheNamedControlsOfTheirOwnWindowOnly()
{
    writeFile(QStringLiteral("Test.lng"),
              "[TMainForm]\n"
              "Dalej.Caption='Forward'\n"
              "dalej.enabled=false\n"
              "WitamyST.Font.Name='DejaVu Serif'\n"
              "WitamyST.Font.Size=$14\n"
              "WitamyST.Font.Style=[fsItalic, fsUnderline]\n"
              "NowyRB.Left=40\n"
              "NowyRB.Width=0x12c\n"
              "NowyRB.Hint='Start from nothing'\n"
              "DoSygnalu.AccessibleName='Add to the signal'\n"
              "DoSygnalu.AccessibleDescription='Puts the chosen sound before the selected one'\n"
              "Strona1.ZestawL.Caption='&Set:'\n"
              "ZestawLB.Items.Strings=one,'two, words' three\n"
              "ZestawLB.Items.Item(1).Hint='second'\n"
              "Uwaga1ST.Visible=False\n"
              "Caption='Title'\n"
              "[TKomunikacjaDlg]\n"
              "Dalej.Caption='Nope'\n"
              "Anuluj.Caption='Stop'\n"
              "[TFragmentDlg]\n"
              "Caption='Fragment'\n"
              "WidokWav.AccessibleName='Waveform'\n");
    auto form = makeForm();
    TbsPolyglotManager* manager = form->findChild<TbsPolyglotManager*>(QStringLiteral("PolyglotManager"));
    QVERIFY(manager);
    manager->setLangsDir(tmp_->path());
    QCOMPARE(manager->CurrentLang(), QStringLiteral("Polish"));   // still current, though not in this folder
    manager->setCurrentLang(QStringLiteral("test"));

    auto* dalej = child<QPushButton>(*form, "Dalej");
    QCOMPARE(dalej->text(), QStringLiteral("Forward"));
    QVERIFY(!dalej->isEnabled());
    auto* witamy = child<QLabel>(*form, "WitamyST");
    QCOMPARE(witamy->font().family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(witamy->font().pointSize(), 20);
    QVERIFY(witamy->font().italic() && witamy->font().underline() && !witamy->font().bold());
    auto* nowy = child<QRadioButton>(*form, "NowyRB");
    QCOMPARE(nowy->geometry().topLeft(), QPoint(40, 80));
    QCOMPARE(nowy->width(), 300);
    QCOMPARE(nowy->toolTip(), QStringLiteral("Start from nothing"));
    auto* doSygnalu = child<QPushButton>(*form, "DoSygnalu");
    QCOMPARE(doSygnalu->accessibleName(), QStringLiteral("Add to the signal"));
    QCOMPARE(doSygnalu->accessibleDescription(), QStringLiteral("Puts the chosen sound before the selected one"));
    QCOMPARE(form->fragmentDialog().findChild<QWidget*>(QStringLiteral("WidokWav"))->accessibleName(),
             QStringLiteral("Waveform"));
    QCOMPARE(child<QLabel>(*form, "ZestawL")->text(), QStringLiteral("&Set:"));
    QListWidget* zestaw = list(*form, "ZestawLB");
    QCOMPARE(rowTexts(zestaw), (QStringList{"one", "two, words", "three"}));
    QCOMPARE(zestaw->item(1)->toolTip(), QStringLiteral("second"));
    QVERIFY(child<QLabel>(*form, "Uwaga1ST")->isHidden());
    QCOMPARE(form->windowTitle(), QStringLiteral("Title"));
    QCOMPARE(form->fragmentDialog().windowTitle(), QStringLiteral("Fragment"));
    TKomunikacjaDlg& transfer = transferDialog(*form, dialogs());
    QCOMPARE(transfer.findChild<QPushButton*>(QStringLiteral("Anuluj"))->text(), QStringLiteral("Stop"));
    // The transfer window's section has no say over the main window's button, nor the main
    // window's over the dialogs' buttons of the same name.
    QCOMPARE(dalej->text(), QStringLiteral("Forward"));
    QCOMPARE(child<QPushButton>(*form, "Anuluj")->text(), QStringLiteral("Anuluj"));

    // A dialog made now appears translated at once.
    TKonwersjaDlg later(form);
    writeFile(QStringLiteral("Other.lng"), "[TKonwersjaDlg]\nOpisST.Caption='Converting'\n");
    manager->setLangsDir(tmp_->path() + QStringLiteral("/"));   // the same folder: nothing rescanned
    QCOMPARE(TbsCorePolyglot::GetCorePolyglot().availableLanguages().size(), size_t(1));
    manager->setLangsDir(QString());
    manager->setLangsDir(tmp_->path());
    manager->setCurrentLang(QStringLiteral("Other"));
    TKonwersjaDlg made(form);
    QCOMPARE(made.findChild<QLabel*>(QStringLiteral("OpisST"))->text(), QStringLiteral("Converting"));
    QCOMPARE(later.findChild<QLabel*>(QStringLiteral("OpisST"))->text(), QStringLiteral("Converting"));

    // Back to Polish: its file brings back the texts another language changed.
    manager->setLangsDir(langDir());
    manager->setCurrentLang(QStringLiteral("Polish"));
    QCOMPARE(dalej->text(), QStringLiteral("&Dalej >"));
    QCOMPARE(transfer.findChild<QPushButton*>(QStringLiteral("Anuluj"))->text(), QStringLiteral("Anuluj"));
}

void PolyglotTest::valuesThatDoNotFitAndPathsThatNameNothingAreIgnored()
{
    writeFile(QStringLiteral("Bad.lng"),
              "[TMainForm]\n"
              "Nonexistent.Caption='x'\n"
              "Dalej.Nothing='x'\n"
              "Dalej.Caption.Deeper='deeper'\n"
              "Dalej.Font.Style=[fsBold,fsShiny]\n"
              "Dalej.Visible=Maybe\n"
              "Wstecz.Width=wide\n"
              "Anuluj.Caption=X\n"
              "Anuluj.Left=99999999999\n"
              "ZestawLB.Items.Item(7).Caption='no such row'\n"
              "ZestawLB.Items.Item(x).Caption='no number'\n"
              "ZestawLB.Items.Item(0)Caption='malformed'\n"
              ".Caption='empty head'\n"
              "Dalej..Caption='empty part'\n"
              "WitamyST.Caption='it''s'#33\n"
              "[TMainForm]\n"
              "WybierzST.Caption='second section'\n");
    auto form = makeForm();
    auto* dalej = child<QPushButton>(*form, "Dalej");
    const QFont font = dalej->font();
    const QRect anuluj = child<QPushButton>(*form, "Anuluj")->geometry();
    auto* manager = form->findChild<TbsPolyglotManager*>(QStringLiteral("PolyglotManager"));
    manager->setLangsDir(tmp_->path());
    manager->setCurrentLang(QStringLiteral("Bad"));

    QCOMPARE(dalej->text(), QStringLiteral("deeper"));   // a text property takes the value whatever follows
    QCOMPARE(dalej->font(), font);
    QVERIFY(dalej->isVisible());
    QCOMPARE(child<QPushButton>(*form, "Wstecz")->width(), 0);   // a number that does not parse is 0
    QCOMPARE(child<QPushButton>(*form, "Anuluj")->text(), QString());
    QCOMPARE(child<QPushButton>(*form, "Anuluj")->x(), 0);   // so is one past the integers
    QCOMPARE(child<QPushButton>(*form, "Anuluj")->y(), anuluj.y());
    QCOMPARE(child<QLabel>(*form, "WitamyST")->text(), QStringLiteral("it's!"));
    QCOMPARE(child<QLabel>(*form, "WybierzST")->text(), QStringLiteral("second section"));
}

void PolyglotTest::managerEventsCanCancelAndTranslatorsFollowTheirManager()
{
    writeFile(QStringLiteral("A.lng"), "[TMainForm]\nDalej.Caption='A'\n");
    writeFile(QStringLiteral("B.lng"), "[TMainForm]\nDalej.Caption='B'\n");
    auto form = makeForm();
    auto* manager = form->findChild<TbsPolyglotManager*>(QStringLiteral("PolyglotManager"));
    QStringList events;
    manager->LangsDirChanging = [&](QObject*, const QString&, const QString& to, bool& cancel) {
        events << QStringLiteral("dir");
        cancel = to.endsWith(QLatin1String("refused"));
    };
    manager->CurrentLangChanging = [&](QObject*, const QString& from, const QString& to, bool& cancel) {
        events << from + u'>' + to;
        cancel = to == QLatin1String("B");
    };
    TbsPolyglotTranslator* translator = form->findChild<TbsPolyglotTranslator*>(QStringLiteral("PolyglotTranslator"));
    QVERIFY(translator);
    translator->BeforeTranslate = [&](QObject*) { events << QStringLiteral("window") + child<QPushButton>(*form, "Dalej")->text(); };
    translator->AfterTranslate = [&](QObject*) { events << QStringLiteral("window") + child<QPushButton>(*form, "Dalej")->text(); };
    manager->BeforeAllTranslate = [&](QObject*) { events << QStringLiteral("before"); };
    manager->AfterAllTranslate = [&](QObject*) { events << QStringLiteral("after"); };
    manager->setLangsDir(QStringLiteral("/refused"));
    QCOMPARE(manager->LangsDir(), langDir() + u'/');
    manager->setLangsDir(tmp_->path());
    manager->setCurrentLang(QStringLiteral("A"));
    manager->setCurrentLang(QStringLiteral("B"));
    QCOMPARE(events, (QStringList{"dir", "dir", "Polish>A", "before", "window&Dalej >", "windowA", "after", "A>B"}));
    QCOMPARE(manager->CurrentLang(), QStringLiteral("A"));
    auto* dalej = child<QPushButton>(*form, "Dalej");
    QCOMPARE(dalej->text(), QStringLiteral("A"));

    // A translator without a manager is left out; one given a manager again is translated again.
    QCOMPARE(translator->Manager(), manager);
    translator->setManager(nullptr);
    manager->CurrentLangChanging = nullptr;
    manager->setCurrentLang(QStringLiteral("B"));
    QCOMPARE(dalej->text(), QStringLiteral("A"));
    translator->setManager(manager);
    translator->setManager(manager);
    QCOMPARE(manager->translators().count(translator), 1);
    manager->setCurrentLang(QStringLiteral("A"));
    QCOMPARE(dalej->text(), QStringLiteral("A"));
    manager->setCurrentLang(QStringLiteral("B"));
    QCOMPARE(dalej->text(), QStringLiteral("B"));

    // Without a core the manager says so.
    TbsCorePolyglot::releaseCorePolyglot();
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, manager->CurrentLang());
    try {
        manager->setCurrentLang(QStringLiteral("A"));
        QFAIL("no error without a core");
    } catch (const std::runtime_error& e) {
        QCOMPARE(QString::fromLatin1(e.what()), QStringLiteral("Core multi lang is not assigned"));
    }
    try {
        manager->LangsDir();
        QFAIL("no error without a core");
    } catch (const std::runtime_error& e) {
        QCOMPARE(QString::fromLatin1(e.what()), QStringLiteral("Core polyglot is not assigned."));
    }
}

void PolyglotTest::shippedFilesCoverEveryTextAndResource_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << QStringLiteral("English");
    QTest::newRow("German") << QStringLiteral("German");
    QTest::newRow("Polish") << QStringLiteral("Polish");
}

void PolyglotTest::shippedFilesCoverEveryTextAndResource()
{
    QFETCH(QString, language);
    const auto file = TbsINIFile::open((*zelmar::findDataDirectory() / "lang" / (language.toStdString() + ".lng")));
    QVERIFY(file);
    // The built-in texts: a window made where no translation can be found.
    QVERIFY(tmp_->path().size() > 0 && QDir(tmp_->path()).mkpath(QStringLiteral("lang")));
    qputenv("ZELMAR_DATA_DIR", QFile::encodeName(tmp_->path()));
    auto form = makeForm();
    QStringList missing;
    for (QWidget* window : windowsOf(*form)) {
        const QByteArray section = polyglot::sectionName(window).toLatin1();
        QStringList unnamed;
        const QList<windowtexts::Text> texts = windowtexts::textsOf(window, &unnamed);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u'|')));
        for (const windowtexts::Text& t : texts) {
            if (writtenByProgram(t.key))
                continue;
            const std::optional<QString> v = valueOf(*file, section.constData(), t.key);
            if (!v || decoded(v->toStdString()).isEmpty())
                missing << QString::fromLatin1(section) + u' ' + t.key + QStringLiteral(" (") + t.text + u')';
            else if (language == QLatin1String("Polish") && decoded(v->toStdString()) != t.text)
                missing << QString::fromLatin1(section) + u' ' + t.key + QStringLiteral(" differs from ") + t.text;
        }
        // Every key names something of its window: a misspelt name would go unnoticed otherwise.
        for (const auto& k : *file->section(section.constData())) {
            const QString head = QString::fromStdString(k.name).section(u'.', 0, 0);
            const bool property = QStringList{"Caption", "Font", "Left", "Top", "Width", "Height"}.contains(head, Qt::CaseInsensitive);
            if (!property && !window->findChild<QObject*>(head))
                missing << QString::fromLatin1(section) + QStringLiteral(" names nothing: ") + QString::fromStdString(k.name);
        }
    }
    for (int id : zelmar::builtinResourceIds()) {
        const QString builtin = QString::fromStdString(zelmar::builtinResource(id));
        const std::optional<QString> v = valueOf(*file, "ResourceStrings", QString::number(id));
        const QString text = v ? decoded(v->toStdString()) : QString();
        if (!v || (text.isEmpty() && !builtin.isEmpty()))
            missing << QStringLiteral("resource %1 (%2)").arg(id).arg(builtin);
        else if (placeholders(text) != placeholders(builtin))
            missing << QStringLiteral("resource %1 placeholders %2 for %3").arg(id).arg(placeholders(text).join(u' '), placeholders(builtin).join(u' '));
        else if (language == QLatin1String("Polish") && text != builtin)
            missing << QStringLiteral("resource %1 differs: %2").arg(id).arg(text);
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u'\n')));
}

void PolyglotTest::settingsLanguageTranslatesEveryWindowAndQtsOwnTexts()
{
    QSettings(QStringLiteral("VORANEX"), QStringLiteral("Zelmar")).setValue(QStringLiteral("Language"), QStringLiteral("German"));
    auto form = makeForm();
    QCOMPARE(languageOf(*form), QStringLiteral("German"));
    QCOMPARE(child<QPushButton>(*form, "Dalej")->text(), QStringLiteral("&Weiter >"));
    QCOMPARE(child<QLabel>(*form, "WitamyST")->text(), QStringLiteral("Willkommen!"));
    QCOMPARE(form->fragmentDialog().windowTitle(), QStringLiteral("Abzuspielenden Teil wählen"));
    QCOMPARE(transferDialog(*form, dialogs()).windowTitle(), QStringLiteral("Verbindung mit dem Gong"));
    QCOMPARE(form->conversionDialog().findChild<QPushButton*>(QStringLiteral("Anuluj"))->text(), QStringLiteral("Abbrechen"));
    // Texts the program writes as it goes: a page's buttons and the questions.
    QVERIFY(click(*form, "Dalej"));
    QCOMPARE(child<QPushButton>(*form, "Dalej")->text(), QStringLiteral("&Weiter >"));
    QCOMPARE(child<QPushButton>(*form, "Wstecz")->text(), QStringLiteral("< &Zurück"));
    dialogs().answerAsk(false);
    form->close();
    QCOMPARE(dialogs().questions(), QStringList{QStringLiteral("Möchten Sie das Programm wirklich beenden?")});
    // Qt's own buttons speak German too.
    QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Yes)->text().remove(u'&'), QStringLiteral("Ja"));
}

void PolyglotTest::withoutLanguageSettingTheLocaleDecides_data()
{
    QTest::addColumn<QByteArray>("lang");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("dalej");
    QTest::newRow("de_DE.UTF-8") << QByteArray("de_DE.UTF-8") << QStringLiteral("German") << QStringLiteral("&Weiter >");
    QTest::newRow("de_AT") << QByteArray("de_AT") << QStringLiteral("German") << QStringLiteral("&Weiter >");
    QTest::newRow("pl_PL.UTF-8") << QByteArray("pl_PL.UTF-8") << QStringLiteral("Polish") << QStringLiteral("&Dalej >");
    QTest::newRow("C") << QByteArray("C") << QStringLiteral("English") << QStringLiteral("&Next >");
    QTest::newRow("fr_FR") << QByteArray("fr_FR") << QStringLiteral("English") << QStringLiteral("&Next >");
}

void PolyglotTest::withoutLanguageSettingTheLocaleDecides()
{
    QFETCH(QByteArray, lang);
    QFETCH(QString, language);
    QFETCH(QString, dalej);
    const QByteArray keepAll = qgetenv("LC_ALL"), keepMessages = qgetenv("LC_MESSAGES"), keepLang = qgetenv("LANG");
    qunsetenv("LC_ALL");
    qputenv("LC_MESSAGES", "");
    qputenv("LANG", lang);
    polyglot::setStartOptions({QString(), true});
    auto form = makeForm();
    qputenv("LC_ALL", keepAll);
    qputenv("LC_MESSAGES", keepMessages);
    qputenv("LANG", keepLang);
    QCOMPARE(languageOf(*form), language);
    QCOMPARE(child<QPushButton>(*form, "Dalej")->text(), dalej);
    QVERIFY(!QSettings(QStringLiteral("VORANEX"), QStringLiteral("Zelmar")).contains(QStringLiteral("Language")));
}

void PolyglotTest::commandLineLanguageWinsOverTheSettings()
{
    QSettings(QStringLiteral("VORANEX"), QStringLiteral("Zelmar")).setValue(QStringLiteral("Language"), QStringLiteral("German"));
    polyglot::setStartOptions({QStringLiteral("english"), true});
    auto form = makeForm();
    QCOMPARE(form->findChild<TbsPolyglotManager*>()->CurrentLang(), QStringLiteral("english"));
    QCOMPARE(child<QPushButton>(*form, "Dalej")->text(), QStringLiteral("&Next >"));
    QCOMPARE(rsq(65237), QStringLiteral("Do you really want to close the program?"));
    QCOMPARE(QSettings(QStringLiteral("VORANEX"), QStringLiteral("Zelmar")).value(QStringLiteral("Language")).toString(),
             QStringLiteral("German"));
}

void PolyglotTest::folderWithoutTranslationsKeepsPolish()
{
    QVERIFY(QDir(tmp_->path()).mkpath(QStringLiteral("lang")));
    qputenv("ZELMAR_DATA_DIR", QFile::encodeName(tmp_->path()));
    QSettings(QStringLiteral("VORANEX"), QStringLiteral("Zelmar")).setValue(QStringLiteral("Language"), QStringLiteral("German"));
    auto form = makeForm();
    QCOMPARE(form->findChild<TbsPolyglotManager*>()->CurrentLang(), QString());
    QCOMPARE(child<QPushButton>(*form, "Dalej")->text(), QStringLiteral("&Dalej >"));
    QCOMPARE(rsq(65237), QString::fromStdString(zelmar::builtinResource(65237)));
    QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Yes)->text().remove(u'&'), QStringLiteral("Tak"));
}

void PolyglotTest::numbersAreShownAndReadAsTheLanguageWritesThem_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("point");
    QTest::newRow("English") << QStringLiteral("English") << QStringLiteral(".");
    QTest::newRow("German") << QStringLiteral("German") << QStringLiteral(",");
    QTest::newRow("Polish") << QStringLiteral("Polish") << QStringLiteral(",");
}

void PolyglotTest::numbersAreShownAndReadAsTheLanguageWritesThem()
{
    QFETCH(QString, language);
    QFETCH(QString, point);
    const auto n = [&](const char* number) { return QString::fromLatin1(number).replace(u'.', point); };
    QSettings(QStringLiteral("VORANEX"), QStringLiteral("Zelmar")).setValue(QStringLiteral("Language"), language);
    auto form = makeForm();
    zelmar::SignalSet set;
    set.library.push_back(sound("gong", 3 * zelmar::kSampleRate, 1000, 75));
    set.signals.push_back({"a", {zelmar::TDzwiek::pause(50), element(1, set)}});
    form->state().replaceSet(set);
    form->showPage(TMainForm::SignalListIndex);

    QCOMPARE(form->signalListPage()->Czasy->drawnRows().at(0).text, n("3.50 s"));
    QVERIFY(click(*form, "ZmianaSygnalu"));
    QListWidget* elements = list(*form, "SygnalLB");
    QVERIFY(elements->item(0)->text().endsWith(QStringLiteral("> ") + n("0.50 s")));
    clickRow(elements, 0);
    QVERIFY(child<QGroupBox>(*form, "CzasPauzyGB")->title().endsWith(n("(0.50 s)")));
    QVERIFY(click(*form, "ZmienDzwieki"));
    QVERIFY(list(*form, "DostepneDzwiekiLB")->item(0)->text().contains(n("[+7.5dB]")));
    QVERIFY(QRegularExpression(QStringLiteral("\\d\\") + point + QStringLiteral("\\d\\d")).match(child<QLabel>(*form, "PozostalyCzasST")->text()).hasMatch());
    QVERIFY(click(*form, "Dalej"));

    // The end of the part that plays, typed as the language writes it.
    clickRow(elements, 1);
    TFragmentDlg& fragment = form->fragmentDialog();
    auto* snap = fragment.findChild<QCheckBox*>(QStringLiteral("PrzyciaganieCB"));
    snap->setChecked(false);
    QTimer::singleShot(0, &fragment, [&] {
        auto* end = fragment.findChild<QDoubleSpinBox*>(QStringLiteral("KoniecE"));
        end->setFocus();
        end->selectAll();
        QTest::keyClicks(end, n("2.5"));
        QTest::keyClick(end, Qt::Key_Return);   // the time counts, and the default button closes with OK
    });
    QVERIFY(click(*form, "Zaawansowane"));
    snap->setChecked(true);
    // The length of the part, from 0 s to the typed end.
    QCOMPARE(fragment.findChild<QLabel*>(QStringLiteral("DlugoscST"))->text(), n("2.50 s"));
    QCOMPARE(form->state().editedSignal()->at(1).FragmentEnd, int32_t(2.5 * zelmar::kSampleRate));
}

void PolyglotTest::programAnswersHelpAndVersionWithoutAWindow()
{
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../../src/app/zelmar");
    QVERIFY(QFileInfo(program).isExecutable());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("none"));
    const auto run = [&](const QStringList& args, QByteArray* out, QByteArray* err) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program, args);
        if (!p.waitForFinished(20000)) {
            p.kill();
            return -1;
        }
        *out = p.readAllStandardOutput();
        *err = p.readAllStandardError();
        return p.exitCode();
    };
    QByteArray out, err;
    QCOMPARE(run({QStringLiteral("--help")}, &out, &err), 0);
    QVERIFY(out.startsWith("Usage: zelmar"));
    QVERIFY(out.contains("--language NAME"));
    QCOMPARE(run({QStringLiteral("--language"), QStringLiteral("German"), QStringLiteral("--version")}, &out, &err), 0);
    QVERIFY(QRegularExpression(QStringLiteral("^zelmar \\d+\\.\\d+\\.\\d+\\n$")).match(QString::fromUtf8(out)).hasMatch());
    QCOMPARE(run({QStringLiteral("--language")}, &out, &err), 2);
    QVERIFY(err.contains("--language needs a language name"));
}

QTEST_MAIN(PolyglotTest)
#include "tst_polyglot.moc"
