#pragma once
// What a folder job brings to the job dialog: its inputs (this widget, shown at the dialog's top)
// and a planner made from them. The dialog does the rest: the files read once, the preview
// following each change, the Apply, the summary. A new job is one such class.

#include "tags/jobs/FolderJob.h"

#include <QList>
#include <QWidget>

#include <vector>

class JobInputs : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    virtual QString title() const = 0;  // the job's name: the dialog's title and the undo's
    // The folder's files, once, as the dialog opens (a job may guess its inputs from them).
    virtual void start(const std::vector<JobFile> &files) { Q_UNUSED(files); }
    virtual QList<JobField> fields() const = 0;  // the fields the inputs write now
    virtual QString problem() const { return {}; }  // why the inputs cannot run; Apply waits
    virtual JobPlanner planner() const = 0;
    virtual void applied() {}  // after an Apply (a job may remember its inputs)

signals:
    void changed();  // the preview is planned again
};
