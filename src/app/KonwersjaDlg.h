#pragma once
// The conversion progress window: shown without being modal while a sound is converted; Anuluj or
// the window's close button hides it, and the import takes the hidden window as a cancel.
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class TbsPolyglotTranslator;

class TKonwersjaDlg : public QDialog {
    Q_OBJECT
public:
    explicit TKonwersjaDlg(QWidget* parent = nullptr);

    QLabel* OpisST;
    QProgressBar* StanG;
    QPushButton* Anuluj;

public Q_SLOTS:
    void AnulujClick();

protected:
    // Stands centred on the window it belongs to.
    void showEvent(QShowEvent* event) override;

private:
    void fitTexts();

    TbsPolyglotTranslator* bsPolyglotTranslator1 = nullptr;
};
