#pragma once
// The file the player holds, known by its device and inode: Save Tags, every job and every undo
// leave it alone, whatever name they reach it by.

#include <QByteArray>
#include <QtGlobal>

class HeldFile {
public:
    HeldFile() = default;
    // Looked at once; nothing is held when path is empty or leads nowhere.
    explicit HeldFile(const QByteArray &path);

    bool holds(quint64 device, quint64 inode) const { return m_held && device == m_device && inode == m_inode; }

private:
    bool m_held = false;
    quint64 m_device = 0, m_inode = 0;
};
