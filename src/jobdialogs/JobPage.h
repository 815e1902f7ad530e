#pragma once
// What a folder job brings to the job dialog: its inputs (this widget, shown at the dialog's top)
// and a planner made from them. The dialog does the rest: the files read once, the preview
// following each change, the Apply (and close), the summary. A new job is one such class. The start is told
// again when a run changed the folder's names (a rename).

#include "tags/jobs/FolderJob.h"

#include <QList>
#include <QWidget>

#include <optional>
#include <vector>

class JobPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    virtual QString title() const = 0;  // the job's name: the dialog's title and the undo's
    // The folder's files as the dialog opens (a job may guess its inputs from them).
    virtual void start(const std::vector<JobFile> &files) { Q_UNUSED(files); }
    // Their readings, after start and again after a run (readings[i] is the i-th file's).
    virtual void read(const std::vector<TagReading> &readings) { Q_UNUSED(readings); }
    virtual QList<TagField> fields() const = 0;  // the fields the inputs write now
    virtual QString problem() const { return {}; }  // why the inputs cannot run; Apply waits
    // Why Apply waits while the preview still shows (a value marked at its box); empty: it may go.
    virtual QString applyProblem() const { return {}; }
    // A question asked once before Apply writes ("13 lines for 12 files: …"); empty: none.
    virtual QString confirmation() const { return {}; }
    // Rows for what the inputs hold that no file answers (a list's extra lines), after the files'.
    virtual std::vector<JobRow> extraRows() const { return {}; }
    // A row's reason as the dialog shows it: a job may say which of its inputs would allow it.
    virtual QString shownReason(const QString &reason) const { return reason; }
    virtual JobPlanner planner() const = 0;
    virtual void applied() {}  // after an Apply (a job may remember its inputs)

    // The field whose preview cell the user may set for one file, if any.
    virtual std::optional<TagField> editableField() const { return std::nullopt; }
    // The user typed text in that cell of the file at index in the list; false refuses it. A
    // change is told by changed().
    virtual bool setCell(int index, const QString &text)
    {
        Q_UNUSED(index);
        Q_UNUSED(text);
        return false;
    }

signals:
    void changed();  // the preview is planned again
};
