#include "jobdialogs/NumberJobPage.h"

#include "tags/id3v1/Id3v1.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>

NumberJobPage::NumberJobPage(QWidget *parent) : JobPage(parent)
{
    startNumber = new QSpinBox(this);
    startNumber->setObjectName(QStringLiteral("numberStart"));
    startNumber->setRange(1, Id3v1::MaxTrack);
    startNumber->setToolTip(QStringLiteral("The first file's number; each next file one more (1 to 255)"));
    auto *label = new QLabel(QStringLiteral("&Start at:"), this);
    label->setBuddy(startNumber);
    onlyMissing = new QCheckBox(QStringLiteral("&Only files without a number"), this);
    onlyMissing->setObjectName(QStringLiteral("numberOnlyMissing"));
    onlyMissing->setToolTip(QStringLiteral("Files that have a number keep it; the others get the number of their place"));
    cutComments = new QCheckBox(QStringLiteral("Cut co&mments to 28 bytes to make room for the number"), this);
    cutComments->setObjectName(QStringLiteral("numberCutComments"));
    cutComments->setToolTip(QStringLiteral("A comment longer than 28 bytes loses its end to sit beside the number; "
                                           "unticked, such a file is skipped"));
    freeCommentBytes = new QCheckBox(QStringLiteral("A cleared number gives the comment its &30 bytes back"), this);
    freeCommentBytes->setObjectName(QStringLiteral("numberFreeCommentBytes"));
    freeCommentBytes->setToolTip(QStringLiteral("Without a number the comment may hold 30 bytes again"));
    auto *hint = new QLabel(QStringLiteral("One file's number: type it in its Track cell below (F2); 0 or nothing "
                                           "clears it."),
                            this);
    hint->setWordWrap(true);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(label, 0, 0);
    grid->addWidget(startNumber, 0, 1);
    grid->addWidget(onlyMissing, 1, 1, 1, 2);
    grid->addWidget(cutComments, 2, 1, 1, 2);
    grid->addWidget(freeCommentBytes, 3, 1, 1, 2);
    grid->addWidget(hint, 4, 1, 1, 2);
    grid->setColumnStretch(2, 1);

    connect(startNumber, &QSpinBox::valueChanged, this, &JobPage::changed);
    for (QCheckBox *tick : {onlyMissing, cutComments, freeCommentBytes})
        connect(tick, &QCheckBox::toggled, this, &JobPage::changed);
}

void NumberJobPage::start(const std::vector<JobFile> &files)
{
    m_files = files;
    m_given.clear();  // typed for the places of the list as it was
}

QList<TagField> NumberJobPage::fields() const { return {TagField::Comment, TagField::Track}; }

JobPlanner NumberJobPage::planner() const
{
    NumberOptions options;
    options.start = startNumber->value();
    options.onlyMissing = onlyMissing->isChecked();
    options.cutComments = cutComments->isChecked();
    options.freeCommentBytes = freeCommentBytes->isChecked();
    options.given = m_given;
    return numberPlanner(options, m_files);
}

// What would happen, and the tick that allows it.
QString NumberJobPage::shownReason(const QString &reason) const
{
    if (reason != QLatin1String(CommentWouldBeCut))
        return reason;
    return reason + QStringLiteral(": tick \"%1\" to allow").arg(cutComments->text().remove(u'&'));
}

bool NumberJobPage::setCell(int index, const QString &text)
{
    const QString typed = text.trimmed();
    bool isNumber = typed.isEmpty();
    const int number = isNumber ? 0 : typed.toInt(&isNumber);
    if (!isNumber || index < 0 || index >= int(m_files.size()))
        return false;
    // A number out of range is kept: the preview skips its file and says why.
    m_given[index] = number;
    emit changed();
    return true;
}
