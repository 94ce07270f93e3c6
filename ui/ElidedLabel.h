#pragma once
// A one-line label that shows a text too long for it elided in the middle
// ("/home/user/…/photos"), so a long path never pushes the window wider or
// runs past its edge; text() is still the whole text.

#include <QLabel>

class CElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit CElidedLabel(QWidget* parent = nullptr);

    // The text as it is drawn at the label's width.
    QString DisplayedText() const;

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
