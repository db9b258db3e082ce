#include "MemoryGauge.h"

#include "ResourceText.h"
#include "WizardState.h"

#include <QProgressBar>

MemoryGauge::MemoryGauge(const WizardState& state, const char* groupName, const char* barName, const QRect& place,
                         QWidget* page)
    : QGroupBox(QStringLiteral("Zajętość pamięci"), page), state_(state), bar_(new QProgressBar(this))
{
    setObjectName(QString::fromLatin1(groupName));
    setGeometry(place);
    bar_->setObjectName(QString::fromLatin1(barName));
    bar_->setGeometry(10, 20, place.width() - 20, 18);
    bar_->setTextVisible(false);
    bar_->setRange(0, 100);
    QPalette p = bar_->palette();
    p.setColor(QPalette::Highlight, Qt::blue);
    bar_->setPalette(p);
    connect(&state_, &WizardState::memoryFiguresChanged, this, &MemoryGauge::showFigures);
    showFigures();
}

void MemoryGauge::showFigures()
{
    bar_->setValue(state_.memoryDisplay().gaugePercent);
    // The value with its meaning, for a screen reader.
    bar_->setAccessibleDescription(rsfq(65374, {(long long)state_.memoryDisplay().gaugePercent,
                                                 state_.memoryDisplay().remainingSeconds}));
    // A progress bar on its own skips repaints for small steps, so the gauge would lag its figure
    // by a few percent.
    bar_->update();
}
