#pragma once
// Playing the previews' WAV files to their end. QtAudioPlayer goes through Qt Multimedia's audio
// output; another player (a test's) can take its place through the previews.
#include <QString>

class QWidget;
class Dialogs;

class AudioPlayer {
public:
    virtual ~AudioPlayer() = default;
    // Plays the file to its end and returns true; false with a message for the user when it
    // cannot be played (no output device, an unreadable file, a device that fails).
    virtual bool play(const QString& path, QString& error) = 0;
};

class QtAudioPlayer : public AudioPlayer {
public:
    bool play(const QString& path, QString& error) override;
    // True when the system offers an audio output device at all.
    static bool outputAvailable();
};

// Plays one preview file with the main window disabled (it still repaints; input and close
// requests are refused), then enables it again and deletes the file. A failure is shown through
// `dialogs` once the window is enabled again. Returns whether it played.
bool PlayWavFile(QWidget* mainWindow, AudioPlayer& player, Dialogs& dialogs, const QString& path);

// The player the program uses (Qt Multimedia); it reports a missing output device itself.
AudioPlayer& defaultAudioPlayer();
