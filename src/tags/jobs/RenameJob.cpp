#include "tags/jobs/RenameJob.h"

#include "tags/codepage/CodePage.h"
#include "tags/trailer/NameBuilder.h"

QByteArray proposedNameOf(const TagReading &reading, bool longNames, const CodePage &page)
{
    if (!reading.tagged)
        return QByteArray();
    return proposeFileName(page.decode(reading.fields.title), page.decode(reading.fields.artist), longNames, QString())
        .toUtf8();
}

JobPlanner renamePlanner(bool longNames, const CodePage &page)
{
    const CodePage *decoding = &page;  // the pages live as long as the program
    return [longNames, decoding](const JobFile &, const TagReading &reading, FieldEdits &edits, QString &) {
        if (const QByteArray name = proposedNameOf(reading, longNames, *decoding); !name.isEmpty())
            edits.newName = name;
        return true;
    };
}
