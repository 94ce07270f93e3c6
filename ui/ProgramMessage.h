#pragma once
// The program's message box: the text with the program's name as caption and
// an OK button, modal over `parent`.

#include <QMessageBox>
#include <QString>

class QWidget;

void ShowProgramMessage(QWidget* parent, const QString& text,
                        QMessageBox::Icon icon = QMessageBox::NoIcon);
