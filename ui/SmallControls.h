#pragma once
// Two thin control classes: the owner-drawn tab bar of the advanced option
// sheet, whose tab texts sit centred on the dialog's background, and the plain
// combo box of the main window.

#include <QColor>
#include <QComboBox>
#include <QRect>
#include <QString>
#include <QTabBar>

class QPainter;

class COwnerDrawTabCtrl : public QTabBar {
    Q_OBJECT
public:
    // The longest tab text drawn; longer texts are cut.
    static constexpr int kMaxTabText = 255;
    // How far the text of a tab that is not selected stands lower.
    static constexpr int kUnselectedDrop = 3;

    explicit COwnerDrawTabCtrl(QWidget* parent = nullptr);

    // Draws tab `index`: its rectangle filled with the background colour and
    // its text centred on one line in its caption colour.
    virtual void DrawItem(QPainter& painter, int index) const;
    // The colour of tab `index`'s text; the palette's text colour unless an
    // owner decides otherwise.
    virtual QColor CaptionColour(int index) const;

    // The text DrawItem draws for tab `index`.
    QString DrawnText(int index) const;
    // The rectangle DrawItem centres the text of tab `index` in.
    QRect TextRect(int index) const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The main window's combo boxes: a combo box with the toolkit's own look.
class CPlainComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit CPlainComboBox(QWidget* parent = nullptr);
};
