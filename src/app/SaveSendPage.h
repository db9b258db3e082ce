#pragma once
// Page 4: what to do with the finished set (save, send, both, or neither).
#include <QWidget>

class QCheckBox;
class QRadioButton;

class SaveSendPage : public QWidget {
    Q_OBJECT
public:
    explicit SaveSendPage(QWidget* parent = nullptr);

    QRadioButton* ZapisIPrzeslanieRB;
    QRadioButton* PrzeslanieRB;
    QRadioButton* ZapisRB;
    QRadioButton* ZamkniecieRB;
    QCheckBox* ZapisWNowymPlikuCB;
};
