#pragma once
// The MP3 list: one row per file of the folder, its name and the six tag columns, in report view.
// Rows live in a compact model of their own so that a folder of 100,000 files fills quickly and
// stays small: the tag texts of all rows share one buffer, and a file name is the listing's own
// string, shared rather than copied.


#include <QAbstractTableModel>
#include <QIcon>
#include <QTreeView>

#include <array>
#include <vector>

class CodePage;
class CodePageGuess;

class Mp3ListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int ColumnCount = 7;

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void setRowIcon(const QIcon &icon);
    void clear();
    void appendRow(const QString &fileName, const char *trailer, const CodePage &page, QStringView genre,
                   int id3v2Version = 0);
    void beginRebuild();
    void endRebuild();
    QString text(int row, int column) const;
    QString notes(int row) const;  // "ID3v2.3 tag", "Track 7", one a line; empty when neither
    // The tag columns decoded again from the bytes the rows keep, in another page.
    void redecode(const CodePage &page);
    // Every tagged row's five text fields, as stored.
    void addFieldsTo(CodePageGuess &guess) const;

private:
    static constexpr int TagColumns = ColumnCount - 1;
    struct Row {
        QString name;     // shared with whoever listed the file, not copied
        qsizetype start;  // offset of the first tag column's text in m_text
        std::array<quint16, TagColumns> length;
        quint8 id3v2Version = 0;  // of the tag opening the file, 0: none
        quint8 track = 0;         // ID3v1.1 track number, 0: none
        qint32 raw = -1;  // offset of the trailer's text bytes in m_raw; -1 for no tag
    };

    void appendText(Row &row, int column, QStringView text);
    void appendDecoded(Row &row, int column, const char *bytes, int width, const CodePage &page);
    void appendFields(Row &row, const char *trailer, const CodePage &page);
    void addRow(const Row &row);

    std::vector<Row> m_rows;
    QString m_text;
    QByteArray m_raw;  // each tagged row's title..comment bytes, so another page needs no read
    QIcon m_icon;
    QIcon m_id3v2Icon;  // m_icon with a badge: the file begins with an ID3v2 tag
    bool m_rebuilding = false;
};

class Mp3List : public QTreeView {
    Q_OBJECT
public:
    explicit Mp3List(QWidget *parent = nullptr);

    void setRowIcon(const QIcon &icon);
    void clear();
    // The row of a file from its trailer as stored, decoded with page straight into the list:
    // the 128 bytes (nullptr: six empty columns), the genre's name and the version of an ID3v2
    // tag at the file's start (0: none), which gives the row its own icon.
    void appendRow(const QString &fileName, const char *trailer, const CodePage &page, QStringView genre,
                   int id3v2Version = 0);
    // Between these two, appended rows are not reported to the view one by one.
    void beginRebuild();
    void endRebuild();

    int rowCount() const;
    QString text(int row, int column) const;  // column 0 the file name, 1..6 the tag
    QString notes(int row) const;             // the row's ID3v2 version and track number
    void redecode(const CodePage &page);      // the tag columns in another page, without a read
    void addFieldsTo(CodePageGuess &guess) const;
    int selectedRow() const;                  // from 0, -1 when none
    void selectRow(int row);                  // as a click would, reports rowClicked()
    // Highlights row (none for -1) without reporting it: for the row of the file already loaded.
    void showRow(int row);

signals:
    // The highlighted row changed, or a row was clicked with the left button (also the row
    // already highlighted). Every way the highlight can move reports it: keys, a drag, code.
    void rowClicked();
    void rowDoubleClicked();  // a double click on a row

protected:
    // Only the left button selects: other buttons never move the highlight.
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    Mp3ListModel *m_model;
    bool m_quiet = false;  // selection changes that are not reported
};
