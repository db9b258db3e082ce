#pragma once
// Page 0: the start choice (new set, set from disk, set from the chime).
#include <QWidget>

class QRadioButton;

class StartPage : public QWidget {
    Q_OBJECT
public:
    explicit StartPage(QWidget* parent = nullptr);

    enum class Choice { NewSet, OpenFile, Download };
    Choice choice() const;

    QRadioButton* NowyRB;
    QRadioButton* OdczytRB;
    QRadioButton* PobranieRB;
};
