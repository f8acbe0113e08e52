#pragma once

#include "controls/ListSort.h"

#include <QColor>
#include <QTableView>

#include <functional>
#include <string>
#include <vector>

class SortListModel;

// A report list that sorts its rows when a header is clicked, as text or as
// a number per column, each column keeping its own direction; and that gives
// rows a background colour keyed by the number in one of their columns, so a
// colour stays with its row through every sort. Rows are plain texts held in
// a model, so lists of many thousands refresh and sort quickly.
class CSortListCtrl : public QTableView {
    Q_OBJECT
public:
    using Row = std::vector<std::string>; // UTF-8 cell texts

    explicit CSortListCtrl(QWidget* parent = nullptr);
    ~CSortListCtrl() override;

    // Appends a column; a width of 0 hides it (it still sorts and keys colours).
    int InsertColumn(const QString& header, int width, SortKind kind,
                     Qt::Alignment alignment = Qt::AlignCenter);
    struct NewColumn {
        QString header;
        int width = 0;
        SortKind kind = SortKind::Text;
        Qt::Alignment alignment = Qt::AlignCenter;
    };
    // Appends several columns at once (cheaper than one by one); the first's index.
    int InsertColumns(const std::vector<NewColumn>& columns);
    int ColumnCount() const;

    // The column whose number keys the row colours (by default the eighth).
    void SetColorKeyColumn(int column);
    // Colour of the rows keyed `key`, repainted at once.
    void SetRowBkColor(int key, const QColor& color);
    // Replaces every colour at once (a whole list's worth after a refresh):
    // rows keyed k get byKey[k]; an invalid colour or a key past the end, none.
    void SetRowBkColors(std::vector<QColor> byKey);
    void ClearRowBkColors();
    QColor RowBkColor(int row) const; // invalid when the row has none

    // Replaces every row at once (the fast way to fill the list).
    void SetRows(std::vector<Row> rows);
    // Replaces every row at once, each row's texts made by `makeRow(i)` (i
    // in the order given) only when first needed; `colorKeys` holds each
    // row's colour key. The maker must stay valid until the rows are replaced.
    void SetRows(std::vector<int> colorKeys, std::function<Row(int)> makeRow);
    void DeleteAllItems();
    int GetItemCount() const;
    std::string GetItemText(int row, int column) const;

    // The row last selected, or -1.
    int GetSelectionMark() const;
    void SetSelectionMark(int row);

    // What a click on the header of `column` does.
    void SortByColumn(int column);

    // The column takes the room the other columns leave, so long texts show
    // whole when the list is wide enough; never narrower than its own width.
    void SetStretchColumn(int column);

    // True when the cell is too narrow for its text, which then shows in
    // full as a tool tip.
    bool IsTextCut(int row, int column) const;

signals:
    void SelectionMarkChanged(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void FitStretchColumn();
    void RowsReplaced();

    SortListModel* m_Model;
    ListSortColumns m_SortColumns;
    int m_StretchColumn = -1;
    int m_StretchMinimum = 0;
};
