#include "FolderScan.h"

#include "FileList.h"
#include "Mp3List.h"

namespace {
// Files read before their rows are added: bounds the memory a folder of any size needs.
constexpr int BatchSize = 256;
}  // namespace

void FolderScan::readBatch(const FileList &files, const QByteArray &folderPrefix, int first, int count,
                           std::vector<TagReading> &readings)
{
    readings.clear();
    QByteArray path = folderPrefix;
    const qsizetype prefixLength = path.size();
    for (int i = first; i < first + count; ++i) {
        path.truncate(prefixLength);
        path.append(files.name(i));
        readings.push_back(readTagFile(path));
    }
}

FolderScan::Result FolderScan::fill(const FileList &files, const QByteArray &folderPrefix)
{
    Result result;
    const int n = files.count();
    std::vector<TagReading> readings;
    readings.reserve(BatchSize);
    m_list.beginRebuild();
    m_list.clear();
    for (int first = 0; first < n; first += BatchSize) {
        const int count = std::min(BatchSize, n - first);
        readBatch(files, folderPrefix, first, count, readings);
        for (int k = 0; k < count; ++k) {
            TagReading &reading = readings[size_t(k)];
            // An unreadable file gets an empty row, never the previous file's values.
            result.last = reading.status ? tagRecordOf(reading, m_genreList) : TagRecord();
            m_list.appendRow(files.displayName(first + k), result.last);
            if (!reading.status) {
                ++result.unreadable;
                continue;
            }
            if (reading.tagged)
                result.lastGenre = reading.fields.genre;
            result.lastRead = std::move(reading);
        }
    }
    m_list.endRebuild();
    return result;
}
