#include "player/PlayerInstance.h"

MediaPlayer &PlayerInstance::get()
{
    if (!m_player)
        m_player = std::make_unique<MediaPlayer>();
    return *m_player;
}
