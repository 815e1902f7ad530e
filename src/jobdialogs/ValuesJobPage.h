#pragma once
// Values for Every File: Artist, Album, Year, Comment and Genre, each with a tick; the ticked
// values go to every file. A field's access key puts the cursor in its box, and typing ticks it.
// Each text box shows the bytes its value takes in the chosen code page ("12/30"); a value that
// does not fit, or a genre not in the list, is marked at its box and held back (the preview shows
// the other fields, Apply waits); a year of two digits is questioned there.

#include "jobdialogs/JobPage.h"
#include "tags/jobs/TextFields.h"
#include "tags/jobs/ValuesJob.h"

#include <array>

class CodePage;
class GenreBox;
class QCheckBox;
class QLabel;
class QLineEdit;

class ValuesJobPage : public JobPage {
    Q_OBJECT
public:
    // page: the window's code page, which the bytes are counted in.
    ValuesJobPage(const QStringList &genreList, const CodePage &page, QWidget *parent = nullptr);

    static QString jobTitle() { return QString::fromLatin1(ValuesJobTitle); }
    QString title() const override { return jobTitle(); }
    void read(const std::vector<TagReading> &readings) override;
    QList<TagField> fields() const override;
    QString problem() const override;
    QString applyProblem() const override;
    JobPlanner planner() const override;

    // Artist, Album, Year, Comment; then the genre's tick.
    std::array<QCheckBox *, 5> ticks{};
    std::array<QLineEdit *, 4> boxes{};
    std::array<QLabel *, 4> notes{};  // the bytes used, and a question or a mark
    GenreBox *genre = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString boxProblem(int box) const;  // why a ticked box's value is held back; empty: it goes
    void showNotes();

    const CodePage &m_page;
};
