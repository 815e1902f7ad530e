#pragma once
// Values for Every File: Artist, Album, Year, Comment and Genre, each with a tick; the ticked
// values go to every file. Typing in a box ticks it.

#include "jobdialogs/JobPage.h"
#include "tags/jobs/TextFields.h"
#include "tags/jobs/ValuesJob.h"

#include <array>

class GenreBox;
class QCheckBox;
class QLineEdit;

class ValuesJobPage : public JobPage {
    Q_OBJECT
public:
    explicit ValuesJobPage(const QStringList &genreList, QWidget *parent = nullptr);

    static QString jobTitle() { return QString::fromLatin1(ValuesJobTitle); }
    QString title() const override { return jobTitle(); }
    QList<TagField> fields() const override;
    QString problem() const override;
    JobPlanner planner() const override;

    // Artist, Album, Year, Comment; then the genre's tick.
    std::array<QCheckBox *, 5> ticks{};
    std::array<QLineEdit *, 4> boxes{};
    GenreBox *genre = nullptr;
};
