#pragma once
// The one player of the main window. It is created by whichever operation first needs it and
// lives as long as its owner.

#include "player/MediaPlayer.h"

#include <memory>

class PlayerInstance {
public:
    PlayerInstance() = default;
    PlayerInstance(const PlayerInstance &) = delete;
    PlayerInstance &operator=(const PlayerInstance &) = delete;

    MediaPlayer &get();
    bool exists() const { return m_player != nullptr; }

private:
    std::unique_ptr<MediaPlayer> m_player;
};
