#pragma once
// The header of the result list's Details view: it draws its own items so that
// the sort column carries an arrow, up for ascending and down for descending.

#include <QHeaderView>

class CSortHeaderCtrl : public QHeaderView {
    Q_OBJECT
public:
    explicit CSortHeaderCtrl(QWidget* parent = nullptr);

    // Shows the arrow on `column` (-1: none) in the given direction and
    // repaints when either changed. Returns the previous column.
    int SetSortImage(int column, bool ascending);
    int GetSortColumn() const { return m_nSortColumn; }
    bool IsSortAscending() const { return m_bSortAscending; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    void DrawSortArrow(QPainter* painter, const QRect& rect) const;

    int m_nSortColumn = -1;
    bool m_bSortAscending = false;
};
