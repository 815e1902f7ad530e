#pragma once
// Values for Every File: Artist, Album, Year, Comment and Genre, each with a tick; the ticked
// values go to every file. Typing in a box ticks it.

#include "jobs/JobInputs.h"

#include <array>

class GenreBox;
class QCheckBox;
class QLineEdit;

class ValuesJobInputs : public JobInputs {
    Q_OBJECT
public:
    explicit ValuesJobInputs(const QStringList &genreList, QWidget *parent = nullptr);

    static QString jobTitle() { return QStringLiteral("Values for Every File"); }
    QString title() const override { return jobTitle(); }
    QList<TagField> fields() const override;
    QString problem() const override;
    JobPlanner planner() const override;

    // Artist, Album, Year, Comment; then the genre's tick.
    std::array<QCheckBox *, 5> ticks{};
    std::array<QLineEdit *, 4> boxes{};
    GenreBox *genre = nullptr;
};
