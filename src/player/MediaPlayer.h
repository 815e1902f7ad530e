#pragma once
// The media playback component: plays one MP3 file at a time through Qt Multimedia.
//
// The program asks for a small, synchronous-looking contract (playing, paused or neither,
// positions and lengths in real seconds, a volume in hundredths of a decibel) while the backend
// loads and seeks asynchronously. This class bridges the two: requests made before the file has
// loaded are kept and applied once it has, and playState() answers with what was last asked for
// until the backend reports something the caller did not ask for (the end of the file, an error).

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <optional>

class QAudioOutput;
class QFile;
class QMediaPlayer;

class MediaPlayer : public QObject {
    Q_OBJECT
public:
    static constexpr int MinVolume = -3000;
    static constexpr int MaxVolume = 0;

    enum class PlayState { Stopped = 0, Paused = 1, Playing = 2 };
    Q_ENUM(PlayState)

    explicit MediaPlayer(QObject *parent = nullptr);
    ~MediaPlayer() override;

    PlayState playState() const;
    // True while the file last opened at this path is loaded (playing, paused, stopped or
    // finished); false when nothing was opened or the file could not be played.
    bool holds(const QByteArray &nativePath) const;
    void open(const QByteArray &nativePath); // loads the file and starts playing it by itself
    void play();                             // resumes; after a jump, plays on from the new position
    void pause();
    void stop();                             // harmless when nothing was ever opened
    double position() const;                 // seconds
    void setPosition(double seconds);
    double duration() const;                 // seconds; 0 while nothing is loaded
    int volume() const;                      // hundredths of a decibel, 0 (loudest) .. -3000
    void setVolume(int hundredthsOfDb);      // linear gain 10^(volume/2000)

    // The linear gain for a volume in hundredths of a decibel (clamped to MinVolume..MaxVolume).
    static float gainForVolume(int hundredthsOfDb);

signals:
    void failed(const QString &description); // a file that cannot be opened or decoded, once per open

private:
    void onMediaStatusChanged();
    void onPlaybackStateChanged();
    void onError(const QString &description);
    void applyPending();
    void seekTo(qint64 ms);
    bool isLoaded() const;
    void fail(const QString &description);
    void createBackend();
    void replaceBackend();
    void detachSource(QMediaPlayer *player);

    QMediaPlayer *m_player = nullptr;         // owns m_output and m_device
    QAudioOutput *m_output = nullptr;
    QFile *m_device = nullptr;                // the opened file the backend reads from
    bool m_backendUsed = false;               // m_player was given a file
    PlayState m_state = PlayState::Stopped;   // what the caller last asked for
    QByteArray m_path;                        // the file last opened
    bool m_hasMedia = false;                  // a file was opened and has not failed
    bool m_failureReported = false;           // failed() already emitted for this open
    std::optional<qint64> m_pendingPositionMs; // a jump asked for before the file loaded
    std::optional<qint64> m_seekTargetMs;      // last jump, reported until the backend catches up
    QElapsedTimer m_seekClock;                 // since the last jump
    static constexpr qint64 SeekSettleMs = 1500;
    int m_volume = 0;
    quint64 m_openSerial = 0;                  // tells a stale queued failure from a current one
};
