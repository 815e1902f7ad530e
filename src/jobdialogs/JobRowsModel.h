#pragma once
// The job dialog's preview: one row per file with old → new for each field the job writes (the
// changed cells marked, the old value in their tooltip; a new name shown alone), then the state
// with its reason, then the file's name. The cells of the field the job
// lets the user set (JobPage::editableField) are editable; what is typed goes to the inputs.

#include "jobdialogs/JobPage.h"

#include <QAbstractTableModel>
#include <QStringList>

class CodePage;

class JobRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    JobRowsModel(JobPage &inputs, const CodePage &page, const QStringList &genreList, QObject *parent = nullptr);

    // Rows of the same files and fields as before change in place: the current cell and the
    // selection stay where the user left them.
    void setRows(std::vector<JobRow> rows, const QList<TagField> &fields);
    const std::vector<JobRow> &rows() const { return m_rows; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    // The text of a field before or after, as the panel would show it.
    QString fieldText(const JobRow &row, TagField field, bool after) const;
    int stateColumn() const;  // the fields' columns come before it, the file's name after

private:
    bool isEditable(const QModelIndex &index) const;

    JobPage &m_inputs;
    const CodePage &m_page;
    const QStringList &m_genreList;
    std::vector<JobRow> m_rows;
    QList<TagField> m_fields;
};
