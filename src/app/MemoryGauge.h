#pragma once
// The memory gauge of the editing pages: a framed bar showing how full the chime's memory is,
// following the state's figures.
#include <QGroupBox>

class QProgressBar;
class WizardState;

class MemoryGauge : public QGroupBox {
    Q_OBJECT
public:
    MemoryGauge(const WizardState& state, const char* groupName, const char* barName, const QRect& place,
                QWidget* page);

    QProgressBar* bar() const { return bar_; }

private:
    void showFigures();

    const WizardState& state_;
    QProgressBar* bar_;
};
