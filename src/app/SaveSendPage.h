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
    // The box "keep a copy of what the chime holds before sending"; it counts only for a choice
    // that sends.
    bool backupWanted() const;
    void setBackupWanted(bool on);

    QRadioButton* ZapisIPrzeslanieRB;
    QRadioButton* PrzeslanieRB;
    QRadioButton* ZapisRB;
    QRadioButton* ZamkniecieRB;
    QCheckBox* ZapisWNowymPlikuCB;
    QCheckBox* KopiaDzwonkaCB;

Q_SIGNALS:
    // The user ticked or cleared the backup box.
    void backupWantedChanged(bool on);
};
