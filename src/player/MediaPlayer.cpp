#include "player/MediaPlayer.h"

#include "tags/files/RegularFile.h"

#include <QAudioOutput>
#include <QFile>
#include <QMediaPlayer>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

qint64 toMilliseconds(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0)
        return 0;
    const double ms = std::round(seconds * 1000.0);
    return ms >= 9.0e15 ? qint64(9.0e15) : qint64(ms);
}

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

}  // namespace

MediaPlayer::MediaPlayer(QObject *parent) : QObject(parent)
{
    createBackend();
}

MediaPlayer::~MediaPlayer()
{
    detachSource(m_player);
}

void MediaPlayer::detachSource(QMediaPlayer *player)
{
    // The backend must take its decoder down while it is whole: destroyed with a file still
    // loaded, it can be called back about the decoder's pads half-way through its destructor.
    disconnect(player, nullptr, this, nullptr);
    player->stop();
    player->setSourceDevice(nullptr);
}

void MediaPlayer::createBackend()
{
    m_player = new QMediaPlayer(this);
    m_output = new QAudioOutput(m_player);
    m_output->setVolume(gainForVolume(m_volume));
    m_player->setAudioOutput(m_output);
    m_backendUsed = false;
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, &MediaPlayer::onMediaStatusChanged);
    connect(m_player, &QMediaPlayer::playbackStateChanged, this, &MediaPlayer::onPlaybackStateChanged);
    connect(m_player, &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error, const QString &text) { onError(text); });
    connect(m_player, &QMediaPlayer::positionChanged, this, [this](qint64 ms) {
        // The backend has caught up with the last jump once it reports a position near it.
        if (m_seekTargetMs && std::llabs(ms - *m_seekTargetMs) < 1000)
            m_seekTargetMs.reset();
    });
}

void MediaPlayer::replaceBackend()
{
    // Each file gets a fresh pipeline: handing a second stream to a pipeline that has already
    // read one sometimes leaves it at the old stream's end ("no valid frames"), so a perfectly
    // good file would fail to play.
    if (!m_backendUsed)
        return;
    QMediaPlayer *old = m_player;
    detachSource(old);
    old->setParent(nullptr);
    old->deleteLater();  // takes its audio output and its device with it
    m_device = nullptr;
    createBackend();
}

float MediaPlayer::gainForVolume(int hundredthsOfDb)
{
    const int v = std::clamp(hundredthsOfDb, MinVolume, MaxVolume);
    return float(std::pow(10.0, v / 2000.0));
}

MediaPlayer::PlayState MediaPlayer::playState() const
{
    return m_state;
}

bool MediaPlayer::holds(const QByteArray &nativePath) const
{
    return m_hasMedia && m_path == nativePath;
}

void MediaPlayer::open(const QByteArray &nativePath)
{
    replaceBackend();
    ++m_openSerial;
    m_failureReported = false;
    m_pendingPositionMs.reset();
    m_seekTargetMs.reset();
    m_state = PlayState::Stopped;
    m_hasMedia = false;
    m_path = nativePath;

    // Opened by its raw bytes so that names which are not valid UTF-8 play too. Only a regular
    // file is read: a FIFO or device named like an MP3 file must not block or stream forever.
    // A NUL byte would silently cut the path short and open some other file.
    int fd = -1;
    struct stat st {};
    const FileStatus opened = nativePath.isEmpty() ? FileStatus::fromErrno(ENOENT)
        : nativePath.contains('\0')              ? FileStatus::fromErrno(EINVAL)
                                                  : openRegularFile(AT_FDCWD, nativePath.constData(), O_RDONLY, false, fd, st);
    if (!opened) {
        // The system's words, but the refusal of a pseudo file system says what it is.
        fail(opened.code() == EPERM ? opened.description() : systemError(opened.code()));
        return;
    }
    // Reads should block normally from here on.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    auto *device = new QFile(m_player);
    if (!device->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        fail(device->errorString());
        delete device;
        return;
    }
    m_device = device;
    m_backendUsed = true;
    m_hasMedia = true;
    m_state = PlayState::Playing;
    m_player->setSourceDevice(m_device, QUrl::fromLocalFile(QString::fromUtf8(nativePath)));
    m_player->play();
}

void MediaPlayer::play()
{
    if (!m_hasMedia)
        return;
    m_state = PlayState::Playing;
    m_player->play();
}

void MediaPlayer::pause()
{
    if (!m_hasMedia)
        return;
    m_state = PlayState::Paused;
    m_player->pause();
}

void MediaPlayer::stop()
{
    m_state = PlayState::Stopped;
    m_pendingPositionMs.reset();
    m_seekTargetMs.reset();
    m_player->stop();
}

bool MediaPlayer::isLoaded() const
{
    switch (m_player->mediaStatus()) {
    case QMediaPlayer::LoadedMedia:
    case QMediaPlayer::StalledMedia:
    case QMediaPlayer::BufferingMedia:
    case QMediaPlayer::BufferedMedia:
    case QMediaPlayer::EndOfMedia:
        return true;
    default:
        return false;
    }
}

double MediaPlayer::position() const
{
    if (m_pendingPositionMs)
        return *m_pendingPositionMs / 1000.0;
    // Right after a jump the backend may still report the old position for a moment; answer
    // with the target meanwhile, but never for long (a jump past the end is never reached).
    if (m_seekTargetMs && m_seekClock.isValid() && m_seekClock.elapsed() < SeekSettleMs)
        return *m_seekTargetMs / 1000.0;
    return m_player->position() / 1000.0;
}

void MediaPlayer::setPosition(double seconds)
{
    if (!m_hasMedia)
        return;
    const qint64 ms = toMilliseconds(seconds);
    if (!isLoaded()) {
        m_pendingPositionMs = ms;
        return;
    }
    seekTo(ms);
}

void MediaPlayer::seekTo(qint64 ms)
{
    // A jump past the end is refused by the decoder, which then plays the file again from the
    // beginning; the end itself is a jump that finishes the file, as the caller meant.
    const qint64 end = m_player->duration();
    if (end > 0)
        ms = std::min(ms, end);
    m_seekTargetMs = ms;
    m_seekClock.start();
    m_player->setPosition(ms);
}

double MediaPlayer::duration() const
{
    return m_hasMedia ? m_player->duration() / 1000.0 : 0.0;
}

int MediaPlayer::volume() const
{
    return m_volume;
}

void MediaPlayer::setVolume(int hundredthsOfDb)
{
    m_volume = std::clamp(hundredthsOfDb, MinVolume, MaxVolume);
    m_output->setVolume(gainForVolume(m_volume));
}

void MediaPlayer::applyPending()
{
    if (!m_pendingPositionMs || !isLoaded())
        return;
    const qint64 ms = *m_pendingPositionMs;
    m_pendingPositionMs.reset();
    seekTo(ms);
}

void MediaPlayer::onMediaStatusChanged()
{
    switch (m_player->mediaStatus()) {
    case QMediaPlayer::InvalidMedia:
        onError(m_player->errorString());
        break;
    case QMediaPlayer::EndOfMedia:
        // Finished by itself: neither playing nor paused any more.
        m_state = PlayState::Stopped;
        m_seekTargetMs.reset();
        break;
    default:
        applyPending();
        break;
    }
}

void MediaPlayer::onPlaybackStateChanged()
{
    if (m_player->playbackState() == QMediaPlayer::StoppedState
        && m_player->mediaStatus() == QMediaPlayer::EndOfMedia)
        m_state = PlayState::Stopped;
}

void MediaPlayer::onError(const QString &description)
{
    if (!m_hasMedia)
        return;
    m_hasMedia = false;
    m_state = PlayState::Stopped;
    m_pendingPositionMs.reset();
    m_seekTargetMs.reset();
    m_player->stop();
    fail(description);
}

void MediaPlayer::fail(const QString &description)
{
    // Reported from the event loop, never from inside open(): the caller's handler finishes
    // first, and a later open() makes an older failure stale.
    const quint64 serial = m_openSerial;
    const QString text = description.isEmpty() ? tr("The file cannot be played.") : description;
    QMetaObject::invokeMethod(
        this,
        [this, serial, text] {
            if (serial != m_openSerial || m_failureReported)
                return;
            m_failureReported = true;
            emit failed(text);
        },
        Qt::QueuedConnection);
}
