#pragma once
// File attribute bits as the save sees them. Bit 1, read-only, means "the owner may not write the
// file".

#include "tags/FileStatus.h"

#include <QByteArray>
#include <QtGlobal>

class ChngFileAtt {
public:
    static constexpr qint32 ReadOnly = 1;

    // The attribute bits of a regular file (following links); -1 when there is no such file.
    static qint32 attributesOf(const QByteArray &path);

    // Sets the bits of lngSetAttr (always writing, even when they are already set), then removes
    // those of lngRemoveAttr (writing only when one of them is set). Returns false when strPath
    // names no regular file; otherwise true, with a failure to change the permission bits put in
    // *failure (success otherwise).
    bool ChangeFileAttributes(const QByteArray &strPath, qint32 lngSetAttr, qint32 lngRemoveAttr,
                              FileStatus *failure = nullptr);
};
