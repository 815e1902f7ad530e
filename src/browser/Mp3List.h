#pragma once
// The MP3 list: one row per file of the folder, its name and the six tag columns, in report view.
// Its rows live in Mp3ListModel. A scan may leave the rows' ID3v2 versions unread: the list asks for
// those of the rows in view once it settles and whenever other rows come into view.


#include "browser/Mp3ListModel.h"

#include <QTimer>
#include <QTreeView>

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
    void setId3v2Version(int row, int version);  // of a row appended with Id3v2NotRead
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
    // Rows in view whose ID3v2 version is not read yet; each is given by setId3v2Version.
    void id3v2Wanted(const QList<int> &rows);

protected:
    // Only the left button selects: other buttons never move the highlight.
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void askForShownId3v2();

    Mp3ListModel *m_model;
    QTimer m_shownRowsCheck;  // one ask per turn of the event loop, however many changes came
    bool m_quiet = false;  // selection changes that are not reported
};
