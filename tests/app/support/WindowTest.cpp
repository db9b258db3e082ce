#include "WindowTest.h"

#include "WizardChoices.h"
#include "device/ChimeSelection.h"

#include <QRadioButton>

void WindowTest::initTestCase()
{
    QVERIFY(userFolder_.isValid());
    pagedriver::initTestProgram(userFolder_);
}

void WindowTest::init()
{
    f_ = std::make_unique<pagedriver::Fixture>();
    QSettings(QStringLiteral("VORANEX"), QStringLiteral("Zelmar")).clear();
    QFile::remove(wizardchoices::storeFile());
}

void WindowTest::cleanup()
{
    const QStringList unexpected = f_->dialogs.unexpected();
    const int pending = f_->dialogs.pendingAnswers();
    f_.reset();
    zelmar::useChime({});
    chimeDir_.reset();
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(u'\n')));
    QCOMPARE(pending, 0);
}

TMainForm* WindowTest::makeForm(const QString& argument)
{
    f_->form = std::make_unique<TMainForm>(f_->dialogs, argument);
    f_->form->show();
    return f_->form.get();
}

void WindowTest::useVirtualChime(bool hid, const std::string& fault)
{
    if (!chimeDir_)
        chimeDir_ = std::make_unique<QTemporaryDir>();
    zelmar::useChime({QFile::encodeName(chimeDir_->filePath("chime.bin")).toStdString(), hid, fault});
    zelmar::currentChime().virtualChime()->timing.eraseTicks = 2;
}

bool WindowTest::download(pagedriver::Fixture& f)
{
    f.form = std::make_unique<TMainForm>(f.dialogs);
    f.form->show();
    pagedriver::child<QRadioButton>(*f.form, "PobranieRB")->setChecked(true);
    return pagedriver::click(*f.form, "Dalej");
}
