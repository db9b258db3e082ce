#pragma once
// Page 4: what to do with the finished set (save, send, both, or neither).
#include <QWidget>

class QCheckBox;
class QRadioButton;

class SaveSendPage : public QWidget {
    Q_OBJECT
public:
    explicit SaveSendPage(QWidget* parent = nullptr);

    enum class Choice { SaveAndSend, Send, Save, Close };
    Choice choice() const;
    // The "new file" box: `offered` lets the user change it, `checked` is its state from now on.
    void offerNewFile(bool offered, bool checked);
    bool newFileWanted() const;

    QRadioButton* ZapisIPrzeslanieRB;
    QRadioButton* PrzeslanieRB;
    QRadioButton* ZapisRB;
    QRadioButton* ZamkniecieRB;
    QCheckBox* ZapisWNowymPlikuCB;
};
