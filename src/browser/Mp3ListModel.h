#pragma once
// The rows of the MP3 list, in a compact model of their own so that a folder of 100,000 files
// fills quickly and stays small: the tag texts of all rows share one buffer, the trailer bytes of
// all tagged rows another (so another code page needs no read), and a file name is the
// listing's own string, shared rather than copied.

#include <QAbstractTableModel>
#include <QIcon>

#include <array>
#include <vector>

class CodePage;
class CodePageGuess;

class Mp3ListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int ColumnCount = 7;
    static constexpr int Id3v2NotRead = -1;  // appendRow: the version comes later, by setId3v2Version

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
    QList<int> rowsWithoutId3v2(int first, int last) const;  // of first..last, those not read yet
    void setId3v2Version(int row, int version);
    static int columnTwips(int column);  // the width the layout gives the column
    // The tag columns decoded again from the bytes the rows keep, in another page.
    void redecode(const CodePage &page);
    // Every tagged row's five text fields, as stored.
    void addFieldsTo(CodePageGuess &guess) const;

private:
    static constexpr int TagColumns = ColumnCount - 1;
    static constexpr quint8 NotRead = 0xFF;
    struct Row {
        QString name;     // shared with whoever listed the file, not copied
        qsizetype start;  // offset of the first tag column's text in m_text
        std::array<quint16, TagColumns> length;
        quint8 id3v2Version = 0;  // of the tag opening the file, 0: none, NotRead: not read yet
        quint8 track = 0;         // ID3v1.1 track number, 0: none
        qint32 raw = -1;  // offset of the trailer's text bytes in m_raw; -1 for no tag
    };

    void appendText(Row &row, int column, QStringView text);
    void appendDecoded(Row &row, int column, const char *bytes, int width, const CodePage &page);
    void appendFields(Row &row, const char *trailer, const CodePage &page);
    void addRow(const Row &row);
    int id3v2Version(int row) const;  // 0 while not read

    std::vector<Row> m_rows;
    QString m_text;
    QByteArray m_raw;  // each tagged row's title..comment bytes, so another page needs no read
    QIcon m_icon;
    QIcon m_id3v2Icon;  // m_icon with a badge: the file begins with an ID3v2 tag
    bool m_rebuilding = false;
};
