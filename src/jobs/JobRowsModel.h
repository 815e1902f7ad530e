#pragma once
// The job dialog's preview: one row per file with its name, the state with its reason, and old →
// new for each field the job writes (the changed cells marked).

#include "jobs/JobInputs.h"

#include <QAbstractTableModel>
#include <QStringList>

class CodePage;

class JobRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    JobRowsModel(const CodePage &page, const QStringList &genreList, QObject *parent = nullptr);

    void setRows(std::vector<JobRow> rows, const QList<JobField> &fields);
    const std::vector<JobRow> &rows() const { return m_rows; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The text of a field before or after, as the panel would show it.
    QString fieldText(const JobRow &row, JobField field, bool after) const;

private:
    const CodePage &m_page;
    const QStringList &m_genreList;
    std::vector<JobRow> m_rows;
    QList<JobField> m_fields;
};
