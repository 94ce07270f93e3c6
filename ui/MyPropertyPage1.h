#pragma once
// A blank property page ("My Page"): the file properties sheet shows it as
// its first page before the pages of the selected files.

#include <QWidget>

class CMyPropertyPage1 : public QWidget {
    Q_OBJECT
public:
    static constexpr int IDD = 116;

    explicit CMyPropertyPage1(QWidget* parent = nullptr);

    int DialogId() const { return IDD; }
    QString Caption() const { return windowTitle(); }
};
