#include "ui/MyPropertyPage1.h"

CMyPropertyPage1::CMyPropertyPage1(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("My Page"));
}
