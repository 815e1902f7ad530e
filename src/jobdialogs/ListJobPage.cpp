#include "jobdialogs/ListJobPage.h"

#include "tags/files/SmallFile.h"
#include "tags/jobs/TextFields.h"
#include "tags/text/Message.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

ListJobPage::ListJobPage(QWidget *parent) : JobPage(parent)
{
    listText = new QPlainTextEdit(this);
    listText->setObjectName(QStringLiteral("listText"));
    listText->setToolTip(QStringLiteral("One line per file, in the list's order, as copied from an album sleeve"));
    listText->setTabChangesFocus(true);  // Tab leaves the box, as in every other input
    listText->setLineWrapMode(QPlainTextEdit::NoWrap);
    // A sleeve's worth of lines shows; the rest of the height goes to the preview of the files.
    listText->setMaximumHeight(listText->fontMetrics().lineSpacing() * 8 + 2 * listText->frameWidth() + 8);
    auto *label = new QLabel(QStringLiteral("&List, one line per file:"), this);
    label->setBuddy(listText);
    openButton = new QPushButton(QStringLiteral("&Open…"), this);
    openButton->setObjectName(QStringLiteral("listOpen"));
    openButton->setToolTip(QStringLiteral("Put the lines of a UTF-8 text file (1 MiB at most) in the box"));
    openButton->setAutoDefault(false);
    dropNumbers = new QCheckBox(QStringLiteral("Remove leading &numbers"), this);
    dropNumbers->setObjectName(QStringLiteral("listDropNumbers"));
    dropNumbers->setToolTip(QStringLiteral("Take \"1.\", \"01 -\", \"1)\" or \"A1\" off the start of each line"));
    dropDurations = new QCheckBox(QStringLiteral("Remove &durations"), this);
    dropDurations->setObjectName(QStringLiteral("listDropDurations"));
    dropDurations->setToolTip(QStringLiteral("Take \"3:45\" or \"(3:45)\" off the end of each line"));
    for (QCheckBox *tick : {dropNumbers, dropDurations})
        tick->setChecked(true);
    fieldBox = new QComboBox(this);
    fieldBox->setObjectName(QStringLiteral("listField"));
    fieldBox->setToolTip(QStringLiteral("The field the lines fill"));
    for (const TagFieldInfo &field : textFields())
        fieldBox->addItem(QLatin1String(field.column));
    auto *fieldLabel = new QLabel(QStringLiteral("&Field:"), this);
    fieldLabel->setBuddy(fieldBox);
    countLabel = new QLabel(this);
    countLabel->setObjectName(QStringLiteral("listCount"));

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(label, 0, 0, 1, 4);
    grid->addWidget(listText, 1, 0, 1, 4);
    grid->addWidget(openButton, 2, 0);
    grid->addWidget(dropNumbers, 2, 1);
    grid->addWidget(dropDurations, 2, 2);
    grid->addWidget(countLabel, 2, 3);
    grid->addWidget(fieldLabel, 3, 0);
    grid->addWidget(fieldBox, 3, 1);
    grid->setColumnStretch(3, 1);

    const auto replan = [this] {
        showCount();
        emit changed();
    };
    connect(listText, &QPlainTextEdit::textChanged, this, replan);
    connect(dropNumbers, &QCheckBox::toggled, this, replan);
    connect(dropDurations, &QCheckBox::toggled, this, replan);
    connect(fieldBox, &QComboBox::currentIndexChanged, this, replan);
    connect(openButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open a List"), QString(),
                                                          QStringLiteral("Text files (*.txt);;All files (*)"));
        if (!path.isEmpty())
            openList(path);
    });
}

void ListJobPage::start(const std::vector<JobFile> &files)
{
    m_files = files;
    showCount();
}

ListOptions ListJobPage::options() const
{
    ListOptions options;
    options.field = textFields()[size_t(qMax(0, fieldBox->currentIndex()))].field;
    options.dropNumbers = dropNumbers->isChecked();
    options.dropDurations = dropDurations->isChecked();
    return options;
}

QStringList ListJobPage::lines() const { return listLines(listText->toPlainText(), options()); }

QList<TagField> ListJobPage::fields() const { return {options().field}; }

QString ListJobPage::problem() const
{
    return lines().isEmpty() ? QStringLiteral("Paste or open the list, one line per file.") : QString();
}

JobPlanner ListJobPage::planner() const { return listPlanner(lines(), m_files, options().field); }

QString ListJobPage::confirmation() const
{
    const QString mismatch = listCountMismatch(lines().size(), qsizetype(m_files.size()));
    return mismatch.isEmpty() ? QString()
                              : mismatch + QStringLiteral(": only the files that have a line change. Write them?");
}

std::vector<JobRow> ListJobPage::extraRows() const
{
    const QStringList all = lines();
    std::vector<JobRow> rows;
    for (qsizetype i = qsizetype(m_files.size()); i < all.size(); ++i) {
        JobRow row;
        row.file.display = QStringLiteral("line %1: %2").arg(i + 1).arg(all[i]);
        row.reason = QStringLiteral("no file for this line");
        rows.push_back(std::move(row));
    }
    return rows;
}

void ListJobPage::showCount()
{
    const qsizetype count = lines().size();
    const QString mismatch = count ? listCountMismatch(count, qsizetype(m_files.size())) : QString();
    countLabel->setText(mismatch.isEmpty() ? QString() : mismatch + QStringLiteral(": only the paired files change"));
}

bool ListJobPage::openList(const QString &path)
{
    const SmallFile file = readSmallFile(path, ListTextLimit);
    QString text;
    const QString failure = !file.status ? file.status.description()
                          : !decodeListText(file.bytes, text) ? QStringLiteral("it is not UTF-8 text")
                                                              : QString();
    if (!failure.isEmpty()) {
        Message::show(QStringLiteral("%1 could not be read: %2.").arg(QFileInfo(path).fileName(), failure));
        return false;
    }
    listText->setPlainText(text);
    return true;
}
