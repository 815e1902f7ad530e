#include "jobdialogs/CaseJobPage.h"

#include "tags/jobs/TextFields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

const TagField fieldOfTick[] = {TagField::Title, TagField::Artist, TagField::Album, TagField::Comment};
const char *const fieldCaptions[] = {"&Title", "A&rtist", "Al&bum", "Comm&ent"};
const char *const caseCaptions[] = {"Unchanged", "Title Case", "Sentence case", "UPPER", "lower"};

}  // namespace

CaseJobPage::CaseJobPage(const CodePage &page, QWidget *parent) : JobPage(parent), m_page(page)
{
    auto *ticks = new QHBoxLayout;
    for (int i = 0; i < int(fieldTicks.size()); ++i) {
        fieldTicks[i] = new QCheckBox(QLatin1String(fieldCaptions[i]), this);
        fieldTicks[i]->setObjectName(QStringLiteral("caseField%1").arg(i));
        fieldTicks[i]->setChecked(true);
        fieldTicks[i]->setToolTip(QStringLiteral("Change the %1").arg(QString::fromLatin1(fieldCaptions[i]).remove(u'&').toLower()));
        ticks->addWidget(fieldTicks[i]);
        connect(fieldTicks[i], &QCheckBox::toggled, this, &JobPage::changed);
    }
    ticks->addStretch();
    letterCase = new QComboBox(this);
    letterCase->setObjectName(QStringLiteral("caseLetters"));
    letterCase->setToolTip(QStringLiteral("The letter case the ticked fields take"));
    for (const char *caption : caseCaptions)
        letterCase->addItem(QLatin1String(caption));
    auto *caseLabel = new QLabel(QStringLiteral("Letter ca&se:"), this);
    caseLabel->setBuddy(letterCase);
    trimSpaces = new QCheckBox(QStringLiteral("Tri&m spaces"), this);
    trimSpaces->setObjectName(QStringLiteral("caseTrim"));
    trimSpaces->setToolTip(QStringLiteral("Remove spaces at either end and repeated spaces"));
    findText = new QLineEdit(this);
    findText->setObjectName(QStringLiteral("caseFind"));
    findText->setToolTip(QStringLiteral("The text to replace in the ticked fields"));
    auto *findLabel = new QLabel(QStringLiteral("&Find:"), this);
    findLabel->setBuddy(findText);
    replaceText = new QLineEdit(this);
    replaceText->setObjectName(QStringLiteral("caseReplace"));
    replaceText->setToolTip(QStringLiteral("What takes its place; \\1, \\2, … are the expression's captures"));
    auto *replaceLabel = new QLabel(QStringLiteral("Replace &with:"), this);
    replaceLabel->setBuddy(replaceText);
    regex = new QCheckBox(QStringLiteral("Regular e&xpression"), this);
    regex->setObjectName(QStringLiteral("caseRegex"));
    regex->setToolTip(QStringLiteral("Read Find as a regular expression"));
    matchCase = new QCheckBox(QStringLiteral("Matc&h case"), this);
    matchCase->setObjectName(QStringLiteral("caseMatchCase"));
    matchCase->setToolTip(QStringLiteral("Find only text in the same letter case"));
    matchCase->setChecked(true);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addLayout(ticks, 0, 0, 1, 4);
    grid->addWidget(caseLabel, 1, 0);
    grid->addWidget(letterCase, 1, 1);
    grid->addWidget(trimSpaces, 1, 2);
    grid->addWidget(findLabel, 2, 0);
    grid->addWidget(findText, 2, 1);
    grid->addWidget(regex, 2, 2);
    grid->addWidget(matchCase, 2, 3);
    grid->addWidget(replaceLabel, 3, 0);
    grid->addWidget(replaceText, 3, 1);
    grid->setColumnStretch(1, 1);

    connect(letterCase, &QComboBox::currentIndexChanged, this, &JobPage::changed);
    for (QCheckBox *tick : {trimSpaces, regex, matchCase})
        connect(tick, &QCheckBox::toggled, this, &JobPage::changed);
    for (QLineEdit *box : {findText, replaceText})
        connect(box, &QLineEdit::textChanged, this, &JobPage::changed);
}

CaseOptions CaseJobPage::options() const
{
    CaseOptions options;
    options.fields.clear();
    for (int i = 0; i < int(fieldTicks.size()); ++i)
        if (fieldTicks[i]->isChecked())
            options.fields.push_back(fieldOfTick[i]);
    options.letterCase = LetterCase(qMax(0, letterCase->currentIndex()));
    options.trimSpaces = trimSpaces->isChecked();
    options.find = findText->text();
    options.replaceWith = replaceText->text();
    options.regex = regex->isChecked();
    options.caseSensitive = matchCase->isChecked();
    return options;
}

QList<TagField> CaseJobPage::fields() const
{
    const std::vector<TagField> fields = options().fields;
    return QList<TagField>(fields.begin(), fields.end());
}

QString CaseJobPage::problem() const
{
    const CaseOptions chosen = options();
    if (chosen.fields.empty())
        return QStringLiteral("Tick the fields to change.");
    if (chosen.letterCase == LetterCase::Keep && !chosen.trimSpaces && chosen.find.isEmpty())
        return QStringLiteral("Choose a letter case, Trim spaces or a text to find.");
    const QString problem = TextChange(chosen).problem();
    return problem.isEmpty() ? QString() : QStringLiteral("The replacement cannot be used: ") + problem + u'.';
}

JobPlanner CaseJobPage::planner() const { return casePlanner(options(), m_page); }
