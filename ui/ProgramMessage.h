#pragma once
// The program's message box: the text with the program's name as caption and
// an OK button, modal over `parent`. A failure shows the warning icon.

#include <QMessageBox>
#include <QString>

#include <memory>

class QWidget;

// The box, not yet shown.
std::unique_ptr<QMessageBox> MakeProgramMessage(QWidget* parent, const QString& text,
                                                QMessageBox::Icon icon = QMessageBox::NoIcon);

void ShowProgramMessage(QWidget* parent, const QString& text,
                        QMessageBox::Icon icon = QMessageBox::NoIcon);
