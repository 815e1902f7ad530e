#include "tags/jobs/NumberJob.h"

#include <QHash>

#include <memory>

JobPlanner numberPlanner(const NumberOptions &options, const std::vector<JobFile> &files)
{
    auto indexOf = std::make_shared<QHash<QByteArray, int>>();
    for (size_t i = 0; i < files.size(); ++i)
        indexOf->insert(files[i].path, int(i));
    return [options, indexOf](const JobFile &file, const TagReading &reading, FieldEdits &edits, QString &reason) {
        const int index = indexOf->value(file.path, -1);
        if (index < 0) {
            reason = QStringLiteral("not in the list");
            return false;
        }
        int number = options.start + index;
        if (const auto given = options.given.find(index); given != options.given.end())
            number = given->second;
        else if (options.onlyMissing && reading.track())
            return true;  // kept as it is
        if (number < 0 || number > Id3v1::MaxTrack) {
            reason = QStringLiteral("track number %1: a number is 1 to 255 (0 clears it)").arg(number);
            return false;
        }
        if (number && !options.cutComments && !fitsBesideTrack(storedComment(reading))) {
            reason = QLatin1String(CommentWouldBeCut);
            return false;
        }
        edits.track = number;
        edits.cutComment = options.cutComments;
        edits.freeCommentBytes = options.freeCommentBytes;
        return true;
    };
}
