#pragma once
// A player for tests: plays nothing, remembers every file as it was when played, and can fail as
// a machine without an output device does.
#include "AudioPlayer.h"

#include <QByteArray>
#include <QList>
#include <QString>

class SilentPlayer : public AudioPlayer {
public:
    struct Played {
        QString path;
        QByteArray bytes;   // the whole file as it was when played
    };
    bool play(const QString& path, QString& error) override;
    const QList<Played>& played() const { return played_; }
    // Makes the next plays fail as if there were no output device.
    void setNoDevice(bool noDevice) { noDevice_ = noDevice; }

private:
    QList<Played> played_;
    bool noDevice_ = false;
};
