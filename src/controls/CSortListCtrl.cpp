#include "controls/CSortListCtrl.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QStyleOptionHeader>
#include <QToolTip>

#include <algorithm>
#include <functional>
#include <unordered_map>

// The rows and colours behind the list.
class SortListModel final : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    struct Column {
        QString header;
        Qt::Alignment alignment;
    };

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_Rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_Columns.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        switch (role) {
        case Qt::DisplayRole: return QString::fromStdString(Text(index.row(), index.column()));
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(m_Columns[index.column()].alignment | Qt::AlignVCenter);
        case Qt::BackgroundRole: {
            const QColor color = RowColor(index.row());
            return color.isValid() ? QVariant(color) : QVariant();
        }
        case Qt::ForegroundRole:
            // Row colours are light: keep the text dark on them whatever the theme.
            return RowColor(index.row()).isValid() ? QVariant(QColor(Qt::black)) : QVariant();
        default: return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
            return {};
        if (role == Qt::DisplayRole)
            return m_Columns[section].header;
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(m_Columns[section].alignment | Qt::AlignVCenter);
        return {};
    }

    // Columns go in together: the header measures itself once, not once per column.
    int AddColumns(const std::vector<Column>& columns) {
        const int first = columnCount();
        if (columns.empty())
            return first;
        beginInsertColumns({}, first, first + static_cast<int>(columns.size()) - 1);
        m_Columns.insert(m_Columns.end(), columns.begin(), columns.end());
        for (CSortListCtrl::Row& row : m_Rows)
            if (!row.empty() || !m_MakeRow) // a row not made yet gets its columns when made
                row.resize(m_Columns.size());
        endInsertColumns();
        return first;
    }

    void SetRows(std::vector<CSortListCtrl::Row> rows) {
        beginResetModel();
        m_MakeRow = nullptr;
        m_Rows = std::move(rows);
        for (CSortListCtrl::Row& row : m_Rows)
            row.resize(m_Columns.size());
        m_Source.resize(m_Rows.size());
        for (std::size_t i = 0; i < m_Source.size(); ++i)
            m_Source[i] = static_cast<int>(i);
        RebuildKeys();
        endResetModel();
    }

    void SetRows(std::vector<int> keys, std::function<CSortListCtrl::Row(int)> makeRow) {
        beginResetModel();
        m_MakeRow = std::move(makeRow);
        m_Rows.assign(keys.size(), {});
        m_Source.resize(keys.size());
        for (std::size_t i = 0; i < m_Source.size(); ++i)
            m_Source[i] = static_cast<int>(i);
        m_Keys = std::move(keys);
        endResetModel();
    }

    const std::string& Text(int row, int column) const {
        static const std::string none;
        if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
            return none;
        return RowAt(row)[column];
    }

    // Puts the rows in `order` (old indices in their new places), keeping
    // the selection on the rows it was on.
    void Reorder(const std::vector<int>& order) {
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        const QModelIndexList before = persistentIndexList();
        std::vector<int> newPlace(order.size());
        std::vector<CSortListCtrl::Row> rows(order.size());
        std::vector<int> source(order.size()), keys(order.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            rows[i] = std::move(m_Rows[order[i]]);
            source[i] = m_Source[order[i]];
            keys[i] = m_Keys[order[i]];
            newPlace[order[i]] = static_cast<int>(i);
        }
        m_Rows = std::move(rows);
        m_Source = std::move(source);
        m_Keys = std::move(keys);
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& index : before)
            after.push_back(this->index(newPlace[index.row()], index.column()));
        changePersistentIndexList(before, after);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

    std::vector<std::string_view> ColumnTexts(int column) const {
        std::vector<std::string_view> texts;
        texts.reserve(m_Rows.size());
        for (int row = 0; row < rowCount(); ++row)
            texts.emplace_back(Text(row, column));
        return texts;
    }

    void SetKeyColumn(int column) {
        m_KeyColumn = column;
        RebuildKeys();
        RepaintAll();
    }

    void SetColor(int key, const QColor& color) {
        if (key >= 0 && static_cast<std::size_t>(key) < m_Colors.size())
            m_Colors[static_cast<std::size_t>(key)] = color;
        else
            m_OtherColors[key] = color;
        for (int row = 0; row < rowCount(); ++row)
            if (m_Keys[row] == key)
                emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }

    void SetColors(std::vector<QColor> byKey) {
        m_Colors = std::move(byKey);
        m_OtherColors.clear();
        RepaintAll();
    }

    QColor RowColor(int row) const {
        if (row < 0 || row >= static_cast<int>(m_Keys.size()))
            return {};
        const int key = m_Keys[row];
        if (key >= 0 && static_cast<std::size_t>(key) < m_Colors.size())
            return m_Colors[static_cast<std::size_t>(key)];
        const auto found = m_OtherColors.find(key);
        return found == m_OtherColors.end() ? QColor() : found->second;
    }

private:
    // The texts of a row, made on first use when the rows come from a maker.
    const CSortListCtrl::Row& RowAt(int row) const {
        CSortListCtrl::Row& texts = m_Rows[row];
        if (texts.empty() && m_MakeRow) {
            texts = m_MakeRow(m_Source[row]);
            texts.resize(m_Columns.size());
        }
        return texts;
    }
    void RebuildKeys() {
        m_Keys.resize(m_Rows.size());
        for (int row = 0; row < rowCount(); ++row)
            m_Keys[row] = m_KeyColumn >= 0 && m_KeyColumn < columnCount()
                              ? static_cast<int>(LeadingInteger(Text(row, m_KeyColumn)))
                              : -1;
    }
    void RepaintAll() {
        if (rowCount() > 0 && columnCount() > 0)
            emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }

    std::vector<Column> m_Columns;
    // Each displayed row's texts; with a maker, empty until the row is first
    // needed (painted, read or sorted), so a long list costs little to show.
    mutable std::vector<CSortListCtrl::Row> m_Rows;
    std::vector<int> m_Source; // each displayed row's index as the rows were given
    std::function<CSortListCtrl::Row(int)> m_MakeRow;
    std::vector<int> m_Keys; // each row's colour key, read once per change of the rows
    int m_KeyColumn = 7;
    // Colours by key: a whole list's keys are its positions, looked up by
    // index; a key set on its own beyond them goes to the map.
    std::vector<QColor> m_Colors;
    std::unordered_map<int, QColor> m_OtherColors;
};

namespace {

// Qt measures each header section in bold, in case it is ever highlighted;
// this list never highlights its headers, and measuring in bold would load a
// bold Chinese font at start-up (megabytes of it) that is never drawn. The
// sections are measured in the font they are drawn in, which has the same
// height.
class SortListHeader final : public QHeaderView {
public:
    using QHeaderView::QHeaderView;

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override {
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.section = logicalIndex;
        option.fontMetrics = fontMetrics();
        option.text = model()->headerData(logicalIndex, orientation()).toString();
        if (isSortIndicatorShown())
            option.sortIndicator = QStyleOptionHeader::SortDown;
        QSize size = style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this);
        if (isSortIndicatorShown())
            size.rwidth() +=
                size.height() + style()->pixelMetric(QStyle::PM_HeaderMargin, &option, this);
        return size;
    }
};

} // namespace

CSortListCtrl::CSortListCtrl(QWidget* parent)
    : QTableView(parent), m_Model(new SortListModel(this)) {
    setHorizontalHeader(new SortListHeader(Qt::Horizontal, this));
    setModel(m_Model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    // Every row has the same height: no measuring of 10,000 rows on a refresh.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setSortIndicatorShown(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &CSortListCtrl::SortByColumn);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column) {
        if (column != m_StretchColumn)
            FitStretchColumn();
    });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { emit SelectionMarkChanged(GetSelectionMark()); });
}

CSortListCtrl::~CSortListCtrl() = default;

int CSortListCtrl::InsertColumn(const QString& header, int width, SortKind kind,
                                Qt::Alignment alignment) {
    return InsertColumns({{header, width, kind, alignment}});
}

int CSortListCtrl::InsertColumns(const std::vector<NewColumn>& columns) {
    std::vector<SortListModel::Column> added;
    added.reserve(columns.size());
    for (const NewColumn& column : columns)
        added.push_back({column.header, column.alignment});
    const int first = m_Model->AddColumns(added);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const int column = first + static_cast<int>(i);
        m_SortColumns.Add(column, columns[i].kind);
        if (columns[i].width <= 0)
            setColumnHidden(column, true);
        else
            setColumnWidth(column, columns[i].width);
    }
    return first;
}

int CSortListCtrl::ColumnCount() const {
    return m_Model->columnCount();
}

void CSortListCtrl::SetColorKeyColumn(int column) {
    m_Model->SetKeyColumn(column);
}

void CSortListCtrl::SetRowBkColor(int key, const QColor& color) {
    m_Model->SetColor(key, color);
}

void CSortListCtrl::SetRowBkColors(std::vector<QColor> colors) {
    m_Model->SetColors(std::move(colors));
}

void CSortListCtrl::ClearRowBkColors() {
    m_Model->SetColors({});
}

QColor CSortListCtrl::RowBkColor(int row) const {
    return m_Model->RowColor(row);
}

void CSortListCtrl::SetRows(std::vector<Row> rows) {
    m_Model->SetRows(std::move(rows));
    RowsReplaced();
}

void CSortListCtrl::SetRows(std::vector<int> colorKeys, std::function<Row(int)> makeRow) {
    m_Model->SetRows(std::move(colorKeys), std::move(makeRow));
    RowsReplaced();
}

void CSortListCtrl::RowsReplaced() {
    // New rows come in their owner's order, not in the last clicked one.
    horizontalHeader()->setSortIndicatorShown(false);
    emit SelectionMarkChanged(-1);
}

void CSortListCtrl::DeleteAllItems() {
    SetRows({});
}

int CSortListCtrl::GetItemCount() const {
    return m_Model->rowCount();
}

std::string CSortListCtrl::GetItemText(int row, int column) const {
    return m_Model->Text(row, column);
}

int CSortListCtrl::GetSelectionMark() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void CSortListCtrl::SetSelectionMark(int row) {
    if (row < 0 || row >= GetItemCount()) {
        clearSelection();
        setCurrentIndex({});
        return;
    }
    const QModelIndex first = m_Model->index(row, 0);
    selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
    scrollTo(first);
}

void CSortListCtrl::SortByColumn(int column) {
    if (!m_SortColumns.Toggle(column))
        return;
    const bool ascending = m_SortColumns.IsAscending(column);
    m_Model->Reorder(
        SortOrder(m_Model->ColumnTexts(column), m_SortColumns.Kind(column), ascending));
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSortIndicator(column,
                                         ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void CSortListCtrl::mousePressEvent(QMouseEvent* event) {
    // A click below the last row lets go of the selection.
    if (!indexAt(event->position().toPoint()).isValid()) {
        SetSelectionMark(-1);
        return;
    }
    QTableView::mousePressEvent(event);
}

void CSortListCtrl::SetStretchColumn(int column) {
    m_StretchColumn = column;
    m_StretchMinimum = column >= 0 && column < ColumnCount() ? columnWidth(column) : 0;
    FitStretchColumn();
}

void CSortListCtrl::FitStretchColumn() {
    if (m_StretchColumn < 0 || m_StretchColumn >= ColumnCount())
        return;
    int others = 0;
    for (int column = 0; column < ColumnCount(); ++column)
        if (column != m_StretchColumn && !isColumnHidden(column))
            others += columnWidth(column);
    const int width = std::max(m_StretchMinimum, viewport()->width() - others);
    if (width != columnWidth(m_StretchColumn))
        setColumnWidth(m_StretchColumn, width);
}

void CSortListCtrl::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    // Also called when a scroll bar comes or goes and the viewport changes.
    FitStretchColumn();
}

bool CSortListCtrl::IsTextCut(int row, int column) const {
    const QModelIndex index = m_Model->index(row, column);
    if (!index.isValid() || isColumnHidden(column))
        return false;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    // The delegate's size is the text with the margins it draws it within.
    return itemDelegateForIndex(index)->sizeHint(option, index).width() > option.rect.width();
}

bool CSortListCtrl::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QTableView::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    if (index.isValid() && IsTextCut(index.row(), index.column()))
        QToolTip::showText(help->globalPos(), index.data().toString(), viewport(),
                           visualRect(index));
    else
        QToolTip::hideText();
    return true;
}
